#include "cli/LineaComandos.h"
#include "core/base/Permisos.h"
#include "core/base/Version.h"
#include "gui/escritorio/Escritorio.h"

#include <QApplication>
#include <QCoreApplication>

#include <cstdio>
#include <memory>

int main(int argc, char *argv[])
{
    Permisos::sinVolcados();
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);

    QCoreApplication::setApplicationName(QStringLiteral("Tendal"));
    QCoreApplication::setApplicationVersion(Version::texto());
    if (LineaComandos::esComando(args)) {
        QCoreApplication app(argc, argv);
        QTextStream out(stdout);
        QTextStream err(stderr);
        return LineaComandos(out, err).ejecuta(args);
    }
    QApplication app(argc, argv);
    return Escritorio::ejecuta(app, args);
}
