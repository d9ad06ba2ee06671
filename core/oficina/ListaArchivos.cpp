#include "core/oficina/ListaArchivos.h"

#include <algorithm>

#include <QHash>
#include <QSet>

ListaArchivos::ListaArchivos(Diario *diario, QStringList titulos, int columnaIcono, QObject *parent)
    : QAbstractTableModel(parent)
    , m_diario(diario)
    , m_titulos(std::move(titulos))
    , m_columnaIcono(columnaIcono)
{
}

QStringList ListaArchivos::normaliza(QStringList celdas) const
{
    celdas.resize(m_titulos.size());
    for (QString &c : celdas)
        if (c.isNull())
            c = QStringLiteral("");
    return celdas;
}

void ListaArchivos::restaura()
{
    if (m_diario)
        muestra(lee());
}

// The rows read from the journal replace the shown ones: rows gone are
// removed, new ones inserted where they stand, changed ones updated; when the
// order itself changed the whole list is shown again.
void ListaArchivos::muestra(const QList<Fila> &filas)
{
    QSet<Clave> nuevas;
    for (const Fila &f : filas)
        nuevas.insert(f.clave);
    for (int i = int(m_filas.size()) - 1; i >= 0; --i)
        if (!nuevas.contains(m_filas[i].clave))
            quitaLocal(i);
    // The rows left must come in the same order among the new ones.
    int j = 0;
    bool enOrden = true;
    for (const Fila &f : m_filas) {
        while (j < filas.size() && !(filas[j].clave == f.clave))
            ++j;
        if (j == filas.size()) {
            enOrden = false;
            break;
        }
        ++j;
    }
    if (!enOrden) {
        beginResetModel();
        m_filas.clear();
        for (const Fila &f : filas)
            m_filas.append({f.clave, normaliza(f.celdas)});
        endResetModel();
        return;
    }
    for (int i = 0; i < filas.size(); ++i) {
        const QStringList celdas = normaliza(filas[i].celdas);
        if (i < m_filas.size() && m_filas[i].clave == filas[i].clave) {
            if (m_filas[i].celdas != celdas)
                cambiaLocal(i, celdas);
            continue;
        }
        beginInsertRows({}, i, i);
        m_filas.insert(i, {filas[i].clave, celdas});
        endInsertRows();
    }
}

int ListaArchivos::posicion(const Clave &clave) const
{
    for (int i = 0; i < m_filas.size(); ++i)
        if (m_filas[i].clave == clave)
            return i;
    return -1;
}

void ListaArchivos::agregaLocal(const Fila &fila)
{
    const int n = int(m_filas.size());
    beginInsertRows({}, n, n);
    m_filas.append({fila.clave, normaliza(fila.celdas)});
    endInsertRows();
}

void ListaArchivos::agregaLocal(const QList<Fila> &filas)
{
    if (filas.isEmpty())
        return;
    const int n = int(m_filas.size());
    beginInsertRows({}, n, n + int(filas.size()) - 1);
    for (const Fila &f : filas)
        m_filas.append({f.clave, normaliza(f.celdas)});
    endInsertRows();
}

void ListaArchivos::cambiaVariasLocal(const QList<std::pair<int, QStringList>> &cambios)
{
    if (cambios.isEmpty())
        return;
    int primera = int(m_filas.size());
    int ultima = -1;
    for (const auto &[i, celdas] : cambios) {
        m_filas[i].celdas = normaliza(celdas);
        primera = std::min(primera, i);
        ultima = std::max(ultima, i);
    }
    emit dataChanged(index(primera, 0), index(ultima, int(m_titulos.size()) - 1));
}

void ListaArchivos::cambiaLocal(int i, const QStringList &celdas)
{
    m_filas[i].celdas = normaliza(celdas);
    emit dataChanged(index(i, 0), index(i, int(m_titulos.size()) - 1));
}

void ListaArchivos::quitaLocal(int i)
{
    beginRemoveRows({}, i, i);
    m_filas.removeAt(i);
    endRemoveRows();
}

void ListaArchivos::quitaVariasLocal(QList<int> filas)
{
    std::sort(filas.begin(), filas.end(), std::greater<int>());
    filas.erase(std::unique(filas.begin(), filas.end()), filas.end());
    // From the last run to the first, so that the rows of the runs still
    // to go keep their numbers.
    for (qsizetype k = 0; k < filas.size();) {
        const int ultima = filas.at(k);
        int primera = ultima;
        while (++k < filas.size() && filas.at(k) == primera - 1)
            --primera;
        beginRemoveRows({}, primera, ultima);
        m_filas.remove(primera, ultima - primera + 1);
        endRemoveRows();
    }
}

void ListaArchivos::vaciaLocal()
{
    beginResetModel();
    m_filas.clear();
    endResetModel();
}

int ListaArchivos::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_filas.size());
}

int ListaArchivos::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_titulos.size());
}

QVariant ListaArchivos::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_filas.size() || index.column() >= m_titulos.size())
        return {};
    const QStringList &f = m_filas[index.row()].celdas;
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
