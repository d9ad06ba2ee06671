#include "core/db/CmdConsulta.h"

#include "core/db/Conexion.h"

int CmdConsulta::ejecuta(const QString &sql, const QVariantList &valores)
{
    return m_conexion.ejecuta(sql, valores).numRowsAffected();
}
