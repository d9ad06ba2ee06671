#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QString>
#include <QStringList>

class Conexion;

// A list view's rows: text columns, column 0 the file name. Every change is
// stored at once in the list's own table (the row it touches, or the whole
// list in one transaction), so that a restart or a crash never forgets an
// entry. The send list and the
// reception list are two such lists with their own columns.
class ListaArchivos : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int RolIcono = Qt::UserRole + 1; // icon number (int, -1 none)

    // tabla: the table that keeps the rows; columnas: its text columns in
    // model order; titulos: the column captions; columnaIcono: the model
    // column that holds the icon number.
    ListaArchivos(const Conexion *conexion, QString tabla, QStringList columnas, QStringList titulos, int columnaIcono,
                  QObject *parent);

    // Reads the stored rows.
    void restaura();

    int cuenta() const { return int(m_filas.size()); }
    QStringList fila(int i) const { return m_filas.at(i); }
    QString celda(int i, int columna) const { return m_filas.at(i).value(columna); }

    int agregaFila(const QStringList &fila);
    void cambiaFila(int i, const QStringList &fila);
    void cambiaCelda(int i, int columna, const QString &texto);
    void quita(int i);
    void limpia();
    // Removes the rows whose name is empty, keeping the order of the others.
    void depura();

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    void guarda();
    static QVariantList valoresDe(const QStringList &fila);
    QStringList normaliza(QStringList fila) const;

    const Conexion *m_conexion;
    QString m_tabla;
    QStringList m_columnas;
    QStringList m_titulos;
    int m_columnaIcono;
    QList<QStringList> m_filas;
};
