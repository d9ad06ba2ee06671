#pragma once

#include "core/oficina/ListaArchivos.h"

// The reception list (lvwPreVal 1): files sent whose responses are still
// awaited, the journal's transmissions in the list. The file name and the
// time of sending are visible.
class ListaRecepcion : public ListaArchivos
{
    Q_OBJECT
public:
    enum Columna {
        Nombre = 0,
        Prev,
        Val,
        Hora,
        RutaPrev,
        RutaVal,
        ArchivoPrev,
        ArchivoVal,
        RutaDest,
        Icono,
        NumColumnas
    };

    struct Entrada {
        QString nombre;
        QString prev; // "X" when the prevalidation response is in or none is expected
        QString val; // "X" when the validation response is in
        QString hora; // "hh:mm ampm"
        QString rutaPrev;
        QString rutaVal;
        QString archivoPrev;
        QString archivoVal;
        QString rutaDest;
        QString icono;
    };

    explicit ListaRecepcion(Diario *diario = nullptr, QObject *parent = nullptr);

    Entrada entrada(int i) const;
    // The transmission of the entry in the journal.
    qint64 transmision(int i) const { return clave(i).id; }
    int posicionDe(qint64 transmision) const { return posicion({0, transmision}); }

    // An entry listed without an upload (kept as a moved transmission).
    int agrega(const Entrada &e);
    void cambia(int i, const Entrada &e);
    void cambiaCelda(int i, int columna, const QString &texto);
    void quita(int i);
    // Entries leave the list in one change (the transmissions stay in the journal).
    void quitaVarias(QList<int> filas);
    void limpia();

    // After the journal listed a transmission of this program.
    void anade(qint64 transmision, const Entrada &e, qint64 version);
    // After the journal marked a response of the entry received.
    void marca(qint64 transmision, int columna, qint64 version);
    // The same for the responses of one change of the journal (transmission
    // and column each), shown as one change of the rows they touch.
    void marcaVarias(const QList<std::pair<qint64, int>> &marcas, qint64 version);

    static Diario::FilaRecepcion filaDiario(qint64 id, const Entrada &e);

protected:
    QList<Fila> lee() const override;
};
