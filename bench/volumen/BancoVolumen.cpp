// Whole commands as the office's history grows: offices of 0, 10,000 and
// 100,000 transmissions (a year of 274 files a day), each with its
// prevalidation and validation responses, their bytes in the journal and a
// pedimento number, written by SQL against the schema the program made, on
// the file and on a PostgreSQL cluster of the benchmark's own. On each
// office, each figure is a `tendal` process timed from its start to its end
// (the median of the runs):
//
//   - "ventana": the desktop program's start, offscreen, until its lists are
//     filled and shown (40 responses in the send list);
//   - "enviar": 20 new files of today, `enviar … --sin-espera --si`, to the
//     pyftpdlib test server on 127.0.0.1;
//   - "acuse": the receipt of one of them;
//   - "historial día": today's history (the files sent by the runs);
//   - "historial --nombre": a part of a name sent today;
//   - "historial --pedimento": a number the history names (none at 0);
//   - "recibir": one receive tick (`recibir --espera 0`) with the files sent
//     awaiting their responses.
//
// The table gives the medians (wall clock, and the child's own processor
// time) and their ratios 100,000 / 10,000 (goal: at most 1.2x) and 10,000 /
// 0. On a busy machine the child's processor time is the steadier figure
// (on PostgreSQL the server's share is not in it).
//
//   banco_volumen [RONDAS] [TAMAÑOS…]      (RONDAS 5; TAMAÑOS 0 10000 100000)

#include "core/base/Funciones.h"
#include "core/db/Conexion.h"
#include "gui/escritorio/Escritorio.h"
#include "tests/soporte/ClusterPostgres.h"
#include "tests/soporte/DialogosGuion.h"
#include "tests/soporte/Oficina.h"
#include "tests/soporte/ServidorFtp.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <sys/resource.h>

namespace {

const QString AG = QStringLiteral("/ag0123");
constexpr int kPorDia = 274;
constexpr int kEnvio = 20;

double mediana(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v[v.size() / 2];
}

double cpuHijos()
{
    rusage r {};
    getrusage(RUSAGE_CHILDREN, &r);
    return (double(r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1e3)
           + (double(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e3);
}

struct Tiempo {
    double pared = 0; // ms
    double cpu = 0; // ms of the child's own processor time
};

// One child from its start to its end; a failure stops the benchmark.
Tiempo corre(const QString &programa, const QStringList &args, bool tolerante = false)
{
    QProcess p;
    p.setProgram(programa);
    p.setArguments(args);
    const double antes = cpuHijos();
    QElapsedTimer t;
    t.start();
    p.start();
    if (!p.waitForFinished(600000))
        qFatal("%s no terminó", qPrintable(args.join(u' ')));
    const Tiempo r {double(t.nsecsElapsed()) / 1e6, cpuHijos() - antes};
    if (p.exitStatus() != QProcess::NormalExit || (p.exitCode() != 0 && !tolerante))
        qFatal("%s terminó con %d:\n%s", qPrintable(args.join(u' ')), p.exitCode(),
               p.readAllStandardError().constData());
    return r;
}

// The history of n transmissions, sent one year ago to yesterday, each with
// both responses recorded with their bytes and its pedimento number read.
void llena(const Conexion &c, int n)
{
    if (n == 0)
        return;
    const QString inicio = QDate::currentDate().addDays(-366).toString(Qt::ISODate);
    const QString destino = QStringLiteral("/oficina/respuestas");
    c.enTransaccion([&] {
        const QString columnas = QStringLiteral(
            "NOMBRE, TIPO, ESTADO, PROGRAMA, RECLAMADO, CARPETA_SERVIDOR, TAMANO, SHA256, ACEPTADO, HORA, ICONO, "
            "RUTA_PREV, RUTA_VAL, ARCHIVO_PREV, ARCHIVO_VAL, RUTA_DEST, PREV, VAL, EN_RECEPCION, ORDEN");
        const QString valores
            = QStringLiteral(
                  "'M0123' || n || '.' || d, 'M', 'ENVIADO', 'banco', m, '/ag0123', 1000, h, m, '10:30 a. m.', '2', "
                  "'/ag0123', '/ag0123', 'k0123' || n || '.' || d, 'M0123' || n || '.err', '%1', 'X', 'X', 0, i + 1")
                  .arg(destino);
        // Written with names in braces, replaced below: the SQL has % signs of its own.
        QString sql
            = c.enServidor()
                  ? QStringLiteral("INSERT INTO TRANSMISION ({COLUMNAS}) SELECT {VALORES} FROM (SELECT i, "
                                   "lpad((i % {DIA} + 1)::text, 3, '0') AS n, lpad(((i / {DIA}) % 365 + "
                                   "1)::text, 3, '0') AS d, lpad(to_hex(i), 64, '0') AS h, to_char(timestamp "
                                   "'{INICIO}' + (i / {DIA}) * interval '1 day' + (i % {DIA}) * interval '2 "
                                   "minutes', 'YYYY-MM-DD\"T\"HH24:MI:SS.MS\"Z\"') AS m FROM "
                                   "generate_series(0, {ULTIMA}) AS i) AS s")
                  : QStringLiteral("INSERT INTO TRANSMISION ({COLUMNAS}) WITH RECURSIVE s(i) AS (SELECT 0 "
                                   "UNION ALL SELECT i + 1 FROM s WHERE i < {ULTIMA}) SELECT {VALORES} FROM "
                                   "(SELECT i, printf('%03d', i % {DIA} + 1) AS n, printf('%03d', (i / {DIA}) "
                                   "% 365 + 1) AS d, printf('%064x', i) AS h, strftime('%Y-%m-%dT%H:%M:%S.000Z', "
                                   "'{INICIO}', '+' || (i / {DIA}) || ' days', '+' || ((i % {DIA}) * 120) || "
                                   "' seconds') AS m FROM s)");
        sql.replace(QStringLiteral("{COLUMNAS}"), columnas)
            .replace(QStringLiteral("{VALORES}"), valores)
            .replace(QStringLiteral("{DIA}"), QString::number(kPorDia))
            .replace(QStringLiteral("{INICIO}"), inicio)
            .replace(QStringLiteral("{ULTIMA}"), QString::number(n - 1));
        c.ejecuta(sql);
        const QString respuesta = QStringLiteral(
            "INSERT INTO RESPUESTA (TRANSMISION, CLASE, NOMBRE, ICONO, TAMANO, SHA256, GUARDADO, RUTA, EN_ENVIO, "
            "ORDEN, PEDIMENTOS) SELECT ID, '%1', %2, '3', 44, SHA256, ACEPTADO, RUTA_DEST || '/' || %2, 0, ORDEN, 1 "
            "FROM TRANSMISION WHERE PROGRAMA = 'banco'");
        c.ejecuta(respuesta.arg(QStringLiteral("K"), QStringLiteral("ARCHIVO_PREV")));
        c.ejecuta(respuesta.arg(QStringLiteral("R"), QStringLiteral("ARCHIVO_VAL")));
        const QString bytes = c.enServidor() ? QStringLiteral("convert_to('E3001234501001230501' || chr(13) || "
                                                              "chr(10) || 'E3001234501001230502' || chr(13) || "
                                                              "chr(10), 'UTF8')")
                                             : QStringLiteral("CAST('E3001234501001230501' || char(13, 10) || "
                                                              "'E3001234501001230502' || char(13, 10) AS BLOB)");
        c.ejecuta(QStringLiteral("INSERT INTO RESPUESTA_CONTENIDO (RESPUESTA, CONTENIDO) SELECT ID, %1 FROM RESPUESTA")
                      .arg(bytes));
        c.ejecuta(QStringLiteral("INSERT INTO PEDIMENTO (RESPUESTA, NUMERO) SELECT ID, %1 FROM RESPUESTA WHERE "
                                 "CLASE = 'R'")
                      .arg(c.enServidor() ? QStringLiteral("'3' || lpad(ORDEN::text, 6, '0')")
                                          : QStringLiteral("printf('3%06d', ORDEN)")));
        // The latest responses are still in the send list; the change number
        // is past every row's order.
        c.ejecuta(QStringLiteral("UPDATE RESPUESTA SET EN_ENVIO = 1 WHERE ORDEN > %1").arg(n - 20));
        c.ejecuta(QStringLiteral("UPDATE DIARIO_VERSION SET NUMERO = NUMERO + %1").arg(n + 1));
    });
    if (c.enServidor())
        c.ejecuta(QStringLiteral("ANALYZE"));
}

const QStringList kMedidas = {
    QStringLiteral("ventana"),
    QStringLiteral("enviar"),
    QStringLiteral("acuse"),
    QStringLiteral("historial día"),
    QStringLiteral("historial --nombre"),
    QStringLiteral("historial --pedimento"),
    QStringLiteral("recibir"),
};

// The figures of one office: medida -> (wall, cpu) medians.
QMap<QString, Tiempo> mide(const QString &yo, int n, int rondas, bool servidor)
{
    if (servidor)
        qputenv("TENDAL_PRUEBA_BASE", "postgresql");
    else
        qunsetenv("TENDAL_PRUEBA_BASE");
    Oficina oficina;
    ServidorFtp ftp;
    ftp.apunta(oficina);
    {
        const auto c = Conexion::abre(oficina.base());
        QElapsedTimer t;
        t.start();
        llena(*c, n);
        QTextStream(stderr) << QStringLiteral("  %1, %2 transmisiones: llenada en %3 s\n")
                                   .arg(servidor ? QStringLiteral("PostgreSQL") : QStringLiteral("SQLite"))
                                   .arg(n)
                                   .arg(double(t.elapsed()) / 1e3, 0, 'f', 1);
    }
    const QString tendal = QStringLiteral(TENDAL);
    const QStringList ini = {QStringLiteral("--ini"), oficina.ini()};
    const QString dia = QString::number(Funciones::Dia_Juliano(QDate::currentDate())).rightJustified(3, u'0');
    const QString envio = oficina.carpeta(QStringLiteral("val_env"));
    QMap<QString, QList<Tiempo>> t;
    const auto anota = [&](int r, const QString &medida, const Tiempo &x) {
        if (r > 0) // round 0 warms up
            t[medida] << x;
    };
    for (int r = 0; r <= rondas; ++r)
        anota(r, QStringLiteral("ventana"), corre(yo, {QStringLiteral("--ventana"), oficina.ini()}));
    QString ultimo;
    for (int r = 0; r <= rondas; ++r) {
        // New names each round: a name whose responses are awaited is not sent again.
        QStringList args = {QStringLiteral("enviar")};
        for (int i = 0; i < kEnvio; ++i) {
            ultimo = QStringLiteral("M0123%1.%2").arg(300 + r * kEnvio + i).arg(dia);
            QFile f(QDir(envio).filePath(ultimo));
            if (!f.open(QIODevice::WriteOnly))
                qFatal("no se pudo escribir %s", qPrintable(f.fileName()));
            f.write(QStringLiteral("PEDIMENTO %1 %2\r\n").arg(ultimo).arg(n).toLatin1());
            args << ultimo;
        }
        args << QStringLiteral("--sin-espera") << QStringLiteral("--si");
        anota(r, QStringLiteral("enviar"), corre(tendal, ini + args));
    }
    const QString hoy = QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"));
    const QList<std::pair<QString, QStringList>> consultas = {
        {QStringLiteral("acuse"), {QStringLiteral("acuse"), ultimo}},
        {QStringLiteral("historial día"),
         {QStringLiteral("historial"), QStringLiteral("--desde"), hoy, QStringLiteral("--hasta"), hoy}},
        {QStringLiteral("historial --nombre"),
         {QStringLiteral("historial"), QStringLiteral("--nombre"), ultimo.left(8)}},
        {QStringLiteral("historial --pedimento"),
         {QStringLiteral("historial"), QStringLiteral("--pedimento"), QStringLiteral("3005000")}},
    };
    for (const auto &[medida, args] : consultas)
        for (int r = 0; r <= rondas; ++r)
            anota(r, medida, corre(tendal, ini + args));
    for (int r = 0; r <= rondas; ++r)
        anota(r, QStringLiteral("recibir"),
              corre(tendal,
                    ini + QStringList {QStringLiteral("recibir"), QStringLiteral("--espera"), QStringLiteral("0")},
                    true));

    QMap<QString, Tiempo> medianas;
    for (auto it = t.cbegin(); it != t.cend(); ++it) {
        QList<double> pared, cpu;
        for (const Tiempo &x : it.value()) {
            pared << x.pared;
            cpu << x.cpu;
        }
        medianas[it.key()] = {mediana(pared), mediana(cpu)};
    }
    return medianas;
}

// The child of "ventana": the desktop program on the office, ended as soon
// as its event loop runs (its lists filled, its window shown).
int ventana(int argc, char *argv[], const QString &ini)
{
    QApplication app(argc, argv);
    DialogosGuion dialogos;
    QTimer::singleShot(0, &app, [] {
        QCoreApplication::processEvents();
        QCoreApplication::exit(0);
    });
    return Escritorio::ejecuta(app, {QStringLiteral("--ini"), ini}, dialogos);
}

QString razon(double a, double b)
{
    return b > 0 ? QString::number(a / b, 'f', 2) + u'x' : QStringLiteral("-");
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 3 && qstrcmp(argv[1], "--ventana") == 0)
        return ventana(argc, argv, QString::fromLocal8Bit(argv[2]));

    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const int rondas = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 5;
    QList<int> tamanos;
    for (int i = 2; i < argc; ++i)
        tamanos << QString::fromLocal8Bit(argv[i]).toInt();
    if (tamanos.isEmpty())
        tamanos = {0, 10000, 100000};
    const QString yo = QCoreApplication::applicationFilePath();

    QList<bool> motores = {false};
    const QString sinServidor = ClusterPostgres::noDisponible();
    if (sinServidor.isEmpty())
        motores << true;
    else
        out << QStringLiteral("(sin PostgreSQL: %1)\n").arg(sinServidor);

    for (const bool servidor : std::as_const(motores)) {
        QList<QMap<QString, Tiempo>> porTamano;
        for (const int n : std::as_const(tamanos))
            porTamano << mide(yo, n, rondas, servidor);
        out << QStringLiteral("\n%1, medianas de %2 procesos (ms de reloj / ms de procesador del hijo)\n\n")
                   .arg(servidor ? QStringLiteral("PostgreSQL") : QStringLiteral("SQLite"))
                   .arg(rondas);
        out << QStringLiteral("| %1 |").arg(QStringLiteral("orden"), -22);
        for (const int n : std::as_const(tamanos))
            out << QStringLiteral(" %1 |").arg(n, 15);
        const bool razones = tamanos == QList<int> {0, 10000, 100000};
        if (razones)
            out << QStringLiteral(" 100000/10000 reloj / cpu | 10000/0 reloj / cpu |");
        out << u'\n';
        for (const QString &medida : kMedidas) {
            out << QStringLiteral("| %1 |").arg(medida, -22);
            for (const auto &m : std::as_const(porTamano))
                out << QStringLiteral(" %1 |").arg(
                    QStringLiteral("%1 / %2").arg(m.value(medida).pared, 0, 'f', 0).arg(m.value(medida).cpu, 0, 'f', 0),
                    15);
            if (razones) {
                const Tiempo &cero = porTamano[0].value(medida);
                const Tiempo &diez = porTamano[1].value(medida);
                const Tiempo &cien = porTamano[2].value(medida);
                out << QStringLiteral(" %1 | %2 |")
                           .arg(razon(cien.pared, diez.pared) + QStringLiteral(" / ") + razon(cien.cpu, diez.cpu), 24)
                           .arg(razon(diez.pared, cero.pared) + QStringLiteral(" / ") + razon(diez.cpu, cero.cpu), 19);
            }
            out << u'\n';
        }
        out.flush();
    }
    out << QStringLiteral("\nobjetivo: 100000/10000 <= 1.2x en cada orden\n");
    return 0;
}
