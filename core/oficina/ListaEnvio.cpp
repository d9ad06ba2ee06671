#include "core/oficina/ListaEnvio.h"

namespace {

QStringList celdasDe(const ListaEnvio::Entrada &e)
{
    return {e.nombre, e.estado, e.icono, e.rutaPre, e.rutaVal};
}

Diario::FilaEnvio filaDiario(const ListaArchivos::Clave &clave, const ListaEnvio::Entrada &e)
{
    return {Diario::Origen(clave.origen), clave.id, e.nombre, e.estado, e.icono, e.rutaPre, e.rutaVal, e.ruta};
}

} // namespace

ListaEnvio::ListaEnvio(Diario *diario, QObject *parent)
    : ListaArchivos(
        diario, {QString(), QString(), QStringLiteral("Icono"), QStringLiteral("RutaPre"), QStringLiteral("RutaVal")},
        Icono, parent)
{
}

QList<ListaArchivos::Fila> ListaEnvio::lee() const
{
    QList<Fila> filas;
    auto &rutas = const_cast<QHash<qint64, QString> &>(m_rutas);
    for (const Diario::FilaEnvio &f : diario()->listaEnvio()) {
        filas.append({{int(f.origen), f.id}, {f.nombre, f.estado, f.icono, f.rutaPre, f.rutaVal}});
        if (f.origen == Diario::Origen::Respuesta)
            rutas.insert(f.id, f.ruta);
    }
    return filas;
}

ListaEnvio::Entrada ListaEnvio::entrada(int i) const
{
    const QStringList f = fila(i);
    const Clave c = clave(i);
    return {f[Nombre],  f[Estado],  f[Icono],
            f[RutaPre], f[RutaVal], c.origen == int(Diario::Origen::Respuesta) ? m_rutas.value(c.id) : QString()};
}

qint64 ListaEnvio::respuesta(int i) const
{
    const Clave c = clave(i);
    return c.origen == int(Diario::Origen::Respuesta) ? c.id : 0;
}

int ListaEnvio::agrega(const Entrada &e)
{
    const bool enCola = e.estado == u"E";
    const Diario::Origen origen = enCola ? Diario::Origen::Cola : Diario::Origen::Respuesta;
    qint64 id = 0;
    if (Diario *d = diario()) {
        const Diario::FilaEnvio f = filaDiario({int(origen), 0}, e);
        d->anota(enCola ? d->encola(f, &id) : d->listaRespuesta(f, &id));
    } else {
        id = siguienteId();
    }
    if (!enCola)
        m_rutas.insert(id, e.ruta);
    agregaLocal({{int(origen), id}, celdasDe(e)});
    return cuenta() - 1;
}

void ListaEnvio::cambia(int i, const Entrada &e)
{
    if (Diario *d = diario())
        d->anota(d->cambiaEnvio(filaDiario(clave(i), e)));
    cambiaLocal(i, celdasDe(e));
}

QList<std::pair<Diario::Origen, qint64>> ListaEnvio::claves(const QList<int> &filas) const
{
    QList<std::pair<Diario::Origen, qint64>> c;
    for (int i : filas)
        c.append({Diario::Origen(clave(i).origen), clave(i).id});
    return c;
}

void ListaEnvio::quita(int i)
{
    if (Diario *d = diario())
        d->anota(d->quitaEnvio(claves({i})));
    quitaLocal(i);
}

void ListaEnvio::limpia()
{
    QList<int> todas;
    for (int i = 0; i < cuenta(); ++i)
        todas.append(i);
    if (Diario *d = diario())
        d->anota(d->quitaEnvio(claves(todas)));
    vaciaLocal();
}

void ListaEnvio::olvida(qint64 cola, qint64 version)
{
    if (Diario *d = diario())
        d->anota(version);
    const int i = posicion(claveCola(cola));
    if (i >= 0)
        quitaLocal(i);
}

void ListaEnvio::anadeRespuestas(const QList<std::pair<qint64, Entrada>> &respuestas, qint64 version)
{
    if (Diario *d = diario())
        d->anota(version);
    QList<Fila> filas;
    filas.reserve(respuestas.size());
    for (const auto &[id, e] : respuestas) {
        m_rutas.insert(id, e.ruta);
        filas.append({{int(Diario::Origen::Respuesta), id}, celdasDe(e)});
    }
    agregaLocal(filas);
}

void ListaEnvio::anadeRespuesta(qint64 id, const Entrada &e, qint64 version)
{
    if (Diario *d = diario())
        d->anota(version);
    m_rutas.insert(id, e.ruta);
    agregaLocal({{int(Diario::Origen::Respuesta), id}, celdasDe(e)});
}
