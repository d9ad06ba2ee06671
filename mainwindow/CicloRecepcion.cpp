#include "mainwindow/CicloRecepcion.h"

#include "core/Programa.h"

// Timer handling of the receive cycle; the tick itself comes with the
// receiving work.
CicloRecepcion::CicloRecepcion(Programa &programa, QObject *parent)
    : QObject(parent)
    , m_programa(programa)
{
    m_tmrPreVal.setInterval(2000);
}

CicloRecepcion::~CicloRecepcion() = default;

void CicloRecepcion::habilita()
{
    if (!m_tmrPreVal.isActive()) {
        m_tmrPreVal.start();
        emit estadoCambiado(true);
    }
}

void CicloRecepcion::deshabilita()
{
    if (m_tmrPreVal.isActive()) {
        m_tmrPreVal.stop();
        emit estadoCambiado(false);
    }
}

bool CicloRecepcion::habilitado() const
{
    return m_tmrPreVal.isActive();
}

int CicloRecepcion::intervalo() const
{
    return m_tmrPreVal.interval();
}

QCoro::Task<> CicloRecepcion::tick()
{
    m_tmrPreVal.setInterval(5000);
    emit tickTerminado();
    co_return;
}
