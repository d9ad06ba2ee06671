#pragma once

#include <QByteArray>
#include <QString>

class QIODevice;

// Reads a Windows-1252 text file line by line, in blocks, without holding
// the whole file: a line ends at CR or at CR LF, a lone LF is part of the
// line, a last line without CR is a line, an empty file has no lines. The
// line text is decoded into the caller's string, whose memory is reused from
// line to line.
class LectorLineas
{
public:
    // The longest line accepted, in characters; a longer one is an error
    // rather than a way to exhaust memory.
    static constexpr qsizetype kLargoMaximo = qsizetype(32) * 1024 * 1024;

    explicit LectorLineas(QIODevice &dispositivo, qsizetype largoMaximo = kLargoMaximo);

    // The next line into `linea`; false at the end of the file. Throws
    // ErrorTendal (75) on a read error or a line longer than the maximum.
    bool siguiente(QString &linea);
    // Number of the line last returned (from 1).
    qint64 numero() const { return m_numero; }

private:
    bool llena();
    void entrega(qsizetype fin, QString &linea);

    QIODevice &m_dispositivo;
    qsizetype m_largoMaximo;
    QByteArray m_bloque;
    qsizetype m_inicio = 0;
    bool m_fin = false;
    bool m_saltaLf = false;
    qint64 m_numero = 0;
};
