#pragma once

#include <QString>
#include <QStringList>

class Conexion;

// The pedimento numbers a stored response names, read with the format of its
// kind at the positions its report shows them. Responses shown unchanged
// (prevalidation) and names of no kind name none.
class PedimentosRespuesta
{
public:
    explicit PedimentosRespuesta(const Conexion &conexion);

    // The numbers of the file at ruta (response name nombre), each once, in
    // the order they first appear. A file that cannot be read, or a line
    // that cannot, gives what was read before it.
    QStringList lee(const QString &nombre, const QString &ruta) const;

private:
    const Conexion &m_conexion;
};
