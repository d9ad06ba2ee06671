#pragma once

#include <functional>
#include <utility>

// A busy flag held for the life of a scope: set when made, cleared on every
// way out of the scope (a return, an exception, a coroutine destroyed while
// it waits), and told to `aviso` after each change. A flag that stays set
// after its work ended would leave a command, a window or a timer refusing
// work for good.
class Ocupacion
{
public:
    explicit Ocupacion(bool &bandera, std::function<void(bool)> aviso = {})
        : m_bandera(bandera)
        , m_aviso(std::move(aviso))
    {
        m_bandera = true;
        if (m_aviso)
            m_aviso(true);
    }
    ~Ocupacion()
    {
        m_bandera = false;
        if (m_aviso) {
            try {
                m_aviso(false);
            } catch (...) {
                // The flag is clear; a listener's failure cannot undo that.
            }
        }
    }
    Ocupacion(const Ocupacion &) = delete;
    Ocupacion &operator=(const Ocupacion &) = delete;

private:
    bool &m_bandera;
    std::function<void(bool)> m_aviso;
};
