// Not a test: installs a catalogue update and stops for good after a given
// table, inside the transaction, so that a test can kill it there.
//
//   HijoInstalacion CARPETA_DATOS ACTUALIZACION VERSION TABLA

#include "core/catalogo/InstalacionCatalogo.h"
#include "core/db/Conexion.h"
#include "tests/soporte/Detencion.h"

#include <QCoreApplication>

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
        detenteTrasAnunciar("pausa " + QByteArray::number(tabla));
    };
    instalacion.instala(a[2], a[3].toInt());
    return 0;
}
