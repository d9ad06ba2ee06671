#pragma once

#include <QString>

// The program-wide values: taken once at start from the configuration record
// and the configuration fields, kept in memory until the program ends.
struct ValoresPrograma {
    QString Servidor; // address of the validation server, "host" or "host:port"
    qint16 NumPatente = 0; // the patente
    QString ClaveFTP; // PassFTP unscrambled, lower case
    QString ClavePago; // PassBan unscrambled; a send may replace it
    QString PideClave = QStringLiteral("N"); // "S": ask the payment password before sending
    qint16 DiaJuliano = 0; // day of the year of the start date
    bool ClaveAceptada = false; // the payment password was accepted in the prompt

    // Server folders, one per PARAMETROS column of the same name.
    QString yex_valin, yex_valout, yex_valresp, yex_pagin, yex_pagout, yex_pagin1, yex_pagout1;
    QString yex_sagin, yex_sagout, yex_apiin, yex_apiout, yex_update;

    // The program-wide copy of a server-folder column (case-insensitive name),
    // or nullptr when the column has none.
    QString *carpetaServidor(const QString &columna);
};
