#include "gui/boletines/TiraBoletin.h"

#include "core/boletines/EstadoBoletin.h"
#include "gui/boletines/Teletipo.h"

#include <QAction>

TiraBoletin::TiraBoletin(EstadoBoletin &estado, QWidget *parent)
    : QToolBar(QStringLiteral("Boletines"), parent)
    , m_teletipo(new Teletipo(this))
{
    setObjectName(QStringLiteral("tiraBoletin"));
    setMovable(false);
    setFloatable(false);
    toggleViewAction()->setVisible(false);
    m_teletipo->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    addWidget(m_teletipo);
    m_teletipo->refleja(estado);
    const auto sigue = [this, &estado] {
        setVisible(estado.encendido());
    };
    connect(&estado, &EstadoBoletin::cambiado, this, sigue);
    sigue();
}
