#pragma once

#include <QObject>

// Enter on a focused button presses it, in every window of the program, as
// Space does. A push button that is a dialog's default (or auto-default)
// already reacts to Enter itself and is left alone; Enter in a text box
// keeps what each window makes of it (the password boxes move on).
class TeclaEnter : public QObject
{
    Q_OBJECT
public:
    // Installs the one filter on the application; harmless when it is there.
    static void instala();

protected:
    bool eventFilter(QObject *objeto, QEvent *evento) override;

private:
    using QObject::QObject;
};
