#include "gui/historial/DelegadoDemora.h"

#include "core/historial/ModeloHistorial.h"
#include "gui/comun/ColoresLista.h"

#include <QBrush>

void DelegadoDemora::initStyleOption(QStyleOptionViewItem *opcion, const QModelIndex &indice) const
{
    QStyledItemDelegate::initStyleOption(opcion, indice);
    if (indice.siblingAtColumn(0).data(ModeloHistorial::RolDemorada).toBool()) {
        opcion->font.setBold(true);
        opcion->palette.setBrush(QPalette::Text, QBrush(ColoresLista::demorada()));
    }
}
