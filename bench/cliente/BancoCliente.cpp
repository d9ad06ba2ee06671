// The receive tick next to a standard FTP client, on a production daemon
// (vsftpd, tests/soporte/DemonioFtp) on the loopback interface, in the same
// run.
//
// 1. The same receive work both ways: one session, one listing of the
//    server folder (300 names), 10 small downloads. The tick does it with
//    300 files awaiting their validation response, 10 of them ready (and
//    stores, records and lists them); lftp, started as a process for each
//    round, logs in (its password from the environment, never on its
//    command line), lists the folder into a file and downloads the 10
//    names. Rounds taken in turns; medians, minimums and the ratio. Goal:
//    the tick within 1.5x of lftp.
// 2. The cost of asking for responses by name: the same tick where the
//    listing shows the 10 ready responses, against a daemon that hides
//    them from its listings (vsftpd's hide_file), where the tick finds them
//    only by asking for awaited names in turn. Both ticks' medians and
//    their ratio, and how many ticks the hidden ones took to come in.
//
//   banco_cliente [RONDAS]
//   banco_cliente --un-tick    one tick only, between the marks <tick> and
//                              </tick> on stderr: its disk syncs are the
//                              fsync and fdatasync calls between them in
//                              strace -f -e trace=write,fsync,fdatasync

#include "bench/soporte/RecepcionBanco.h"
#include "core/oficina/Programa.h"
#include "core/recepcion/CicloRecepcion.h"
#include "bench/soporte/OlvidaRespuestas.h"
#include "tests/soporte/DemonioFtp.h"
#include "tests/soporte/Oficina.h"

#include <QCoreApplication>
#include <QCoro/QCoroTask>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstring>
#include <memory>

#include <unistd.h>

namespace {

using namespace RecepcionBanco;

constexpr int kArchivos = 300;
constexpr int kListas = 10;
const QString kUsuario = QStringLiteral("ag0123");
const QString kClave = QStringLiteral("secreto");

// One office and one daemon whose folder holds 300 names: the 10 ready
// validation responses and 290 prevalidation responses of other files.
// The office awaits the validation response of 300 files.
class Puesto
{
public:
    explicit Puesto(const DemonioFtp::Ajustes &ajustes)
        : demonio(DemonioFtp::Tipo::Vsftpd, ajustes)
    {
        const QByteArray r = respuesta();
        for (int i = 1; i <= kArchivos; ++i)
            if (i % (kArchivos / kListas) == 0) {
                demonio.escribe(kCarpeta + u'/' + validacion(i), r);
                listas << validacion(i);
            }
        for (int i = kArchivos + 1; i <= 2 * kArchivos - kListas; ++i)
            demonio.escribe(QStringLiteral("%1/k0123%2.045").arg(kCarpeta).arg(i), r);
        demonio.apunta(oficina);
        Programa &p = oficina.carga();
        recepcion = oficina.carpeta(QStringLiteral("val_rec"));
        for (int i = 1; i <= kArchivos; ++i) {
            p.listaRecepcion().agrega(entrada(nombre(i), recepcion, true));
        }
        ciclo = std::make_unique<CicloRecepcion>(p);
    }

    // Back to 300 awaited files and nothing received.
    void reinicia()
    {
        olvidaRespuestas(oficina.programa(), kArchivos);
        QDir(recepcion).removeRecursively();
        QDir().mkpath(recepcion);
    }

    // One tick: its time, and how many responses it received.
    std::pair<double, int> tick()
    {
        const int antes = oficina.programa().listaEnvio().cuenta();
        QElapsedTimer t;
        t.start();
        QCoro::waitFor(ciclo->tick());
        return {double(t.nsecsElapsed()) / 1e6, oficina.programa().listaEnvio().cuenta() - antes};
    }

    Oficina oficina;
    DemonioFtp demonio;
    QString recepcion;
    QStringList listas;
    std::unique_ptr<CicloRecepcion> ciclo;
};

// lftp does the same work: one session, one listing, the 10 downloads.
double lftp(const DemonioFtp &demonio, const QStringList &listas, int esperados)
{
    QTemporaryDir dir;
    const QString destino = dir.filePath(QStringLiteral("destino"));
    const QString listado = dir.filePath(QStringLiteral("listado.txt"));
    QDir().mkpath(destino);
    QStringList rutas;
    for (const QString &n : listas)
        rutas << kCarpeta + u'/' + n;
    const QString guion = QStringLiteral("set cmd:fail-exit yes\n"
                                         "set ftp:ssl-allow no\n"
                                         "set ftp:passive-mode yes\n"
                                         "set net:max-retries 1\n"
                                         "set xfer:clobber yes\n"
                                         "open --env-password -u %1 -p %2 127.0.0.1\n"
                                         "nlist %3 > %4\n"
                                         "get -O %5 %6\n")
                              .arg(kUsuario)
                              .arg(demonio.puerto())
                              .arg(kCarpeta, listado, destino, rutas.join(u' '));
    const QString archivoGuion = dir.filePath(QStringLiteral("guion.lftp"));
    {
        QFile f(archivoGuion);
        if (!f.open(QIODevice::WriteOnly) || f.write(guion.toUtf8()) < 0)
            qFatal("no se pudo escribir el guion de lftp");
    }
    QProcess proceso;
    QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
    entorno.insert(QStringLiteral("LFTP_PASSWORD"), kClave);
    entorno.insert(QStringLiteral("HOME"), dir.path()); // no rc file of the person
    proceso.setProcessEnvironment(entorno);
    proceso.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer t;
    t.start();
    proceso.start(QStringLiteral("lftp"), {QStringLiteral("-f"), archivoGuion});
    if (!proceso.waitForFinished(60000) || proceso.exitStatus() != QProcess::NormalExit || proceso.exitCode() != 0)
        qFatal("lftp falló (%d)", proceso.exitCode());
    const double ms = double(t.nsecsElapsed()) / 1e6;
    QFile l(listado);
    if (!l.open(QIODevice::ReadOnly) || l.readAll().count('\n') != esperados)
        qFatal("lftp no listó los %d nombres", esperados);
    if (QDir(destino).entryList(QDir::Files).size() != listas.size())
        qFatal("lftp no descargó las %d respuestas", int(listas.size()));
    return ms;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const bool unTick = argc > 1 && QByteArray(argv[1]) == "--un-tick";
    const int rondas = argc > 1 && !unTick ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 7;
    if (const QString no = DemonioFtp::noDisponible(DemonioFtp::Tipo::Vsftpd); !no.isEmpty())
        qFatal("%s", qPrintable(no));

    Puesto visible({});
    if (unTick) {
        visible.reinicia();
        // Marks around the tick, for a trace of its system calls.
        const auto marca = [](const char *texto) {
            if (::write(2, texto, std::strlen(texto)) < 0)
                qWarning("no se pudo escribir la marca");
        };
        marca("<tick>\n");
        const auto [ms, recibidas] = visible.tick();
        marca("</tick>\n");
        out << QStringLiteral("Un tick: %1 ms, %2 respuestas recibidas\n").arg(ms, 0, 'f', 1).arg(recibidas);
        return recibidas == kListas ? 0 : 1;
    }

    // 1. The tick and lftp, in turns.
    QList<double> ticks, clientes;
    visible.reinicia();
    visible.tick(); // warm-up
    lftp(visible.demonio, visible.listas, kArchivos);
    for (int r = 0; r < rondas; ++r) {
        clientes << lftp(visible.demonio, visible.listas, kArchivos);
        visible.reinicia();
        // Marks around the tick, for a trace of its system calls.
        const auto marca = [](const char *texto) {
            if (::write(2, texto, std::strlen(texto)) < 0)
                qWarning("no se pudo escribir la marca");
        };
        marca("<tick>\n");
        const auto [ms, recibidas] = visible.tick();
        marca("</tick>\n");
        if (recibidas != kListas)
            qFatal("el tick recibió %d respuestas en vez de %d", recibidas, kListas);
        ticks << ms;
    }

    // 2. The listing hides the responses: they come by name, in turns.
    DemonioFtp::Ajustes ocultos;
    ocultos.ocultos = QStringLiteral("{*.err}");
    Puesto oculto(ocultos);
    QList<double> ticksOcultos, ticksVisibles;
    QList<int> cuantosTicks;
    QList<double> totalesOcultos;
    for (int r = 0; r < std::min(rondas, 3); ++r) {
        visible.reinicia();
        ticksVisibles << visible.tick().first;
        oculto.reinicia();
        int recibidas = 0;
        int n = 0;
        double total = 0;
        while (recibidas < kListas && n < kArchivos) {
            const auto [ms, nuevas] = oculto.tick();
            ticksOcultos << ms;
            total += ms;
            recibidas += nuevas;
            ++n;
        }
        if (recibidas != kListas)
            qFatal("con el listado oculto llegaron %d respuestas de %d", recibidas, kListas);
        cuantosTicks << n;
        totalesOcultos << total;
    }

    const double tick = mediana(ticks);
    const double cliente = mediana(clientes);
    out << QStringLiteral("Recepción en vsftpd: una sesión, un listado de %1 nombres, %2 descargas; %3 rondas\n")
               .arg(kArchivos)
               .arg(kListas)
               .arg(rondas);
    out << QStringLiteral("  lftp (proceso):  mediana %1 ms, mínimo %2 ms\n")
               .arg(cliente, 0, 'f', 1)
               .arg(minimo(clientes), 0, 'f', 1);
    out << QStringLiteral("  tick:            mediana %1 ms, mínimo %2 ms\n")
               .arg(tick, 0, 'f', 1)
               .arg(minimo(ticks), 0, 'f', 1);
    out << QStringLiteral("  tick / lftp: %1x (medianas), %2x (mínimos); objetivo <= 1.5x\n")
               .arg(tick / cliente, 0, 'f', 2)
               .arg(minimo(ticks) / minimo(clientes), 0, 'f', 2);
    const double vis = mediana(ticksVisibles);
    const double ocu = mediana(ticksOcultos);
    out << QStringLiteral("Respuestas pedidas por nombre (%1 en espera, %2 listas)\n").arg(kArchivos).arg(kListas);
    out << QStringLiteral("  el listado las muestra: tick mediana %1 ms (las %2 en un tick)\n")
               .arg(vis, 0, 'f', 1)
               .arg(kListas);
    out << QStringLiteral("  el listado las oculta:  tick mediana %1 ms; %2 ticks y %3 ms de ticks hasta recibir "
                          "las %4 (medianas)\n")
               .arg(ocu, 0, 'f', 1)
               .arg(mediana(QList<double>(cuantosTicks.begin(), cuantosTicks.end())), 0, 'f', 0)
               .arg(mediana(totalesOcultos), 0, 'f', 0)
               .arg(kListas);
    out << QStringLiteral("  oculto / visible, por tick: %1x\n").arg(ocu / vis, 0, 'f', 2);
    out.flush();
    return 0;
}
