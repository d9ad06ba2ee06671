#pragma once

#include <QString>
#include <QTextStream>

#include <optional>

// One line typed on the terminal without echo, after the question written to
// err; nothing when standard input ends.
std::optional<QString> leeSinEco(QTextStream &err, const QString &pregunta);
