// Three workstations on one office on a PostgreSQL server, as three real
// processes of the built `tendal` against one FTP server: overlapping sends
// upload each file once, concurrent receive ticks fetch and store each
// response once, and a workstation killed in the middle of a tick leaves
// nothing claimed and nothing lost. The test's own cluster and server.

#include "core/base/Funciones.h"
#include "tests/soporte/ClusterPostgres.h"
#include "tests/soporte/Escena.h"
#include "tests/soporte/ProcesoTendal.h"
#include "tests/soporte/Omision.h"

#include <QDir>
#include <QProcess>
#include <QSqlQuery>
#include <QTest>

#include <signal.h>

using namespace Qt::StringLiterals;

namespace {

const QString AG = u"/ag0123"_s;

int cuenta(Programa &p, const QString &sql, const QVariantList &valores = {})
{
    QSqlQuery q = p.conexion().ejecuta(sql, valores);
    return q.next() ? q.value(0).toInt() : -1;
}

// How many times the server was asked for each path with this command.
QHash<QString, int> veces(const QStringList &transferencias, const QString &orden)
{
    QHash<QString, int> n;
    for (const QString &t : transferencias)
        if (t.startsWith(orden + u' '))
            ++n[t.mid(orden.size() + 1)];
    return n;
}

// n transmissions awaiting both responses, with the responses on the server.
void esperando(Escena &e, int desde, int n)
{
    for (int i = desde; i < desde + n; ++i) {
        const QString nombre = u"M0123%1.045"_s.arg(i, 3, 10, QLatin1Char('0'));
        e.aguarda(nombre);
        e.responde(nombre);
    }
}

} // namespace

class PruebaTresEquipos : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        OMITE_SI_FALTA(ClusterPostgres::noDisponible());
        qputenv("TENDAL_PRUEBA_BASE", "postgresql");
    }

    // Three `tendal enviar` at once with overlapping lists: each file is
    // uploaded once, recorded once, and awaited once.
    void enviosSolapados()
    {
        Escena e;
        const int n = 12;
        for (int i = 1; i <= n; ++i)
            e.archivo(u"val_env"_s, hoy(i));
        Programa &p = e.carga();
        QStringList a, b, c;
        for (int i = 1; i <= n; ++i) {
            if (i <= 8)
                a << hoy(i);
            if (i >= 5)
                b << hoy(i);
            c << hoy(n + 1 - i);
        }
        ProcesoTendal pa(e.oficina, QStringList {u"enviar"_s, u"--sin-espera"_s} + a);
        ProcesoTendal pb(e.oficina, QStringList {u"enviar"_s, u"--sin-espera"_s} + b);
        ProcesoTendal pc(e.oficina, QStringList {u"enviar"_s, u"--sin-espera"_s} + c);
        // A named file another program was sending, or had sent (in the
        // reception list, awaiting its responses), is not this one's to send: it says so and ends
        // with 1 (a file queued again after the other's upload stays in the
        // send list, its response names awaited); no other reason is
        // expected.
        for (ProcesoTendal *t : {&pa, &pb, &pc}) {
            const int estado = t->termina();
            QVERIFY2(estado == 0 || estado == 1, qPrintable(QString::number(estado)));
            if (estado == 1) {
                for (const QString &linea : t->errores.split(u'\n'))
                    if (linea.contains(u"no se envió"_s))
                        QVERIFY2(linea.contains(u"lo está enviando otro programa"_s)
                                     || linea.contains(u"ya está en la lista de recepción"_s)
                                     || linea.contains(u"sigue en la lista de envío"_s),
                                 qPrintable(linea));
            }
        }

        const auto subidas = veces(e.servidor.transferencias(), u"STOR"_s);
        QCOMPARE(subidas.size(), n);
        for (int i = 1; i <= n; ++i)
            QCOMPARE(subidas.value(AG + u'/' + hoy(i)), 1);
        QCOMPARE(cuenta(p, u"SELECT COUNT(*) FROM TRANSMISION WHERE ACEPTADO IS NOT NULL"_s), n);
        QCOMPARE(cuenta(p, u"SELECT COUNT(DISTINCT NOMBRE) FROM TRANSMISION WHERE EN_RECEPCION = 1"_s), n);
        QCOMPARE(cuenta(p, u"SELECT COUNT(*) FROM TRANSMISION WHERE ESTADO = 'ENVIANDO'"_s), 0);
        p.refrescaListas();
        QCOMPARE(e.nombresRecepcion().size(), n);
    }

    // Three `tendal recibir` at once: every response downloaded once and
    // stored once. Then again with one of them killed in the middle of a
    // tick: the others fetch what it held (its claims went with its
    // session), nothing is stored twice and nothing is lost.
    void recepcionesConcurrentes()
    {
        Escena e;
        Programa &p = e.carga();
        const int n = 15;
        esperando(e, 1, n);
        {
            ProcesoTendal a(e.oficina, {u"recibir"_s, u"--espera"_s, u"90"_s});
            ProcesoTendal b(e.oficina, {u"recibir"_s, u"--espera"_s, u"90"_s});
            ProcesoTendal c(e.oficina, {u"recibir"_s, u"--espera"_s, u"90"_s});
            QCOMPARE(a.termina(), 0);
            QCOMPARE(b.termina(), 0);
            QCOMPARE(c.termina(), 0);
            const QStringList lineas = (a.salida() + b.salida() + c.salida()).split(u'\n', Qt::SkipEmptyParts);
            QCOMPARE(lineas.size(), 2 * n);
        }
        auto bajadas = veces(e.servidor.transferencias(), u"RETR"_s);
        QCOMPARE(bajadas.size(), 2 * n);
        for (auto it = bajadas.cbegin(); it != bajadas.cend(); ++it)
            QVERIFY2(it.value() == 1, qPrintable(it.key()));
        QCOMPARE(cuenta(p, u"SELECT COUNT(*) FROM RESPUESTA"_s), 2 * n);

        // One killed during a tick, downloads slowed so that it holds one.
        esperando(e, 100, n);
        e.servidor.lento(200);
        qsizetype delMuerto = 0;
        {
            const qsizetype antes = e.servidor.transferencias().filter(u"RETR"_s).size();
            ProcesoTendal muere(e.oficina, {u"recibir"_s, u"--espera"_s, u"60"_s});
            // Killed once it is downloading (and so holds a claim).
            QTRY_VERIFY_WITH_TIMEOUT(e.servidor.transferencias().filter(u"RETR"_s).size() > antes, 60000);
            ::kill(pid_t(muere.p.processId()), SIGKILL);
            QVERIFY(muere.p.waitForFinished(10000));
            QCOMPARE(muere.p.exitStatus(), QProcess::CrashExit);
            // What it had downloaded in its tick, not stored: the others fetch it again.
            delMuerto = e.servidor.transferencias().filter(u"RETR"_s).size() - antes;
            e.servidor.lento(0);
            ProcesoTendal a(e.oficina, {u"recibir"_s, u"--espera"_s, u"60"_s});
            ProcesoTendal b(e.oficina, {u"recibir"_s, u"--espera"_s, u"60"_s});
            QCOMPARE(a.termina(), 0);
            QCOMPARE(b.termina(), 0);
        }
        QCOMPARE(cuenta(p, u"SELECT COUNT(*) FROM RESPUESTA"_s), 4 * n);
        QCOMPARE(cuenta(p, u"SELECT COUNT(*) FROM (SELECT TRANSMISION, CLASE FROM RESPUESTA GROUP BY TRANSMISION, "
                           "CLASE HAVING COUNT(*) > 1) D"_s),
                 0);
        bajadas = veces(e.servidor.transferencias(), u"RETR"_s);
        QCOMPARE(bajadas.size(), 4 * n);
        int repetidas = 0;
        QStringList cuales;
        for (auto it = bajadas.cbegin(); it != bajadas.cend(); ++it) {
            repetidas += it.value() - 1;
            if (it.value() > 1)
                cuales << it.key();
        }
        QVERIFY2(repetidas <= delMuerto,
                 qPrintable(cuales.join(u", "))); // only what the killed program held
        p.refrescaListas();
        QCOMPARE(e.nombresRecepcion(), QStringList());
    }
};

QTEST_GUILESS_MAIN(PruebaTresEquipos)
#include "PruebaTresEquipos.moc"
