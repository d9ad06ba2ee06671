#include "core/base/Permisos.h"
#include "core/base/Version.h"
#include "gui/escritorio/Escritorio.h"

#include <QApplication>

// The desktop program: `tendal` without a command becomes this one.
int main(int argc, char *argv[])
{
    Permisos::sinVolcados();
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);

    QCoreApplication::setApplicationName(QStringLiteral("Tendal"));
    QCoreApplication::setApplicationVersion(Version::texto());
    QApplication app(argc, argv);
    return Escritorio::ejecuta(app, args);
}
