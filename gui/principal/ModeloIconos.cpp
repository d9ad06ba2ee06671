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
