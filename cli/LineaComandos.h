#pragma once

#include <QStringList>
#include <QTextStream>

// The command line of the tendal binary: tendal COMANDO [opciones]. Runs
// headless; the system's messages go to stderr with the same texts.
class LineaComandos
{
public:
    // entrada: what the command reads as standard input (passwords given as
    // "-"); nothing: the process's own.
    LineaComandos(QTextStream &out, QTextStream &err, QTextStream *entrada = nullptr);

    // args without the program name. Returns the exit status.
    int ejecuta(QStringList args);

    // True when args name a command (the window is not opened then).
    static bool esComando(const QStringList &args);

private:
    QTextStream &m_out;
    QTextStream &m_err;
    QTextStream *m_entrada;
};
