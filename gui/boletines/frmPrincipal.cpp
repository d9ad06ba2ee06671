#include "gui/boletines/frmPrincipal.h"

#include "gui/boletines/Teletipo.h"
#include "core/base/Dialogos.h"

#include <QVBoxLayout>

frmPrincipal::frmPrincipal(EstadoBoletin &estado, QWidget *parent)
    : QWidget(parent)
    , m_nwstBoletines(new Teletipo(this))
{
    setWindowTitle(Dialogos::nombreProducto());
    auto *caja = new QVBoxLayout(this);
    caja->setContentsMargins(0, 0, 0, 0);
    caja->addWidget(m_nwstBoletines);
    m_nwstBoletines->refleja(estado);
    hide();
}
