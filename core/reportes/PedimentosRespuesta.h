#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class Conexion;

// The pedimento numbers a stored response names, read with the format of its
// kind at the positions its report shows them. Responses shown unchanged
// (prevalidation) and names of no kind name none.
class PedimentosRespuesta
{
public:
    explicit PedimentosRespuesta(const Conexion &conexion);

    // The numbers of the response nombre stored at ruta (or, when that file
    // is not on this workstation, of its bytes in the journal under the id
    // respuesta), each once, in the order they first appear. A line that
    // cannot be read gives what was read before it. Nothing when the
    // response cannot be read at all (no file and no bytes), and then why
    // in motivo.
    std::optional<QStringList> lee(const QString &nombre, const QString &ruta, qint64 respuesta = 0,
                                   QString *motivo = nullptr) const;

private:
    const Conexion &m_conexion;
};
