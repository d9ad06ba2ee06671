#include "core/oficina/ListaEnvio.h"

ListaEnvio::ListaEnvio(const Conexion *conexion, QObject *parent)
    : ListaArchivos(
        conexion, QStringLiteral("LISTA_ENVIO"),
        {QStringLiteral("NOMBRE"), QStringLiteral("ESTADO"), QStringLiteral("ICONO"), QStringLiteral("RUTA_PRE"),
         QStringLiteral("RUTA_VAL")},
        {QString(), QString(), QStringLiteral("Icono"), QStringLiteral("RutaPre"), QStringLiteral("RutaVal")}, Icono,
        parent)
{
}

ListaEnvio::Entrada ListaEnvio::entrada(int i) const
{
    const QStringList f = fila(i);
    return {f[Nombre], f[Estado], f[Icono], f[RutaPre], f[RutaVal]};
}

int ListaEnvio::agrega(const Entrada &e)
{
    return agregaFila({e.nombre, e.estado, e.icono, e.rutaPre, e.rutaVal});
}

void ListaEnvio::cambia(int i, const Entrada &e)
{
    cambiaFila(i, {e.nombre, e.estado, e.icono, e.rutaPre, e.rutaVal});
}
