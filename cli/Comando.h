#pragma once

#include "core/base/Carpetas.h"

#include <QStringList>
#include <QTextStream>

#include <memory>

class Dialogos;
class Programa;
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
    // Writes "Uso: tendal " + forma on err and gives the exit status of a
    // usage error (2).
    int uso(const QString &forma);
    // Starts the program as the window does (Programa::carga) with these
    // places, this clock and the given person at the keyboard. A start that
    // cannot complete prints why on err and gives nothing.
    std::unique_ptr<Programa> abrePrograma(Dialogos &dialogos);
};

// A count in a sentence that agrees with it: uno when n is 1, varios
// otherwise, with %1 replaced by n ("Queda %1 archivo" / "Quedan %1 archivos").
QString concuerda(qsizetype n, const char *uno, const char *varios);

// The commands, each in its own folder.
int comandoInit(Comando &c);
int comandoConfig(Comando &c);
int comandoReporte(Comando &c);
int comandoRecibir(Comando &c);
int comandoEnviar(Comando &c);
int comandoBoletin(Comando &c);
int comandoCaterr(Comando &c);
int comandoImportarMdb(Comando &c);
