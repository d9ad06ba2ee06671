#include "cli/LineaComandos.h"
#include "core/base/Permisos.h"
#include "core/base/Version.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include <unistd.h>

namespace {

// The desktop program, tendal-escritorio: beside this program (a build
// folder) or where the installation puts it (TENDAL_ESCRITORIO_RELATIVO,
// from the folder of this program). Empty when it is in neither place.
std::filesystem::path programaEscritorio(const std::filesystem::path &carpeta)
{
    for (const auto &ruta : {carpeta / "tendal-escritorio", carpeta / TENDAL_ESCRITORIO_RELATIVO}) {
        std::error_code fallo;
        if (std::filesystem::is_regular_file(ruta, fallo))
            return ruta;
    }
    return {};
}

// Without a command, this process becomes the desktop program (same
// process, same arguments): the command line never loads the windows'
// libraries. Tendal.ini beside this program keeps its place in the order
// of the start-up file (after --ini and TENDAL_INI).
int abreEscritorio(char *argv[])
{
    std::error_code fallo;
    const std::filesystem::path propio = std::filesystem::read_symlink("/proc/self/exe", fallo);
    const std::filesystem::path carpeta = fallo ? std::filesystem::path(argv[0]).parent_path() : propio.parent_path();
    const std::filesystem::path programa = programaEscritorio(carpeta);
    if (programa.empty()) {
        std::fprintf(stderr, "No se encontró el programa de las ventanas, tendal-escritorio (ni en %s ni en %s)\n",
                     carpeta.c_str(), (carpeta / TENDAL_ESCRITORIO_RELATIVO).lexically_normal().c_str());
        return 1;
    }
    const char *ini = std::getenv("TENDAL_INI");
    if ((!ini || !*ini) && std::filesystem::is_regular_file(carpeta / "Tendal.ini", fallo))
        setenv("TENDAL_INI", (carpeta / "Tendal.ini").c_str(), 1);
    execv(programa.c_str(), argv);
    std::fprintf(stderr, "No se pudo abrir el programa de las ventanas %s: %s\n", programa.c_str(),
                 std::strerror(errno));
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    Permisos::sinVolcados();
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (!LineaComandos::esComando(args))
        return abreEscritorio(argv);

    QCoreApplication::setApplicationName(QStringLiteral("Tendal"));
    QCoreApplication::setApplicationVersion(Version::texto());
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return LineaComandos(out, err).ejecuta(args);
}
