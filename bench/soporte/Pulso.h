#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>

// A 10 ms timer on the calling thread's event loop that keeps the largest
// gap between two of its ticks: how long that thread was held. The
// benchmarks of the window's thread share it.
class Pulso
{
public:
    Pulso()
    {
        m_pulso.setInterval(10);
        m_pulso.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_pulso, &QTimer::timeout, [this] { marca(); });
    }

    void arranca()
    {
        m_reloj.start();
        m_ultimo = 0;
        m_mayor = 0;
        m_pulso.start();
    }

    // Milliseconds since arranca().
    qint64 transcurrido() const { return m_reloj.elapsed(); }

    // Counts the time since the last tick as one more gap (a stall at the
    // very end of the work).
    void cierra() { marca(); }

    // The largest gap between ticks so far.
    qint64 mayorHueco() const { return m_mayor; }

private:
    void marca()
    {
        const qint64 ahora = m_reloj.elapsed();
        m_mayor = std::max(m_mayor, ahora - m_ultimo);
        m_ultimo = ahora;
    }

    QTimer m_pulso;
    QElapsedTimer m_reloj;
    qint64 m_ultimo = 0;
    qint64 m_mayor = 0;
};
