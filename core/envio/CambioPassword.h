#pragma once

#include <QCoro/QCoroTask>
#include <QString>

class Dialogos;
class Programa;

// The change of the payment (validation) password behind the window
// frmCambPassword. A change is stored in PassBan, becomes ClavePago and is
// published to the server in the payment-password file (flag PideClave +
// the new password scrambled) through eftpPrincipal with the broker's
// account. When the publication fails the failure is reported and the
// previous PassBan and ClavePago come back, so that the stored password and
// the server's file never disagree.
class CambioPassword
{
public:
    explicit CambioPassword(Programa &programa);

    // "Aceptar": true when the password was changed (the window hides), false
    // when the window stays open with its texts.
    QCoro::Task<bool> Acepta(QString actual, QString nueva, QString confirmacion);
    // The person the change talks to.
    Dialogos &dialogos();

private:
    QCoro::Task<bool> publica(QString nueva);

    Programa &m_programa;
};
