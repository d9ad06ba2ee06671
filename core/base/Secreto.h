#pragma once

#include <QByteArray>
#include <QString>

#include <string>

// A password typed by the person, or read from a file that holds one, is
// overwritten where it lies as soon as it is no longer needed, so that no
// later look at the program's memory finds it. Only a buffer that the text
// holds alone is overwritten: one it shares (another copy of the same text
// that is still in use, a literal) is let go untouched. The buffer itself
// stays with the text (emptied, its room kept) until the text goes.
namespace Secreto {

void borra(QString &texto);
void borra(QByteArray &bytes);
void borra(std::string &texto);

} // namespace Secreto
