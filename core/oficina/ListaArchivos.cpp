#include "core/oficina/ListaArchivos.h"

#include "core/db/Conexion.h"

ListaArchivos::ListaArchivos(const Conexion *conexion, QString tabla, QStringList columnas, QStringList titulos,
                             int columnaIcono, QObject *parent)
    : QAbstractTableModel(parent)
    , m_conexion(conexion)
    , m_tabla(std::move(tabla))
    , m_columnas(std::move(columnas))
    , m_titulos(std::move(titulos))
    , m_columnaIcono(columnaIcono)
{
}

QStringList ListaArchivos::normaliza(QStringList fila) const
{
    while (fila.size() < m_columnas.size())
        fila.append(QString());
    fila.resize(m_columnas.size());
    return fila;
}

void ListaArchivos::restaura()
{
    if (!m_conexion)
        return;
    QSqlQuery q = m_conexion->ejecuta(
        QStringLiteral("SELECT %1 FROM %2 ORDER BY POSICION").arg(m_columnas.join(QStringLiteral(", ")), m_tabla));
    beginResetModel();
    m_filas.clear();
    while (q.next()) {
        QStringList fila;
        for (int c = 0; c < m_columnas.size(); ++c)
            fila << q.value(c).toString();
        m_filas.append(fila);
    }
    endResetModel();
}

QVariantList ListaArchivos::valoresDe(const QStringList &fila)
{
    QVariantList valores;
    for (const QString &t : fila)
        valores << (t.isNull() ? QStringLiteral("") : t); // a null text would bind as NULL
    return valores;
}

// The whole list, rewritten in one transaction (after a reset or a clean-up
// pass); single changes write their own row only.
void ListaArchivos::guarda()
{
    if (!m_conexion)
        return;
    const QString insercion
        = QStringLiteral("INSERT INTO %1 (POSICION, %2) VALUES (?%3)")
              .arg(m_tabla, m_columnas.join(QStringLiteral(", ")), QStringLiteral(", ?").repeated(m_columnas.size()));
    m_conexion->enTransaccion([&] {
        m_conexion->ejecuta(QStringLiteral("DELETE FROM %1").arg(m_tabla));
        for (int i = 0; i < m_filas.size(); ++i) {
            QVariantList valores {i};
            valores << valoresDe(m_filas[i]);
            m_conexion->ejecuta(insercion, valores);
        }
    });
}

int ListaArchivos::agregaFila(const QStringList &fila)
{
    const int n = int(m_filas.size());
    beginInsertRows({}, n, n);
    m_filas.append(normaliza(fila));
    endInsertRows();
    if (m_conexion) {
        QVariantList valores {n};
        valores << valoresDe(m_filas[n]);
        m_conexion->ejecuta(
            QStringLiteral("INSERT INTO %1 (POSICION, %2) VALUES (?%3)")
                .arg(m_tabla, m_columnas.join(QStringLiteral(", ")), QStringLiteral(", ?").repeated(m_columnas.size())),
            valores);
    }
    return n;
}

void ListaArchivos::cambiaFila(int i, const QStringList &fila)
{
    m_filas[i] = normaliza(fila);
    emit dataChanged(index(i, 0), index(i, int(m_columnas.size()) - 1));
    if (m_conexion) {
        QVariantList valores = valoresDe(m_filas[i]);
        valores << i;
        m_conexion->ejecuta(QStringLiteral("UPDATE %1 SET %2 = ? WHERE POSICION = ?")
                                .arg(m_tabla, m_columnas.join(QStringLiteral(" = ?, "))),
                            valores);
    }
}

void ListaArchivos::cambiaCelda(int i, int columna, const QString &texto)
{
    QStringList f = m_filas.at(i);
    f[columna] = texto;
    cambiaFila(i, f);
}

void ListaArchivos::quita(int i)
{
    beginRemoveRows({}, i, i);
    m_filas.removeAt(i);
    endRemoveRows();
    if (m_conexion)
        m_conexion->enTransaccion([&] {
            m_conexion->ejecuta(QStringLiteral("DELETE FROM %1 WHERE POSICION = ?").arg(m_tabla), {i});
            m_conexion->ejecuta(QStringLiteral("UPDATE %1 SET POSICION = POSICION - 1 WHERE POSICION > ?").arg(m_tabla),
                                {i});
        });
}

void ListaArchivos::limpia()
{
    beginResetModel();
    m_filas.clear();
    endResetModel();
    guarda();
}

void ListaArchivos::depura()
{
    bool cambio = false;
    for (int i = int(m_filas.size()) - 1; i >= 0; --i) {
        if (m_filas[i].value(0).isEmpty()) {
            beginRemoveRows({}, i, i);
            m_filas.removeAt(i);
            endRemoveRows();
            cambio = true;
        }
    }
    if (cambio)
        guarda();
}

int ListaArchivos::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_filas.size());
}

int ListaArchivos::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columnas.size());
}

QVariant ListaArchivos::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_filas.size() || index.column() >= m_columnas.size())
        return {};
    const QStringList &f = m_filas[index.row()];
    if (role == RolIcono) {
        bool ok = false;
        const int n = f.value(m_columnaIcono).toInt(&ok);
        return ok ? n : -1;
    }
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return f.value(index.column());
    return {};
}

QVariant ListaArchivos::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return m_titulos.value(section);
}
