#include "gui/comun/TeclaEnter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>

void TeclaEnter::instala()
{
    auto *app = qApp;
    if (!app || app->findChild<TeclaEnter *>(QString(), Qt::FindDirectChildrenOnly))
        return;
    app->installEventFilter(new TeclaEnter(app));
}

bool TeclaEnter::eventFilter(QObject *objeto, QEvent *evento)
{
    if (evento->type() != QEvent::KeyPress)
        return false;
    const auto *tecla = static_cast<QKeyEvent *>(evento);
    if (tecla->key() != Qt::Key_Return && tecla->key() != Qt::Key_Enter)
        return false;
    if (tecla->modifiers() & ~Qt::KeypadModifier)
        return false;
    auto *boton = qobject_cast<QAbstractButton *>(objeto);
    if (!boton || boton->window()->focusWidget() != boton || !boton->isEnabled())
        return false;
    if (auto *pulsador = qobject_cast<QPushButton *>(boton);
        pulsador && (pulsador->autoDefault() || pulsador->isDefault()))
        return false;
    boton->click();
    return true;
}
