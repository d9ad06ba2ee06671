#pragma once

#include <QString>

class Dialogos;

// The payment-password prompt ("  Contraseña de Validación"): asks until the
// typed text equals the payment password exactly (case counts) or the person
// cancels. A wrong text gets "Contraseña de pago electrónico no válida" and
// the prompt stays with its box emptied; there is no limit on attempts.
class ClaveValidacion
{
public:
    // True when the password was accepted (ClaveAceptada), false when cancelled.
    static bool confirma(Dialogos &dialogos, const QString &clavePago);
};
