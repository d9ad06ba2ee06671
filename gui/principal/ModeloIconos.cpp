#include "gui/principal/ModeloIconos.h"

#include "gui/comun/Iconos.h"
#include "core/oficina/ListaArchivos.h"

ModeloIconos::ModeloIconos(QAbstractItemModel *origen, QObject *parent)
    : QIdentityProxyModel(parent)
{
    setSourceModel(origen);
}

QVariant ModeloIconos::data(const QModelIndex &index, int role) const
{
    if (role == Qt::DecorationRole && index.isValid() && index.column() == 0) {
        const QIcon icono = Iconos::lista(QIdentityProxyModel::data(index, ListaArchivos::RolIcono).toInt());
        return icono.isNull() ? QVariant() : QVariant(icono);
    }
    return QIdentityProxyModel::data(index, role);
}

QVariant ModeloIconos::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && m_titulos.contains(section))
        return m_titulos.value(section);
    return QIdentityProxyModel::headerData(section, orientation, role);
}

void ModeloIconos::ponTitulo(int columna, const QString &titulo)
{
    if (m_titulos.value(columna) == titulo && m_titulos.contains(columna))
        return;
    m_titulos.insert(columna, titulo);
    emit headerDataChanged(Qt::Horizontal, columna, columna);
}
