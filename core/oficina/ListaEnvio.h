#pragma once

#include "core/oficina/ListaArchivos.h"

// The send list (lvwPreVal 0): files waiting to be sent ("E", the journal's
// queue) and the response files received for them ("K" prevalidation, "R"
// validation, the journal's responses). Only the file name is visible.
class ListaEnvio : public ListaArchivos
{
    Q_OBJECT
public:
    enum Columna { Nombre = 0, Estado, Icono, RutaPre, RutaVal, NumColumnas };

    struct Entrada {
        QString nombre;
        QString estado; // "E", "K", "R"
        QString icono; // icon number as text, may be empty
        QString rutaPre;
        QString rutaVal;
        QString ruta {}; // a response: where it is stored (may be empty)
    };

    explicit ListaEnvio(Diario *diario = nullptr, QObject *parent = nullptr);

    Entrada entrada(int i) const;
    // The journal's id of a listed response (0 for a queued name).
    qint64 respuesta(int i) const;
    // A name queued ("E") or a response listed ("K", "R").
    int agrega(const Entrada &e);
    void cambia(int i, const Entrada &e);
    void quita(int i);
    // Empties the list, responses included (they stay in the journal).
    void limpia();

    // After the journal took the queued name (sent or moved by this program).
    void olvida(qint64 cola, qint64 version);
    // After the journal listed a response stored by this program.
    void anadeRespuesta(qint64 id, const Entrada &e, qint64 version);
    // The responses of one change of the journal (a receive tick), shown
    // at the end in one insertion: a view follows it once, not once each.
    void anadeRespuestas(const QList<std::pair<qint64, Entrada>> &respuestas, qint64 version);

    static Clave claveCola(qint64 id) { return {int(Diario::Origen::Cola), id}; }

protected:
    QList<Fila> lee() const override;

private:
    QList<std::pair<Diario::Origen, qint64>> claves(const QList<int> &filas) const;
    QHash<qint64, QString> m_rutas; // response id -> where it is stored
};
