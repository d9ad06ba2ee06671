#pragma once

#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>

// The conversions and formats of the language the system was first written
// in, as the rules of the system rely on them. Failures throw ErrorTendal
// with number 13 (type mismatch) or 6 (overflow).
namespace Vb {

// Whole number of 16 bits: blanks around the text are ignored, a decimal part
// is rounded half to even; text that is not a number raises 13, a value
// outside -32768..32767 raises 6.
qint16 entero(const QString &texto);
// Whole number of 32 bits, with the same rules.
qint32 largo(const QString &texto);
// True when entero/largo would accept the text as a number (any size).
bool esNumerico(const QString &texto);

// Number with at least as many digits as the pattern has zeros ("0000", "000").
QString formato(qint64 numero, const QString &patron);

// "hh:mm:ss ampm" and "hh:mm ampm": 12-hour clock with two-digit hours,
// a blank and the locale's morning or afternoon designator.
QString horaAmPm(const QTime &hora, bool conSegundos, const QLocale &locale = QLocale());

// A date text of the organisation's files: dd/MM/yyyy, d/M/yyyy or
// yyyy-MM-dd. An invalid QDate when it is none of them.
QDate fecha(const QString &texto);

} // namespace Vb
