#pragma once

#include "core/boletines/EstadoBoletin.h"

#include <QCoro/QCoroTask>
#include <QString>

class Conexion;
class Programa;

// The organisation's bulletins: Actualiza_Boletin fetches InfoYEX.txt from
// the update folder with the update account on eftpPrincipal, turns its first
// line into the bulletin line ("Información del " date " a las " time
// " Horas", then " - " and the INFORMACION text of each code) and gives it to
// the ticker's state. Failures are reported here and never reach the caller.
class Boletines
{
public:
    explicit Boletines(Programa &programa);

    EstadoBoletin &estado() { return m_estado; }

    // Boton: the person asked for the refresh; only then are a refused login
    // and a missing connection reported.
    QCoro::Task<> Actualiza_Boletin(bool Boton);
    // The message the last refresh showed for its failure (empty: none).
    // The send that follows the refresh on the same server does not show
    // the same refusal a second time.
    const QString &mensajeMostrado() const { return m_mensajeMostrado; }

    static QString nombreArchivo() { return QStringLiteral("InfoYEX.txt"); }

    // The bulletin line of the file's first line, and the number of bars it
    // held (the fields are closed by "|": date, time, then codes). Throws
    // ErrorTendal for a code that is not a whole number or a failed lookup.
    static QString armaLinea(const QString &primeraLinea, const Conexion &conexion, int *barras);

private:
    Programa &m_programa;
    EstadoBoletin m_estado;
    QString m_mensajeMostrado;
};
