#pragma once

#include <QStringList>

class Dialogos;
class QApplication;

// The desktop program: builds the objects, opens the main window and runs
// the event loop. A start that cannot complete shows why (in a message box
// and on stderr) and ends non-zero.
namespace Escritorio {
int ejecuta(QApplication &app, const QStringList &args);
// The same with another person at the keyboard (tests).
int ejecuta(QApplication &app, const QStringList &args, Dialogos &dialogos);
} // namespace Escritorio
