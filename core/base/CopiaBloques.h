#pragma once

#include "core/base/ErrorTendal.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QFileDevice;
class QIODevice;

// Bytes written to a device block by block: the copy of a file to send into
// TendalTmp, the copy of a response into its reception folder and the bytes
// of a download as they arrive all go through here, with one rule for a
// write that fails. A device may take part of a block without an error (a
// disk that fills in the middle of it): the write of the rest says why. A
// disk or a user's quota that is full (ENOSPC, EDQUOT) is 61 "Disco lleno";
// any other failure to read or to write is 75. The error names the file and
// its folder.
//
// Files written here are opened unbuffered (QIODevice::Unbuffered): each
// block goes to the system at once, so the failure is seen by the write that
// caused it and nothing is left in a buffer for close() to try again.
class CopiaBloques
{
public:
    static constexpr qint64 kBloque = qint64(1) << 20;

    explicit CopiaBloques(QIODevice &destino);

    // Writes all of datos. False when it fails (the rest is not written).
    bool escribe(const char *datos, qint64 largo);
    // Reads origen to its end, writing each block; cadaBloque, when given,
    // sees every block read (the print of the bytes, the bytes kept). False
    // when a read or a write fails.
    bool copia(QIODevice &origen, const std::function<void(const char *, qint64)> &cadaBloque = {});
    // A file written whole: forced to the disk (fsync), so that it can be
    // renamed into place. False when that fails.
    bool sincroniza(QFileDevice &archivo);

    qint64 escritos() const { return m_escritos; }
    bool fallo() const { return m_fallo != Fallo::Ninguno; }
    bool falloDeLectura() const { return m_fallo == Fallo::Lectura; }
    bool discoLleno() const { return m_fallo == Fallo::Escritura && esDiscoLleno(m_errorSistema); }

    // The failure as the program reports it: nombre is the file as the
    // person knows it (the name of the file sent, of the response), carpeta
    // the folder it was written to (or read from, for a failed read).
    ErrorTendal error(const QString &nombre, const QString &carpeta) const;

    static bool esDiscoLleno(int errorSistema);
    // The error of a failed write with the system's errno: 61 or 75, with the
    // file and the folder named.
    static ErrorTendal errorDeEscritura(int errorSistema, const QString &nombre, const QString &carpeta);
    // Forces files already written and closed to the disk together: those
    // on one file system with one sync of that file system (Linux's
    // syncfs) instead of one per file; elsewhere, or when that fails, each
    // on its own (fsync). Gives, for each path, 0 or the errno of its
    // failure; a file is on the disk only where it gives 0.
    static QList<int> sincronizaJuntos(const QStringList &rutas);
    // Removes a file that was being written and did not end whole: closed
    // (a QSaveFile discards its temporary file) and deleted by its name,
    // whatever closing said.
    static void descarta(QFileDevice &archivo);

private:
    enum class Fallo { Ninguno, Lectura, Escritura };
    QIODevice &m_destino;
    qint64 m_escritos = 0;
    Fallo m_fallo = Fallo::Ninguno;
    int m_errorSistema = 0;
};
