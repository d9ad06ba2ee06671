// Real `tendal` processes on an office whose PostgreSQL server fails under
// them: a `recibir` that waits across a stop of the server resumes and
// collects, saying so once; an `enviar` that loses the server in the middle
// ends with its message, never with an abort; and two workstations with
// clocks two hours apart record and judge times on the server's clock.
#include "core/base/Funciones.h"
#include "tests/soporte/ClusterPostgres.h"
#include "tests/soporte/Escena.h"
#include "tests/soporte/Omision.h"
#include "tests/soporte/ProcesoTendal.h"

#include <QSqlQuery>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kPerdida = u"Se perdió la conexión con el servidor de la base de datos"_s;

// The julian name of file n on the day a clock that far off sees.
QString hoyDesfasado(int n, qint64 desfase)
{
    return u"M0123%1.%2"_s.arg(n, 3, 10, QLatin1Char('0'))
        .arg(Funciones::Dia_Juliano(QDateTime::currentDateTime().addSecs(desfase).date()), 3, 10, QLatin1Char('0'));
}

int cuenta(Programa &p, const QString &sql)
{
    QSqlQuery q = p.conexion().ejecuta(sql);
    return q.next() ? q.value(0).toInt() : -1;
}

// The error output of a child as it comes, kept whole.
struct Errores {
    QString texto;
    explicit Errores(QProcess &p)
    {
        QObject::connect(&p, &QProcess::readyReadStandardError, &p,
                         [this, &p] { texto += QString::fromUtf8(p.readAllStandardError()); });
    }
};

} // namespace

class PruebaEquiposSinBase : public QObject
{
    Q_OBJECT

    std::shared_ptr<ClusterPostgres> m_cluster;

private slots:
    void initTestCase()
    {
        OMITE_SI_FALTA(ClusterPostgres::noDisponible());
        qputenv("TENDAL_PRUEBA_BASE", "postgresql");
        m_cluster = ClusterPostgres::compartido();
    }

    void cleanup()
    {
        if (m_cluster)
            m_cluster->arranca();
    }

    // `tendal recibir --espera 120` while the server is stopped under it:
    // one message, then it goes on ticking, and once the server is back it
    // collects every response (stored once) and ends with 0.
    void recibirAtraviesaUnaParada()
    {
        Escena e;
        Programa &p = e.carga();
        const int n = 4;
        for (int i = 1; i <= n; ++i)
            e.aguarda(hoy(i));
        ProcesoTendal hijo(e.oficina, {u"recibir"_s, u"--espera"_s, u"120"_s});
        Errores errores(hijo.p);
        // Its first tick listed the folder: its session is in use.
        QTRY_VERIFY_WITH_TIMEOUT(!e.servidor.transferencias().filter(u"NLST"_s).isEmpty(), 60000);
        m_cluster->detiene();
        QTRY_VERIFY_WITH_TIMEOUT(errores.texto.contains(kPerdida), 60000);
        for (int i = 1; i <= n; ++i)
            e.responde(hoy(i));
        m_cluster->arranca();
        QVERIFY(hijo.p.waitForFinished(180000));
        QCOMPARE(hijo.p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(hijo.p.exitCode(), 0);
        QCOMPARE(errores.texto.count(kPerdida), 1);
        QVERIFY2(!errores.texto.contains(u"database not open"_s), qPrintable(errores.texto));
        QCOMPARE(hijo.salida().split(u'\n', Qt::SkipEmptyParts).size(), 2 * n);
        QCOMPARE(cuenta(p, u"SELECT COUNT(*) FROM RESPUESTA"_s), 2 * n);
        QCOMPARE(cuenta(p, u"SELECT COUNT(DISTINCT TRANSMISION || CLASE) FROM RESPUESTA"_s), 2 * n);
    }

    // `tendal enviar` that loses the server during an upload and does not
    // get it back before it ends: its message and exit 1, no abort; the
    // file stays queued (nothing lost), and nothing is left half-recorded.
    void enviarSinBaseNoAborta()
    {
        Escena e;
        const QString m = hoy(1);
        e.archivo(u"val_env"_s, m, QByteArray(20000, 'x'));
        Programa &p = e.carga();
        e.servidor.lento(4000);
        ProcesoTendal hijo(e.oficina, {u"enviar"_s, u"--sin-espera"_s, m});
        Errores errores(hijo.p);
        QTRY_VERIFY_WITH_TIMEOUT(e.servidor.transferencias().contains(u"STOR /ag0123/"_s + m), 60000);
        m_cluster->detiene();
        QVERIFY(hijo.p.waitForFinished(180000));
        QCOMPARE(hijo.p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(hijo.p.exitCode(), 1);
        QVERIFY2(errores.texto.contains(kPerdida), qPrintable(errores.texto));
        QVERIFY2(!errores.texto.contains(u"terminate called"_s), qPrintable(errores.texto));
        m_cluster->arranca();
        QCOMPARE(cuenta(p, u"SELECT COUNT(*) FROM COLA_ENVIO"_s), 1);
        QCOMPARE(cuenta(p, u"SELECT COUNT(*) FROM TRANSMISION WHERE ACEPTADO IS NOT NULL"_s), 0);
    }

    // A workstation an hour behind sends and one an hour ahead looks: the
    // acceptance and the storage carry the server's time, the file is not
    // late for the one ahead, and a history from today finds it.
    void relojesDesfasados()
    {
        Escena e;
        const qint64 atras = -3600;
        const qint64 adelante = 3600;
        const QString m = hoyDesfasado(1, atras);
        e.archivo(u"val_env"_s, m);
        Programa &p = e.carga();
        {
            ProcesoTendal envia(e.oficina, {u"enviar"_s, u"--sin-espera"_s, m}, atras);
            QCOMPARE(envia.termina(), 0);
        }
        const QDateTime servidor = *p.conexion().ahoraServidor();
        QSqlQuery q = p.conexion().ejecuta(u"SELECT ACEPTADO FROM TRANSMISION"_s);
        QVERIFY(q.next());
        const QDateTime aceptado = QDateTime::fromString(q.value(0).toString(), Qt::ISODateWithMs);
        QVERIFY2(qAbs(aceptado.secsTo(servidor)) < 600, qPrintable(q.value(0).toString()));
        q.finish();
        {
            ProcesoTendal mira(
                e.oficina,
                {u"historial"_s, u"--csv"_s, u"--desde"_s, servidor.toLocalTime().date().toString(u"dd/MM/yyyy"_s)},
                adelante);
            QCOMPARE(mira.termina(), 0);
            const QString csv = mira.salida();
            QVERIFY2(csv.contains(m), qPrintable(csv));
            QVERIFY2(csv.contains(u"En espera de respuesta"_s), qPrintable(csv));
            QVERIFY2(!csv.contains(u"Sin respuesta"_s), qPrintable(csv));
        }
        e.responde(m);
        {
            ProcesoTendal recibe(e.oficina, {u"recibir"_s, u"--espera"_s, u"60"_s}, adelante);
            QCOMPARE(recibe.termina(), 0);
        }
        QCOMPARE(cuenta(p, u"SELECT COUNT(*) FROM RESPUESTA R JOIN TRANSMISION T ON T.ID = R.TRANSMISION WHERE "
                           "R.GUARDADO >= T.ACEPTADO"_s),
                 2);
        QSqlQuery g = p.conexion().ejecuta(u"SELECT GUARDADO FROM RESPUESTA"_s);
        while (g.next()) {
            const QDateTime guardado = QDateTime::fromString(g.value(0).toString(), Qt::ISODateWithMs);
            QVERIFY2(qAbs(guardado.secsTo(*p.conexion().ahoraServidor())) < 600, qPrintable(g.value(0).toString()));
        }
    }
};

QTEST_GUILESS_MAIN(PruebaEquiposSinBase)
#include "PruebaEquiposSinBase.moc"
