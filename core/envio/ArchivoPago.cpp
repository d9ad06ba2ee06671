#include "core/envio/ArchivoPago.h"

#include "core/base/Funciones.h"
#include "core/base/Vb.h"

QString ArchivoPago::nombre(qint16 patente)
{
    return QStringLiteral("cfps") + Vb::formato(patente, QStringLiteral("0000")) + QStringLiteral(".rgs");
}

QString ArchivoPago::linea(const QString &pideClave, const QString &clave)
{
    return pideClave + Funciones::Codifica_Cadena(clave);
}

QString ArchivoPago::clave(const QString &linea)
{
    return Funciones::Decodifica_Cadena(linea.mid(1));
}
