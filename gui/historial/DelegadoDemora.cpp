#include "gui/historial/DelegadoDemora.h"

#include "core/historial/ModeloHistorial.h"

#include <QBrush>

void DelegadoDemora::initStyleOption(QStyleOptionViewItem *opcion, const QModelIndex &indice) const
{
    QStyledItemDelegate::initStyleOption(opcion, indice);
    if (indice.siblingAtColumn(0).data(ModeloHistorial::RolDemorada).toBool()) {
        opcion->font.setBold(true);
        opcion->palette.setBrush(QPalette::Text, QBrush(QColor(0xb7, 0x1c, 0x1c)));
    }
}
