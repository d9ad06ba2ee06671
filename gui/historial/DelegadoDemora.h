#pragma once

#include <QStyledItemDelegate>

// Draws the rows the history flags as late (ModeloHistorial::RolDemorada)
// in bold dark orange, as the reception list draws its late files.
class DelegadoDemora : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *opcion, const QModelIndex &indice) const override;
};
