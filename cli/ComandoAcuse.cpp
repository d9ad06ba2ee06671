#include "cli/Comando.h"
#include "cli/DialogosConsola.h"
#include "core/db/HistorialDiario.h"
#include "core/historial/Acuse.h"
#include "core/oficina/Programa.h"

// tendal acuse NOMBRE: the receipt of the latest upload of a file that the
// server accepted.
int comandoAcuse(Comando &c)
{
    if (c.args.size() != 1 || c.args.first().startsWith(QStringLiteral("--")))
        return c.uso(QStringLiteral("acuse NOMBRE"));
    const QString nombre = c.args.first();

    DialogosConsola dialogos(c.err, c.si);
    const auto abierto = c.abrePrograma(dialogos);
    if (!abierto)
        return 1;
    const auto transmision = HistorialDiario(abierto->conexion()).ultimaAceptada(nombre);
    if (!transmision) {
        c.err << QStringLiteral("No hay registro de que el servidor haya aceptado el archivo %1.").arg(nombre)
              << Qt::endl;
        return 1;
    }
    c.out << Acuse::texto(*transmision);
    return 0;
}
