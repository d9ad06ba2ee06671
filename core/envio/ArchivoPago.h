#pragma once

#include <QString>

// The payment-password file of the broker, "cfps" + the patente as "0000" +
// ".rgs", kept on the server in "/update". One line: the flag PideClave
// ("S" ask the payment password before sending, "N" do not), then the
// payment password scrambled with Codifica_Cadena. The password change
// writes it; every send command reads it.
class ArchivoPago
{
public:
    static QString nombre(qint16 patente);
    static QString carpetaServidor() { return QStringLiteral("/update"); }

    // The line for a flag and a password in clear. Throws ErrorTendal when the
    // password cannot be scrambled.
    static QString linea(const QString &pideClave, const QString &clave);

    // The flag (the first character, empty for an empty line) and the password
    // in clear. Throws ErrorTendal when the rest cannot be unscrambled.
    static QString bandera(const QString &linea) { return linea.left(1); }
    static QString clave(const QString &linea);
};
