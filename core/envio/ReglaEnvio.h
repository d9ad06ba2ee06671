#pragma once

#include "core/oficina/ValoresPrograma.h"

#include <QString>

// How a file is sent, by the first letter of its name (upper-cased): the
// local send folder, the server folder it is uploaded to, the names of the
// responses it expects and the local folder that receives its validation
// response. The rules are a table (ReglaEnvio.cpp); a letter without a row,
// and a payment file without an accepted password, is not sent.
struct ReglaEnvio {
    QChar letra;
    int campoEnvio; // configuration field of the local send folder
    QString ValoresPrograma::*carpetaServidor; // program-wide server folder of the upload
    int campoRecepcion; // configuration field of RutaDest
    bool requiereClave; // only with ClaveAceptada
    QString (*validacion)(const QString &nombre);
    QString (*prevalidacion)(const QString &nombre); // nullptr: no prevalidation response

    // The rule of a file name, or nullptr when it has none.
    static const ReglaEnvio *de(const QString &nombre, bool claveAceptada);

    // The name without its last three characters (a julian name up to and
    // including the point).
    static QString base(const QString &nombre);

    QString archivoVal(const QString &nombre) const { return validacion(nombre); }
    QString archivoPrev(const QString &nombre) const { return prevalidacion ? prevalidacion(nombre) : QString(); }
    bool esperaPrevalidacion() const { return prevalidacion != nullptr; }
};
