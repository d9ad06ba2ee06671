#pragma once

#include "core/base/Carpetas.h"

#include <QStringList>
#include <QTextStream>

#include <memory>
#include <optional>

class CicloRecepcion;
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
    QTextStream *entrada = nullptr; // standard input; a test gives its own
    bool escribe = false; // the command changes the office database

    // Takes "--nombre VALOR" out of args; empty when absent. Sets *falta when
    // the option is given without a value.
    QString opcion(const QString &nombre, bool *falta = nullptr);
    // Takes "--nombre" out of args.
    bool bandera(const QString &nombre);
    // Writes "Uso: tendal " + forma on err and gives the exit status of a
    // usage error (2).
    int uso(const QString &forma);
    // A password, never taken from the arguments: valor "-" reads the next
    // line of standard input (a prompt without echo when it is a terminal);
    // an empty valor takes the environment variable, else asks on a
    // terminal, else gives nothing. Any other valor is a password written on
    // the command line, where every user sees it (ps): nothing then, and
    // *rechazada is set.
    std::optional<QString> clave(const QString &valor, const char *variable, const QString &pregunta, bool *rechazada);
    // Starts the program as the window does (Programa::carga) with these
    // places, this clock and the given person at the keyboard. A start that
    // cannot complete prints why on err and gives nothing; so does a command
    // that changes the database when the database is read only.
    std::unique_ptr<Programa> abrePrograma(Dialogos &dialogos);
    // Prints each response the cycle stores (state, name, path) on out, and
    // a reception cut short (a dropped download) on err.
    void informaRecepcion(CicloRecepcion &ciclo);
};

// The refusal of a password written on the command line.
QString claveEnLinea();

// A count in a sentence that agrees with it: uno when n is 1, varios
// otherwise, with %1 replaced by n ("Queda %1 archivo" / "Quedan %1 archivos").
QString concuerda(qsizetype n, const char *uno, const char *varios);

// The commands, each in its own folder.
int comandoInit(Comando &c);
int comandoConfig(Comando &c);
int comandoReporte(Comando &c);
int comandoRecibir(Comando &c);
int comandoEnviar(Comando &c);
int comandoQuitar(Comando &c);
int comandoBoletin(Comando &c);
int comandoCaterr(Comando &c);
int comandoImportarMdb(Comando &c);
int comandoHistorial(Comando &c);
int comandoAcuse(Comando &c);
int comandoMigrar(Comando &c);
