#include "core/oficina/ListaRecepcion.h"

#include <algorithm>

namespace {

QStringList celdasDe(const ListaRecepcion::Entrada &e)
{
    return {e.nombre, e.prev, e.val, e.hora, e.rutaPrev, e.rutaVal, e.archivoPrev, e.archivoVal, e.rutaDest, e.icono};
}

} // namespace

ListaRecepcion::ListaRecepcion(Diario *diario, QObject *parent)
    : ListaArchivos(diario,
                    {QString(), QString(), QString(), QString(), QStringLiteral("RutaPrev"), QStringLiteral("RutaVal"),
                     QStringLiteral("ArchivoPrev"), QStringLiteral("ArchivoVal"), QStringLiteral("RutaDest"),
                     QStringLiteral("Icono")},
                    Icono, parent)
{
}

Diario::FilaRecepcion ListaRecepcion::filaDiario(qint64 id, const Entrada &e)
{
    return {id,        e.nombre,      e.prev,       e.val,      e.hora, e.rutaPrev,
            e.rutaVal, e.archivoPrev, e.archivoVal, e.rutaDest, e.icono};
}

QList<ListaArchivos::Fila> ListaRecepcion::lee() const
{
    QList<Fila> filas;
    for (const Diario::FilaRecepcion &f : diario()->listaRecepcion())
        filas.append({{0, f.id},
                      {f.nombre, f.prev, f.val, f.hora, f.rutaPrev, f.rutaVal, f.archivoPrev, f.archivoVal, f.rutaDest,
                       f.icono}});
    return filas;
}

ListaRecepcion::Entrada ListaRecepcion::entrada(int i) const
{
    const QStringList f = fila(i);
    return {f[Nombre],  f[Prev],        f[Val],        f[Hora],     f[RutaPrev],
            f[RutaVal], f[ArchivoPrev], f[ArchivoVal], f[RutaDest], f[Icono]};
}

int ListaRecepcion::agrega(const Entrada &e)
{
    qint64 id = 0;
    if (Diario *d = diario())
        d->anota(d->agregaRecepcion(filaDiario(0, e), &id));
    else
        id = siguienteId();
    agregaLocal({{0, id}, celdasDe(e)});
    return cuenta() - 1;
}

void ListaRecepcion::cambia(int i, const Entrada &e)
{
    if (Diario *d = diario())
        d->anota(d->cambiaRecepcion(filaDiario(transmision(i), e)));
    cambiaLocal(i, celdasDe(e));
}

void ListaRecepcion::cambiaCelda(int i, int columna, const QString &texto)
{
    QStringList f = fila(i);
    f[columna] = texto;
    Entrada e = entrada(i);
    QString *campos[] = {&e.nombre,  &e.prev,        &e.val,        &e.hora,     &e.rutaPrev,
                         &e.rutaVal, &e.archivoPrev, &e.archivoVal, &e.rutaDest, &e.icono};
    *campos[columna] = texto;
    cambia(i, e);
}

void ListaRecepcion::quita(int i)
{
    quitaVarias({i});
}

void ListaRecepcion::quitaVarias(QList<int> filas)
{
    if (filas.isEmpty())
        return;
    QList<qint64> ids;
    for (int i : filas)
        ids.append(transmision(i));
    if (Diario *d = diario())
        d->anota(d->quitaRecepcion(ids));
    quitaVariasLocal(std::move(filas));
}

void ListaRecepcion::limpia()
{
    QList<qint64> ids;
    for (int i = 0; i < cuenta(); ++i)
        ids.append(transmision(i));
    if (Diario *d = diario())
        d->anota(d->quitaRecepcion(ids));
    vaciaLocal();
}

void ListaRecepcion::anade(qint64 transmision, const Entrada &e, qint64 version)
{
    if (Diario *d = diario())
        d->anota(version);
    agregaLocal({{0, transmision}, celdasDe(e)});
}

void ListaRecepcion::marcaVarias(const QList<std::pair<qint64, int>> &marcas, qint64 version)
{
    if (Diario *d = diario())
        d->anota(version);
    QHash<qint64, int> filas;
    for (int i = 0; i < cuenta(); ++i)
        filas.insert(transmision(i), i);
    QHash<int, QStringList> cambiadas;
    for (const auto &[t, columna] : marcas) {
        const int i = filas.value(t, -1);
        if (i < 0)
            continue;
        auto it = cambiadas.find(i);
        if (it == cambiadas.end())
            it = cambiadas.insert(i, fila(i));
        (*it)[columna] = QStringLiteral("X");
    }
    QList<std::pair<int, QStringList>> lista;
    for (auto it = cambiadas.cbegin(); it != cambiadas.cend(); ++it)
        lista.append({it.key(), it.value()});
    cambiaVariasLocal(lista);
}

void ListaRecepcion::marca(qint64 transmision, int columna, qint64 version)
{
    if (Diario *d = diario())
        d->anota(version);
    const int i = posicionDe(transmision);
    if (i < 0)
        return;
    QStringList f = fila(i);
    f[columna] = QStringLiteral("X");
    cambiaLocal(i, f);
}
