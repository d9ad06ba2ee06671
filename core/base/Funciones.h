#pragma once

#include <QDate>
#include <QString>

// Procedures shared by every window: password scrambling, the julian day and
// file deletion.
namespace Funciones {

// Each character's Windows-1252 code plus its position (from 1) plus 15.
// A code above 255, a character without a code, or a text longer than 254
// characters raises an error.
QString Codifica_Cadena(const QString &texto);
// The inverse; a code below 0 raises an error.
QString Decodifica_Cadena(const QString &texto);

// The program logs in with the FTP password in lower case (as it reads it at
// start). For a password with capitals, the notice that says so where it is
// typed; empty otherwise.
QString avisoClaveFtp(const QString &clave);

// Day of the year: January 1 gives 1.
qint16 Dia_Juliano(const QDate &fecha);

// Deletes the file at ruta, read-only or not; nothing when there is none.
void Borra_Archivo(const QString &ruta);

} // namespace Funciones
