#include "core/reportes/RespuestaGuardada.h"

#include "core/base/ErrorTendal.h"
#include "core/db/Diario.h"
#include "core/db/HistorialDiario.h"

#include <QFileInfo>

RespuestaGuardada::RespuestaGuardada(const Conexion &conexion, const QString &ruta, qint64 respuesta)
    : m_conexion(conexion)
    , m_respuesta(respuesta)
    , m_archivo(ruta)
{
}

bool RespuestaGuardada::abre(QString *motivo)
{
    const QFileInfo info(m_archivo.fileName());
    if (info.exists() || m_respuesta <= 0) {
        if (!info.exists())
            *motivo = QStringLiteral("el archivo no existe");
        else if (!info.isFile())
            *motivo = QStringLiteral("no es un archivo");
        else if (!m_archivo.open(QIODevice::ReadOnly))
            *motivo = QStringLiteral("el archivo no se puede abrir (%1)").arg(m_archivo.errorString());
        else
            return true;
        return false;
    }
    std::optional<QByteArray> bytes;
    try {
        bytes = HistorialDiario(m_conexion).contenido(m_respuesta);
    } catch (const ErrorTendal &e) {
        *motivo = QStringLiteral("no está en este equipo y no se pudo leer de la base de datos de la oficina (%1)")
                      .arg(e.descripcion());
        return false;
    }
    if (!bytes) {
        // Too large for the journal, which keeps only its size and print;
        // or stored by a version that kept only the file.
        std::optional<qint64> tamano;
        try {
            tamano = HistorialDiario(m_conexion).tamanoRespuesta(m_respuesta);
        } catch (const ErrorTendal &) {
        }
        if (tamano && *tamano > Diario::contenidoMaximo())
            *motivo = QStringLiteral("no está en este equipo, y la base de datos de la oficina no guarda el contenido "
                                     "de una respuesta de más de %1 MB (esta tiene %2 MB): se lee en el equipo que "
                                     "la recibió")
                          .arg(Diario::contenidoMaximo() >> 20)
                          .arg(double(*tamano) / (1 << 20), 0, 'f', 1);
        else
            *motivo = QStringLiteral("no está en este equipo, y la base de datos de la oficina no guarda su contenido "
                                     "(se recibió con una versión anterior del programa)");
        return false;
    }
    m_bytes = std::move(*bytes);
    m_buffer.setBuffer(&m_bytes);
    m_buffer.open(QIODevice::ReadOnly);
    m_delDiario = true;
    return true;
}

QIODevice &RespuestaGuardada::dispositivo()
{
    if (m_delDiario)
        return m_buffer;
    return m_archivo;
}
