#pragma once

#include "core/db/Diario.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// A list view's rows: text columns, column 0 the file name, each row a row of
// the office's journal (Diario) known by its origin and id. Every change is
// one transaction of the journal on ids, stored before the view shows it;
// restaura() reads the rows again and shows what other programs on the same
// office changed, touching only the rows that differ. The send list and the
// reception list are two such lists with their own columns.
class ListaArchivos : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int RolIcono = Qt::UserRole + 1; // icon number (int, -1 none)

    // A row of the journal: where it comes from (Diario::Origen for the send
    // list, 0 for the reception list) and its id.
    struct Clave {
        int origen = 0;
        qint64 id = 0;
        bool operator==(const Clave &) const = default;
        friend size_t qHash(const Clave &c, size_t semilla = 0) { return qHashMulti(semilla, c.origen, c.id); }
    };

    // diario: the journal (none: a list kept in memory only); titulos: the
    // column captions; columnaIcono: the model column of the icon number.
    ListaArchivos(Diario *diario, QStringList titulos, int columnaIcono, QObject *parent);

    // Reads the rows from the journal and shows the differences.
    void restaura();

    int cuenta() const { return int(m_filas.size()); }
    QStringList fila(int i) const { return m_filas.at(i).celdas; }
    QString celda(int i, int columna) const { return m_filas.at(i).celdas.value(columna); }
    Clave clave(int i) const { return m_filas.at(i).clave; }
    // Where the row of the journal is now; -1 when the list no longer holds it.
    int posicion(const Clave &clave) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

protected:
    struct Fila {
        Clave clave;
        QStringList celdas;
    };
    // The rows as the journal holds them now.
    virtual QList<Fila> lee() const = 0;

    Diario *diario() const { return m_diario; }
    // After a change of the journal: the row as it is now, shown at the end,
    // changed in place or removed.
    void agregaLocal(const Fila &fila);
    // Several rows at the end, in one insertion.
    void agregaLocal(const QList<Fila> &filas);
    void cambiaLocal(int i, const QStringList &celdas);
    // Several rows changed (row, cells), told as one change of the rows
    // from the first to the last.
    void cambiaVariasLocal(const QList<std::pair<int, QStringList>> &cambios);
    void quitaLocal(int i);
    // Several rows, each run of consecutive rows told as one removal (a
    // tick that completes hundreds of entries does not make the views and
    // the counts answer once per row).
    void quitaVariasLocal(QList<int> filas);
    void vaciaLocal();
    QStringList normaliza(QStringList celdas) const;
    // A key for a list without journal.
    qint64 siguienteId() { return ++m_ultimoId; }

private:
    void muestra(const QList<Fila> &filas);

    Diario *m_diario;
    QStringList m_titulos;
    int m_columnaIcono;
    QList<Fila> m_filas;
    qint64 m_ultimoId = 0;
};
