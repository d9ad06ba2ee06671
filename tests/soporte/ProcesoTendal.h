#pragma once

#include "core/base/Funciones.h"
#include "tests/soporte/Oficina.h"

#include <QDate>

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#ifndef TENDAL
#error "TENDAL names the program under test (target_compile_definitions in the test's CMakeLists.txt)"
#endif

// One `tendal` program of its own on the office, started with the given
// arguments; the test waits for it with termina().
struct ProcesoTendal {
    QProcess p;

    // desfaseReloj: the program runs as on a workstation whose clock is so
    // many seconds off.
    ProcesoTendal(const Oficina &oficina, const QStringList &argumentos, qint64 desfaseReloj = 0)
    {
        if (desfaseReloj != 0) {
            QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
            entorno.insert(QStringLiteral("TENDAL_DESFASE_RELOJ"), QString::number(desfaseReloj));
            p.setProcessEnvironment(entorno);
        }
        p.setProgram(QStringLiteral(TENDAL));
        p.setArguments(QStringList {QStringLiteral("--ini"), oficina.ini()} + argumentos);
        p.start();
        if (!p.waitForStarted())
            qFatal("no arrancó tendal");
    }

    // What it said on its error output, once termina() returned.
    QString errores;

    // Its exit code; what it said on its error output goes to the test's
    // report when it failed.
    int termina()
    {
        if (!p.waitForFinished(180000))
            qFatal("tendal no terminó");
        errores += QString::fromUtf8(p.readAllStandardError());
        if (p.exitCode() != 0)
            qWarning("%s", qPrintable(errores));
        return p.exitCode();
    }

    QString salida() { return QString::fromUtf8(p.readAllStandardOutput()); }
};

// SAAI M3 file n of today's julian day (M0123001.DDD): the name a `tendal`
// process started now sends, as it takes the day from the machine's clock.
inline QString hoy(int n)
{
    return QStringLiteral("M0123%1.%2")
        .arg(n, 3, 10, QLatin1Char('0'))
        .arg(Funciones::Dia_Juliano(QDate::currentDate()), 3, 10, QLatin1Char('0'));
}
