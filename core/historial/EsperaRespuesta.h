#pragma once

#include <QDateTime>
#include <QSet>

class Programa;

// How long a file sent may wait for its responses before it is flagged as
// late: the minutes of espera_respuesta in the configuration (30 when unset).
class EsperaRespuesta
{
public:
    static constexpr int kMinutosPorOmision = 30;

    explicit EsperaRespuesta(Programa &programa);

    int minutos() const;
    // A file the server accepted at aceptado (UTC) and still in the reception
    // list is late once the minutes have passed on the office's clock (the
    // database server's, which recorded aceptado).
    bool demorada(const QDateTime &aceptado) const;
    // The latest moment of acceptance (ms since the epoch) that is late now:
    // worked out once for a whole list (a local time costs a look at the
    // time zone each time it is read).
    qint64 limite() const;
    static bool demorada(const QDateTime &aceptado, qint64 limite)
    {
        return aceptado.isValid() && aceptado.toMSecsSinceEpoch() <= limite;
    }
    // The transmissions of the reception list that are late now.
    QSet<qint64> demoradas() const;
    // The flag's text, as the lists show it.
    QString texto() const;

private:
    Programa &m_programa;
};
