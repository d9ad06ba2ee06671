#pragma once

#include <QStringList>

class QApplication;

// The desktop program: builds the objects, opens the main window and runs
// the event loop. A start that cannot complete shows why and ends non-zero.
namespace Escritorio {
int ejecuta(QApplication &app, const QStringList &args);
}
