#pragma once

#include "cli/LineaComandos.h"
#include "tests/soporte/Oficina.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

// What a `tendal` command run in the test's own process said: its exit code
// and its two streams. For tests linked with the command line (LINEA).
struct SalidaComando {
    int estado = 0;
    QString out;
    QString err;
};

// The command with these arguments, as typed.
inline SalidaComando tendalEnProceso(const QStringList &argumentos)
{
    SalidaComando s;
    QTextStream out(&s.out);
    QTextStream err(&s.err);
    s.estado = LineaComandos(out, err).ejecuta(argumentos);
    out.flush();
    err.flush();
    return s;
}

// The command on the office: its start-up file and work folder come first.
inline SalidaComando tendalEnProceso(const Oficina &oficina, const QStringList &argumentos)
{
    return tendalEnProceso(
        QStringList {QStringLiteral("--ini"), oficina.ini(), QStringLiteral("--workdir"), oficina.trabajo()}
        + argumentos);
}
