#include "cli/Comando.h"
#include "core/base/ErrorTendal.h"
#include "core/db/Conexion.h"
#include "core/db/Migracion.h"

#include <QDir>

// tendal migrar DIRECCION: copies the office database named by the start-up
// file (its Prevalida.db) to a PostgreSQL database, in one transaction, and
// prints one line per table with its rows. The file is only read; the
// start-up file is not changed (each workstation's is pointed at the server
// when the office moves).
int comandoMigrar(Comando &c)
{
    if (c.args.size() != 1)
        return c.uso(QStringLiteral("migrar DIRECCION"));
    const QString direccion = c.args.first();
    try {
        if (!Conexion::esServidor(direccion))
            throw ErrorTendal(ErrorTendal::BaseDeDatos,
                              QStringLiteral("%1 no es la dirección de un servidor de base de datos: se escribe "
                                             "postgresql://usuario@servidor:puerto/base")
                                  .arg(direccion));
        const QString carpeta = c.carpetas.carpetaBaseDatos();
        if (Conexion::esServidor(carpeta))
            throw ErrorTendal(
                ErrorTendal::BaseDeDatos,
                QStringLiteral("La oficina ya está en el servidor %1: no hay archivo que copiar").arg(carpeta));
        const auto origen = Conexion::abre(carpeta);
        const auto destino = Conexion::crea(direccion);
        const auto tablas = Migracion::copia(*origen, *destino);
        for (const auto &t : tablas)
            c.out << t.nombre << QStringLiteral(": ") << concuerda(t.filas, "%1 fila", "%1 filas") << Qt::endl;
        c.out << QStringLiteral("Oficina copiada de %1 a %2. Para usarla, la primera línea de Tendal.ini de cada "
                                "equipo debe ser: DATOS = %2")
                     .arg(QDir::toNativeSeparators(origen->ruta()), direccion)
              << Qt::endl;
    } catch (const ErrorTendal &e) {
        c.err << e.descripcion() << Qt::endl;
        return 1;
    }
    return 0;
}
