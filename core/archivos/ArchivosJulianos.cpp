#include "core/archivos/ArchivosJulianos.h"

#include "core/base/Ansi.h"
#include "core/base/ErrorTendal.h"
#include "core/oficina/CamposConfiguracion.h"

namespace ArchivosJulianos {

QChar letra(const QString &nombre)
{
    return nombre.isEmpty() ? QChar() : nombre.front().toUpper();
}

int campoCarpeta(QChar letra)
{
    switch (letra.unicode()) {
    case u'M':
    case u'C':
    case u'D':
        return CamposConfiguracion::val_env;
    case u'E':
        return CamposConfiguracion::pag_env;
    case u'S':
        return CamposConfiguracion::sag_env;
    default:
        return -1;
    }
}

int iconoLetra(QChar letra)
{
    switch (letra.unicode()) {
    case u'M':
    case u'C':
    case u'D':
        return 2;
    case u'S':
        return 8;
    case u'P':
        return 13;
    default:
        return -1;
    }
}

int iconoCodigoBanco(const QString &primeraLinea)
{
    const QString codigo = primeraLinea.left(5);
    if (codigo.size() < 5)
        return 10;
    for (QChar c : codigo)
        if (c < u'0' || c > u'9')
            return 10;
    switch (codigo.toInt()) {
    case 40021:
        return 12;
    case 40002:
        return 3;
    case 40072:
        return 4;
    case 40014:
        return 7;
    case 40012:
        return 5;
    default:
        return 10;
    }
}

int iconoBanco(const QString &ruta)
{
    try {
        return iconoCodigoBanco(Ansi::leePrimeraLinea(ruta));
    } catch (const ErrorTendal &) {
        return 10;
    }
}

QString Ruta_Respuesta(int tipo, const QString &nombre)
{
    switch (letra(nombre).unicode()) {
    case u'M':
    case u'C':
    case u'D':
    case u'T':
    case u'P':
        return QStringLiteral("/ag") + nombre.mid(1, 4);
    case u'E':
    case u'B':
        return QStringLiteral("/yexout");
    case u'S':
        return tipo == 2 ? QStringLiteral("/sagarpaout") : QString();
    default:
        return {};
    }
}

} // namespace ArchivosJulianos
