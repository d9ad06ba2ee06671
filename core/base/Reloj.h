#pragma once

#include <QDateTime>

// "Today" and the time as the system sees them. The program uses the
// machine's clock; tests pin the date.
class Reloj
{
public:
    virtual ~Reloj() = default;
    virtual QDateTime ahora() const = 0;
    QDate hoy() const { return ahora().date(); }
};

// The machine's clock. TENDAL_DESFASE_RELOJ (seconds, may be negative) runs
// the program as on a workstation whose clock is that far off: what the
// office records must not depend on it.
class RelojSistema : public Reloj
{
public:
    QDateTime ahora() const override { return QDateTime::currentDateTime().addSecs(desfase()); }

private:
    static qint64 desfase()
    {
        static const qint64 segundos = qEnvironmentVariableIntValue("TENDAL_DESFASE_RELOJ");
        return segundos;
    }
};

class RelojFijo : public Reloj
{
public:
    explicit RelojFijo(QDateTime momento)
        : m_momento(std::move(momento))
    {
    }
    QDateTime ahora() const override { return m_momento; }
    void fija(const QDateTime &momento) { m_momento = momento; }

private:
    QDateTime m_momento;
};
