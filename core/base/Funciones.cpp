#include "core/base/Funciones.h"

#include "core/base/Ansi.h"
#include "core/base/ErrorTendal.h"

#include <QFile>
#include <QFileInfo>

namespace {

QString desplaza(const QString &texto, int signo)
{
    // The position counter is one byte wide.
    if (texto.size() > 254)
        throw ErrorTendal::conNumero(ErrorTendal::Desbordamiento);
    QString resultado;
    resultado.reserve(texto.size());
    for (qsizetype i = 0; i < texto.size(); ++i) {
        const auto codigo = Ansi::codigo(texto[i]);
        if (!codigo)
            throw ErrorTendal::conNumero(ErrorTendal::ArgumentoNoValido);
        const int nuevo = int(*codigo) + signo * (int(i) + 1 + 15);
        if (nuevo < 0 || nuevo > 255)
            throw ErrorTendal::conNumero(ErrorTendal::ArgumentoNoValido);
        resultado.append(Ansi::caracter(static_cast<unsigned char>(nuevo)));
    }
    return resultado;
}

} // namespace

namespace Funciones {

QString avisoClaveFtp(const QString &clave)
{
    if (clave == clave.toLower())
        return {};
    return QStringLiteral("Aviso: la contraseña FTP se guarda y se usa en minúsculas; si en el servidor "
                          "tiene mayúsculas, el servidor la rechazará.");
}

QString Codifica_Cadena(const QString &texto)
{
    return desplaza(texto, +1);
}

QString Decodifica_Cadena(const QString &texto)
{
    return desplaza(texto, -1);
}

qint16 Dia_Juliano(const QDate &fecha)
{
    return static_cast<qint16>(fecha.dayOfYear());
}

void Borra_Archivo(const QString &ruta)
{
    QFileInfo info(ruta);
    if (!info.exists() && !info.isSymLink())
        return;
    QFile archivo(ruta);
    archivo.setPermissions(archivo.permissions() | QFileDevice::WriteOwner);
    if (!archivo.remove())
        throw ErrorTendal::conNumero(ErrorTendal::PermisoDenegado, ruta);
}

} // namespace Funciones
