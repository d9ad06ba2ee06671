#include "transfer/ArchivoPago.h"

#include "core/Funciones.h"
#include "core/Vb.h"

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
