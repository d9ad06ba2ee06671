#include "core/archivos/ArchivosAgencia.h"

ArchivosAgencia::ArchivosAgencia(QObject *parent)
    : QAbstractListModel(parent)
{
}

void ArchivosAgencia::llena(const QStringList &nombres)
{
    beginResetModel();
    m_nombres = nombres;
    endResetModel();
}

int ArchivosAgencia::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_nombres.size());
}

QVariant ArchivosAgencia::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_nombres.size() || index.column() != 0)
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return m_nombres.at(index.row());
    return {};
}
