#include "core/oficina/ListaRecepcion.h"

namespace {

QStringList aFila(const ListaRecepcion::Entrada &e)
{
    return {e.nombre, e.prev, e.val, e.hora, e.rutaPrev, e.rutaVal, e.archivoPrev, e.archivoVal, e.rutaDest, e.icono};
}

} // namespace

ListaRecepcion::ListaRecepcion(const Conexion *conexion, QObject *parent)
    : ListaArchivos(conexion, QStringLiteral("LISTA_RECEPCION"),
                    {QStringLiteral("NOMBRE"), QStringLiteral("PREV"), QStringLiteral("VAL"), QStringLiteral("HORA"),
                     QStringLiteral("RUTA_PREV"), QStringLiteral("RUTA_VAL"), QStringLiteral("ARCHIVO_PREV"),
                     QStringLiteral("ARCHIVO_VAL"), QStringLiteral("RUTA_DEST"), QStringLiteral("ICONO")},
                    {QString(), QString(), QString(), QString(), QStringLiteral("RutaPrev"), QStringLiteral("RutaVal"),
                     QStringLiteral("ArchivoPrev"), QStringLiteral("ArchivoVal"), QStringLiteral("RutaDest"),
                     QStringLiteral("Icono")},
                    Icono, parent)
{
}

ListaRecepcion::Entrada ListaRecepcion::entrada(int i) const
{
    const QStringList f = fila(i);
    return {f[Nombre],  f[Prev],        f[Val],        f[Hora],     f[RutaPrev],
            f[RutaVal], f[ArchivoPrev], f[ArchivoVal], f[RutaDest], f[Icono]};
}

int ListaRecepcion::agrega(const Entrada &e)
{
    return agregaFila(aFila(e));
}

void ListaRecepcion::cambia(int i, const Entrada &e)
{
    cambiaFila(i, aFila(e));
}
