#pragma once

#include <QIdentityProxyModel>

// A list model as a list view shows it: the icon number of each row
// (ListaArchivos::RolIcono) drawn as its small icon beside the file name.
class ModeloIconos : public QIdentityProxyModel
{
    Q_OBJECT
public:
    explicit ModeloIconos(QAbstractItemModel *origen, QObject *parent = nullptr);

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
};
