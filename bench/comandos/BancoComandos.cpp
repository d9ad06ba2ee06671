// Whole commands as a person runs them, as processes, next to standard
// clients doing the same work, in the same run, in turns (medians of the
// pairs and their ratios):
//
// 1. `tendal --version` against a bare Qt Core program (banco_qt_minimo):
//    the command line's start. Goal: within 1.5x.
// 2. `tendal recibir --espera 0` with 300 files awaiting their validation
//    response and 10 ready, against an lftp script that logs in, lists the
//    folder and downloads the 10, on vsftpd, proftpd and pure-ftpd (each
//    started by the benchmark as a process of its own, tests/soporte/
//    DemonioFtp). Goal: within 1.5x of lftp on each.
// 3. `tendal enviar NAME --sin-espera --si` of a 100 MB file against
//    `lftp put` and `curl -T` on vsftpd. Goal: within 1.5x of curl.
//
// The passwords go to lftp and curl through the environment and a netrc
// file, never on a command line.
//
//   banco_comandos [PARES]     7 by default
//
// TENDAL_BANCO_PROGRAMA names another `tendal` to measure (an earlier
// build, for a table before and after).

#include "bench/soporte/OlvidaRespuestas.h"
#include "bench/soporte/RecepcionBanco.h"
#include "core/base/Funciones.h"
#include "core/oficina/ListaRecepcion.h"
#include "core/oficina/Programa.h"
#include "tests/soporte/DemonioFtp.h"
#include "tests/soporte/Oficina.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <memory>

#include <unistd.h>

namespace {

using namespace RecepcionBanco;

constexpr int kArchivos = 300;
constexpr int kListas = 10;
constexpr qint64 kMegas = 100;
const QString kUsuario = QStringLiteral("ag0123");
const QString kClave = QStringLiteral("secreto");

// Runs a program to its end: its time in ms. A failure stops the benchmark
// with what the program said, unless it may end with a status other than 0.
double corre(const QString &programa, const QStringList &args, const QProcessEnvironment &entorno = {},
             bool exigeCero = true)
{
    QProcess p;
    if (!entorno.isEmpty())
        p.setProcessEnvironment(entorno);
    p.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer t;
    t.start();
    p.start(programa, args);
    if (!p.waitForFinished(600000) || p.exitStatus() != QProcess::NormalExit || (exigeCero && p.exitCode() != 0))
        qFatal("%s %s falló (%d): %s", qPrintable(programa), qPrintable(args.join(u' ')), p.exitCode(),
               p.readAllStandardError().constData());
    const double ms = double(t.nsecsElapsed()) / 1e6;
    p.readAllStandardError();
    return ms;
}

QString programa()
{
    const QString otro = qEnvironmentVariable("TENDAL_BANCO_PROGRAMA");
    return otro.isEmpty() ? QStringLiteral(TENDAL) : otro;
}

QString escribe(const QString &ruta, const QByteArray &texto)
{
    QFile f(ruta);
    if (!f.open(QIODevice::WriteOnly) || f.write(texto) != texto.size())
        qFatal("no se pudo escribir %s", qPrintable(ruta));
    f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return ruta;
}

// lftp with its password in the environment and no rc file of the person.
QProcessEnvironment entornoLftp(const QString &casa)
{
    QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
    entorno.insert(QStringLiteral("LFTP_PASSWORD"), kClave);
    entorno.insert(QStringLiteral("HOME"), casa);
    return entorno;
}

QString inicioLftp(const DemonioFtp &demonio)
{
    return QStringLiteral("set cmd:fail-exit yes\nset ftp:ssl-allow no\nset ftp:passive-mode yes\n"
                          "set net:max-retries 1\nset xfer:clobber yes\n"
                          "open --env-password -u %1 -p %2 127.0.0.1\n")
        .arg(kUsuario)
        .arg(demonio.puerto());
}

// One office and one daemon whose folder holds 300 names: the 10 ready
// validation responses and 290 prevalidation responses of other files.
// The office awaits the validation response of 300 files.
class Puesto
{
public:
    explicit Puesto(DemonioFtp::Tipo tipo)
        : demonio(tipo)
        , tipo(tipo)
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
        for (int i = 1; i <= kArchivos; ++i)
            p.listaRecepcion().agrega(entrada(nombre(i), recepcion, true));
    }

    void reinicia()
    {
        olvidaRespuestas(oficina.programa(), kArchivos);
        QDir(recepcion).removeRecursively();
        QDir().mkpath(recepcion);
    }

    double tendal()
    {
        reinicia();
        // 290 files still await: the command says so and ends with 1.
        const double ms = corre(programa(),
                                {QStringLiteral("--ini"), oficina.ini(), QStringLiteral("--workdir"), oficina.trabajo(),
                                 QStringLiteral("recibir"), QStringLiteral("--espera"), QStringLiteral("0")},
                                {}, false);
        if (QDir(recepcion).entryList(QDir::Files).size() != kListas)
            qFatal("tendal recibir no recibió las %d respuestas en %s", kListas, qPrintable(DemonioFtp::nombre(tipo)));
        return ms;
    }

    double lftp()
    {
        QTemporaryDir dir;
        const QString destino = dir.filePath(QStringLiteral("destino"));
        const QString listado = dir.filePath(QStringLiteral("listado.txt"));
        QDir().mkpath(destino);
        QStringList rutas;
        for (const QString &n : std::as_const(listas))
            rutas << kCarpeta + u'/' + n;
        const QString guion
            = inicioLftp(demonio)
              + QStringLiteral("nlist %1 > %2\nget -O %3 %4\n").arg(kCarpeta, listado, destino, rutas.join(u' '));
        const double ms = corre(QStringLiteral("lftp"),
                                {QStringLiteral("-f"), escribe(dir.filePath(QStringLiteral("guion")), guion.toUtf8())},
                                entornoLftp(dir.path()));
        if (QDir(destino).entryList(QDir::Files).size() != listas.size())
            qFatal("lftp no descargó las %d respuestas", int(listas.size()));
        return ms;
    }

    Oficina oficina;
    DemonioFtp demonio;
    DemonioFtp::Tipo tipo;
    QString recepcion;
    QStringList listas;
};

struct Par {
    QList<double> tendal, otro, tercero;
};

void linea(QTextStream &out, const QString &que, double tendal, const QString &otro, double ms)
{
    out << QStringLiteral("  %1  tendal %2 ms, %3 %4 ms: %5x\n")
               .arg(que, -22)
               .arg(tendal, 7, 'f', 1)
               .arg(otro)
               .arg(ms, 7, 'f', 1)
               .arg(tendal / ms, 0, 'f', 2);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const int pares = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 7;
    out << QStringLiteral("Comandos enteros como procesos: medianas de %1 pares tomados por turnos (%2)\n")
               .arg(pares)
               .arg(programa());

    // 1. The start: 20 starts a measure, so one start's noise does not
    // decide it.
    {
        constexpr int kArranques = 20;
        const auto veces = [&](const QString &programa, const QStringList &args) {
            double ms = 0;
            for (int i = 0; i < kArranques; ++i)
                ms += corre(programa, args);
            return ms / kArranques;
        };
        Par par;
        veces(programa(), {QStringLiteral("--version")}); // warm-up
        for (int r = 0; r < pares; ++r) {
            par.otro << veces(QStringLiteral(QT_MINIMO), {});
            par.tendal << veces(programa(), {QStringLiteral("--version")});
        }
        linea(out, QStringLiteral("--version"), mediana(par.tendal), QStringLiteral("Qt Core mínimo"),
              mediana(par.otro));
        out << QStringLiteral("      objetivo <= 1.5x\n");
        out.flush();
    }

    // 2. Receiving on each daemon.
    for (const auto tipo : {DemonioFtp::Tipo::Vsftpd, DemonioFtp::Tipo::Proftpd, DemonioFtp::Tipo::PureFtpd}) {
        const QString nombreDemonio = DemonioFtp::nombre(tipo);
        if (const QString no = DemonioFtp::noDisponible(tipo); !no.isEmpty()) {
            out << QStringLiteral("  recibir en %1: omitido (%2)\n").arg(nombreDemonio, no);
            continue;
        }
        Puesto puesto(tipo);
        puesto.tendal(); // warm-up
        puesto.lftp();
        Par par;
        for (int r = 0; r < pares; ++r) {
            par.otro << puesto.lftp();
            par.tendal << puesto.tendal();
        }
        linea(out, QStringLiteral("recibir en %1").arg(nombreDemonio), mediana(par.tendal), QStringLiteral("lftp"),
              mediana(par.otro));
        out.flush();
    }
    out << QStringLiteral("      objetivo <= 1.5x de lftp en cada demonio (%1 en espera, %2 listas)\n")
               .arg(kArchivos)
               .arg(kListas);

    // 3. Sending 100 MB on vsftpd.
    if (const QString no = DemonioFtp::noDisponible(DemonioFtp::Tipo::Vsftpd); !no.isEmpty()) {
        out << QStringLiteral("  enviar: omitido (%1)\n").arg(no);
        return 0;
    }
    DemonioFtp demonio(DemonioFtp::Tipo::Vsftpd);
    Oficina oficina;
    demonio.apunta(oficina);
    oficina.carga();
    QTemporaryDir dir;
    const QString original = dir.filePath(QStringLiteral("original"));
    {
        QFile f(original);
        if (!f.open(QIODevice::WriteOnly))
            qFatal("no se pudo escribir %s", qPrintable(original));
        QByteArray mega(1 << 20, '\0');
        for (int i = 0; i < mega.size(); ++i)
            mega[i] = char('0' + (i * 7919) % 43);
        for (qint64 m = 0; m < kMegas; ++m)
            if (f.write(mega) != mega.size())
                qFatal("no se pudo escribir %s", qPrintable(original));
    }
    const QString envio = oficina.carpeta(QStringLiteral("val_env"));
    const int dia = Funciones::Dia_Juliano(QDate::currentDate());
    int siguiente = 0;
    const auto tendal = [&] {
        // The name of today's file n, as a process started now sends it.
        const QString nombre
            = QStringLiteral("M0123%1.%2").arg(++siguiente, 3, 10, QLatin1Char('0')).arg(dia, 3, 10, QLatin1Char('0'));
        const QString local = envio + u'/' + nombre;
        if (::link(QFile::encodeName(original).constData(), QFile::encodeName(local).constData()) != 0)
            qFatal("no se pudo enlazar %s", qPrintable(local));
        const double ms = corre(programa(), {QStringLiteral("--ini"), oficina.ini(), QStringLiteral("--workdir"),
                                             oficina.trabajo(), QStringLiteral("enviar"), nombre,
                                             QStringLiteral("--sin-espera"), QStringLiteral("--si")});
        if (QFileInfo(demonio.ruta(kCarpeta + u'/' + nombre)).size() != kMegas << 20)
            qFatal("tendal enviar no dejó %s entero en el servidor", qPrintable(nombre));
        QFile::remove(demonio.ruta(kCarpeta + u'/' + nombre));
        return ms;
    };
    const QString remoto = QStringLiteral("original");
    const auto subido = [&](const char *quien) {
        if (QFileInfo(demonio.ruta(kCarpeta + u'/' + remoto)).size() != kMegas << 20)
            qFatal("%s no dejó el archivo entero en el servidor", quien);
        QFile::remove(demonio.ruta(kCarpeta + u'/' + remoto));
    };
    const QString guion
        = escribe(dir.filePath(QStringLiteral("guion")),
                  (inicioLftp(demonio) + QStringLiteral("put -O %1 %2\n").arg(kCarpeta, original)).toUtf8());
    const auto lftp = [&] {
        const double ms = corre(QStringLiteral("lftp"), {QStringLiteral("-f"), guion}, entornoLftp(dir.path()));
        subido("lftp");
        return ms;
    };
    const QString netrc
        = escribe(dir.filePath(QStringLiteral("netrc")),
                  QStringLiteral("machine 127.0.0.1 login %1 password %2\n").arg(kUsuario, kClave).toUtf8());
    const auto curl = [&] {
        const double ms
            = corre(QStringLiteral("curl"),
                    {QStringLiteral("-sS"), QStringLiteral("--netrc-file"), netrc, QStringLiteral("-T"), original,
                     QStringLiteral("ftp://127.0.0.1:%1%2/").arg(demonio.puerto()).arg(kCarpeta)});
        subido("curl");
        return ms;
    };
    tendal(); // warm-up
    lftp();
    curl();
    Par par;
    for (int r = 0; r < pares; ++r) {
        par.otro << curl();
        par.tercero << lftp();
        par.tendal << tendal();
    }
    linea(out, QStringLiteral("enviar %1 MB").arg(kMegas), mediana(par.tendal), QStringLiteral("curl"),
          mediana(par.otro));
    linea(out, QStringLiteral("enviar %1 MB").arg(kMegas), mediana(par.tendal), QStringLiteral("lftp"),
          mediana(par.tercero));
    out << QStringLiteral("      objetivo <= 1.5x de curl\n");
    return 0;
}
