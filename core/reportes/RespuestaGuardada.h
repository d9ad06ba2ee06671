#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QString>

class Conexion;

// A stored response opened for reading: the file where this workstation
// stored it or, when the file is not here (another workstation of the office
// received it, or its folder was emptied), its bytes in the office's journal.
// The file is read as it is read; the journal's bytes are held once, in
// memory, while the response is read.
class RespuestaGuardada
{
public:
    // ruta: the file's path; respuesta: the response's id in the journal (0:
    // none known, only the file counts).
    RespuestaGuardada(const Conexion &conexion, const QString &ruta, qint64 respuesta);
    RespuestaGuardada(const RespuestaGuardada &) = delete;
    RespuestaGuardada &operator=(const RespuestaGuardada &) = delete;

    // Opens it for reading. False when it cannot be read, with why in
    // Spanish (a phrase that completes "No se pudo leer el archivo X: ").
    bool abre(QString *motivo);
    // The open response (after abre() returned true).
    QIODevice &dispositivo();
    // True when its bytes come from the journal.
    bool delDiario() const { return m_delDiario; }

private:
    const Conexion &m_conexion;
    qint64 m_respuesta;
    QFile m_archivo;
    QByteArray m_bytes;
    QBuffer m_buffer;
    bool m_delDiario = false;
};
