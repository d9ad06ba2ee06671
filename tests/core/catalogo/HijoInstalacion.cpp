// Not a test: installs a catalogue update and stops for good after a given
// table, inside the transaction, so that a test can kill it there.
//
//   HijoInstalacion CARPETA_DATOS ACTUALIZACION VERSION TABLA

#include "core/catalogo/InstalacionCatalogo.h"
#include "core/db/Conexion.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() != 5)
        return 2;
    auto conexion = Conexion::abre(a[1]);
    InstalacionCatalogo instalacion(conexion->ruta());
    const int pausa = a[4].toInt();
    instalacion.trasTabla = [pausa](int tabla) {
        if (tabla != pausa)
            return;
        std::printf("pausa %d\n", tabla);
        std::fflush(stdout);
        for (;;)
            QThread::sleep(60);
    };
    instalacion.instala(a[2], a[3].toInt());
    return 0;
}
