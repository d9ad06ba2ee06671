#pragma once

#include <QCryptographicHash>
#include <QString>

#include <memory>

// The size and SHA-256 of a file's bytes, as the journal records them. Fed
// block by block while a file is copied, or read from a file at once.
class Huella
{
public:
    Huella();
    void agrega(const QByteArray &bloque);
    qint64 tamano() const { return m_tamano; }
    QString sha256() const; // lower-case hexadecimal

    // The print of a file; throws ErrorTendal (75) when it cannot be read.
    static Huella deArchivo(const QString &ruta);

private:
    std::unique_ptr<QCryptographicHash> m_hash;
    qint64 m_tamano = 0;
};
