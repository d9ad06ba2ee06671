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

class RelojSistema : public Reloj
{
public:
    QDateTime ahora() const override { return QDateTime::currentDateTime(); }
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
