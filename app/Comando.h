#pragma once

#include "core/Carpetas.h"

#include <QStringList>
#include <QTextStream>

class Dialogos;
class Reloj;

// What one command of the command line gets: its own arguments (global
// options already taken out), the streams, the places and the clock.
struct Comando {
    QStringList args;
    QTextStream &out;
    QTextStream &err;
    Carpetas carpetas;
    Reloj &reloj;
    bool si = false; // --si: questions are answered Yes

    // Takes "--nombre VALOR" out of args; empty when absent. Sets *falta when
    // the option is given without a value.
    QString opcion(const QString &nombre, bool *falta = nullptr);
    // Takes "--nombre" out of args.
    bool bandera(const QString &nombre);
};

// The commands, each in its own folder.
int comandoInit(Comando &c);
int comandoConfig(Comando &c);
int comandoReporte(Comando &c);
int comandoRecibir(Comando &c);
int comandoEnviar(Comando &c);
int comandoBoletin(Comando &c);
int comandoCaterr(Comando &c);
int comandoImportarMdb(Comando &c);
