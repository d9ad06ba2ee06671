// The receive tick as the office grows: N files await their validation
// response and half of them complete in one tick, for N = 300 and N = 3,000,
// against the pyftpdlib test server on the loopback interface.
//
// The figure is the cost per completed response (the tick's time divided by
// N / 2). Both sizes are measured in the same run; the goal is the cost at
// 3,000 within 1.2x of the cost at 300: nothing in the tick or the journal
// (finding an entry, marking it, storing the response, the entries leaving
// the list) may grow with the size of the list or of the journal. Each
// round adds N / 2 new files to await, so the journal also grows from round
// to round, as an office's does. A bare session that lists the folder and
// downloads the same responses is printed beside each size (the network's
// share of the cost). Medians and minimums of the rounds are printed.
//
//   banco_crecimiento [RONDAS]

#include "bench/soporte/RecepcionBanco.h"
#include "core/ftp/ControlFtp.h"
#include "core/oficina/Programa.h"
#include "core/recepcion/CicloRecepcion.h"
#include "core/servidor/SesionFtp.h"
#include "tests/soporte/Oficina.h"
#include "tests/soporte/ServidorFtp.h"

#include <QCoreApplication>
#include <QCoro/QCoroTask>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>

namespace {

using namespace RecepcionBanco;

struct Medida {
    double tick = 0; // median ms of a tick
    double tickMin = 0;
    double base = 0; // median ms of the bare session
    double baseMin = 0;
};

// N awaited files, rondas ticks in each of which N / 2 of them complete.
Medida mide(int n, int rondas)
{
    Oficina oficina;
    ServidorFtp servidor;
    servidor.apunta(oficina);
    Programa &p = oficina.carga();
    const QString recepcion = oficina.carpeta(QStringLiteral("val_rec"));
    const int mitad = n / 2;
    // The half that keeps waiting (its responses never come); every name,
    // and so every response name, is different.
    for (int i = 0; i < mitad; ++i)
        p.listaRecepcion().agrega(
            entrada(QStringLiteral("M0123%1.045").arg(i, 5, 10, QLatin1Char('0')), recepcion, true));
    const QByteArray respuesta = RecepcionBanco::respuesta();

    CicloRecepcion ciclo(p);
    QTemporaryDir destinoBase;
    ControlFtp control(QStringLiteral("base"));
    QList<double> ticks, bases;
    for (int r = 0; r <= rondas; ++r) { // round 0 warms up
        // The other half: new files each round (the journal grows), their
        // responses on the server.
        QStringList listas;
        const int primero = 10000 + r * n;
        for (int i = 0; i < n - mitad; ++i) {
            const ListaRecepcion::Entrada e
                = entrada(QStringLiteral("M0123%1.045").arg(primero + i, 5, 10, QLatin1Char('0')), recepcion, true);
            p.listaRecepcion().agrega(e);
            servidor.escribe(kCarpeta + u'/' + e.archivoVal, respuesta);
            listas << e.archivoVal;
        }
        p.listaEnvio().limpia();

        QElapsedTimer t;
        t.start();
        QCoro::waitFor(sesionBase(p, control, listas, destinoBase.path()));
        const double b = double(t.nsecsElapsed()) / 1e6;

        t.start();
        QCoro::waitFor(ciclo.tick());
        const double ms = double(t.nsecsElapsed()) / 1e6;
        if (p.listaEnvio().cuenta() != n - mitad || p.listaRecepcion().cuenta() != mitad)
            qFatal("con %d en espera el tick completó %d respuestas (quedan %d) en vez de %d", n,
                   p.listaEnvio().cuenta(), p.listaRecepcion().cuenta(), n - mitad);
        for (const QString &nombre : std::as_const(listas))
            QFile::remove(servidor.ruta(kCarpeta + u'/' + nombre));
        if (r == 0)
            continue;
        ticks << ms;
        bases << b;
    }
    return {mediana(ticks), minimo(ticks), mediana(bases), minimo(bases)};
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const int rondas = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 3;
    const int tamanos[2] = {300, 3000};
    Medida medidas[2];
    for (int i = 0; i < 2; ++i)
        medidas[i] = mide(tamanos[i], rondas);

    out << QStringLiteral("Tick de recepción con la mitad de N archivos en espera completándose, %1 rondas\n")
               .arg(rondas);
    double porRespuesta[2] = {};
    double porRespuestaMin[2] = {};
    for (int i = 0; i < 2; ++i) {
        const double respuestas = tamanos[i] / 2.0;
        porRespuesta[i] = medidas[i].tick / respuestas;
        porRespuestaMin[i] = medidas[i].tickMin / respuestas;
        out << QStringLiteral("  N = %1: tick mediana %2 ms (mínimo %3 ms) = %4 ms por respuesta (mínimo %5); "
                              "sesión sola %6 ms por respuesta\n")
                   .arg(tamanos[i], 5)
                   .arg(medidas[i].tick, 0, 'f', 1)
                   .arg(medidas[i].tickMin, 0, 'f', 1)
                   .arg(porRespuesta[i], 0, 'f', 2)
                   .arg(porRespuestaMin[i], 0, 'f', 2)
                   .arg(medidas[i].base / respuestas, 0, 'f', 2);
    }
    out << QStringLiteral("  costo por respuesta, 3000 / 300: %1x (medianas), %2x (mínimos); objetivo <= 1.2x\n")
               .arg(porRespuesta[1] / porRespuesta[0], 0, 'f', 2)
               .arg(porRespuestaMin[1] / porRespuestaMin[0], 0, 'f', 2);
    out.flush();
    return 0;
}
