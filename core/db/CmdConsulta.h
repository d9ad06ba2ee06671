#pragma once

#include <QString>
#include <QVariant>

class Conexion;

// Runs statements that change the database, with bound values.
class CmdConsulta
{
public:
    explicit CmdConsulta(const Conexion &conexion)
        : m_conexion(conexion)
    {
    }
    // Returns the number of rows changed. Throws ErrorTendal.
    int ejecuta(const QString &sql, const QVariantList &valores = {});

private:
    const Conexion &m_conexion;
};
