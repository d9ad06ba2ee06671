#include "cli/Comando.h"

#include "core/base/ErrorTendal.h"
#include "core/oficina/Programa.h"

QString Comando::opcion(const QString &nombre, bool *falta)
{
    const int i = int(args.indexOf(nombre));
    if (i < 0)
        return {};
    if (i + 1 >= args.size()) {
        if (falta)
            *falta = true;
        args.removeAt(i);
        return {};
    }
    const QString valor = args.at(i + 1);
    args.remove(i, 2);
    return valor;
}

bool Comando::bandera(const QString &nombre)
{
    return args.removeAll(nombre) > 0;
}

std::unique_ptr<Programa> Comando::abrePrograma(Dialogos &dialogos)
{
    auto programa = std::make_unique<Programa>(carpetas, reloj, dialogos);
    try {
        programa->carga();
    } catch (const ErrorTendal &e) {
        err << e.descripcion() << Qt::endl;
        return nullptr;
    }
    return programa;
}

int Comando::uso(const QString &forma)
{
    err << QStringLiteral("Uso: tendal ") << forma << Qt::endl;
    return 2;
}

QString concuerda(qsizetype n, const char *uno, const char *varios)
{
    return QString::fromUtf8(n == 1 ? uno : varios).arg(n);
}
