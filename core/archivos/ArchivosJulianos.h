#pragma once

#include <QString>

// The rules of julian file names that the lists use: by the first letter of
// a name (upper-cased), the folder a typed name is looked for in, the icon
// number of its list entry and the server folders of its responses.
namespace ArchivosJulianos {

// The configuration field of the send folder where a typed name with this
// first letter is looked for: 5 for "M", "C", "D"; 9 for "E"; 11 for "S".
// -1 for any other letter ("P" included): such a name is never found.
int campoCarpeta(QChar letra);

// Icon number by the first letter: 2 for "M", "C", "D"; 8 for "S"; 13 for
// "P"; -1 (none) for "E", whose icon comes from its bank code, and for any
// other letter.
int iconoLetra(QChar letra);

// Icon of a payment file by the bank code: the first five characters of its
// first line. 12 for 40021, 3 for 40002, 4 for 40072, 7 for 40014, 5 for
// 40012; 10 for any other code, also when the line does not begin with five
// digits or the file cannot be read.
int iconoBanco(const QString &ruta);
// The same rule on the first line itself.
int iconoCodigoBanco(const QString &primeraLinea);

// Server folder of the responses to a file: tipo 1 the prevalidation
// response, 2 the validation response. "/ag" + characters 2 to 5 of the
// name for "M", "C", "D", "T", "P"; "/yexout" for "E", "B"; for "S" nothing
// (tipo 1) or "/sagarpaout" (tipo 2); nothing for any other letter.
QString Ruta_Respuesta(int tipo, const QString &nombre);

// First character of a name, upper-cased (a null character for an empty name).
QChar letra(const QString &nombre);

} // namespace ArchivosJulianos
