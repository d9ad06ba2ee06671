#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// Windows-1252 ("ANSI") text: the encoding of every file the system reads or
// writes and of the password scrambling codes. The five undefined bytes
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to U+0081 ... as Windows does.
namespace Ansi {

QChar caracter(unsigned char codigo);
// The byte of a character, or nothing when Windows-1252 has no such character.
std::optional<unsigned char> codigo(QChar c);

QString decodifica(const QByteArray &bytes);
// Characters without a code are written as "?".
QByteArray codifica(const QString &texto);

// Splits text into lines as the system reads them: a line ends at CR or at
// CR LF; a lone LF is part of the line. A last line without CR is a line; an
// empty text has no lines.
QStringList divideLineas(const QByteArray &bytes);

// Reads the lines of a file. Throws ErrorTendal (53 missing, 75 unreadable).
QStringList leeLineas(const QString &ruta);
// First line of a file, or an empty text for an empty file. Throws like leeLineas.
QString leePrimeraLinea(const QString &ruta);

// Writes lines, each ended by CR LF, replacing the file as a whole (written to
// a temporary name and renamed). Throws ErrorTendal (61 disk full, 75, 76).
void escribeLineas(const QString &ruta, const QStringList &lineas, bool privado = false);

} // namespace Ansi
