#pragma once

#include <QByteArray>
#include <QString>

// Turns the compressed catalogue the organisation publishes into the file it
// holds. The content decides the container: a zlib stream (what the server
// writes), a gzip file (one or more members) or a bare deflate stream.
//
// The output is written beside the destination under a temporary name and
// renamed only when the stream ended whole and its checksum matched, so a
// corrupt, truncated or oversized input never leaves a file that could be
// taken for the database. Failures throw ErrorTendal with a description in
// plain words (the file name is the caller's to add).
class Descompresor
{
public:
    enum class Formato { Zlib, Gzip, Deflate };

    static constexpr qint64 kLimite = qint64(1) << 30; // 1 GiB

    // The container of a stream that starts with these bytes.
    static Formato detecta(const QByteArray &inicio);

    // Decompresses origen into destino (replacing it). Returns the size written.
    static qint64 descomprime(const QString &origen, const QString &destino, qint64 limite = kLimite);
};
