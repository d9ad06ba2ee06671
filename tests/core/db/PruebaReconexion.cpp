// The office on a PostgreSQL server that goes away and comes back: the
// test's own cluster restarted (as pg_ctl restart -m fast), stopped for a
// while, or the program's session ended by pg_terminate_backend. The receive
// tick and the send resume on their next step without a restart of the
// program, tell one outage once, and record each file and each response
// once. The database's clock is the one the journal records.
#include "tests/soporte/CatalogoPrueba.h"
#include "tests/soporte/ClusterPostgres.h"
#include "tests/soporte/Escena.h"
#include "tests/soporte/Omision.h"

#include "core/base/ErrorTendal.h"
#include "core/db/Conexion.h"
#include "core/historial/EsperaRespuesta.h"
#include "core/reportes/DestinoTexto.h"
#include "core/reportes/GeneradorReporte.h"

#include <QRegularExpression>
#include <QSqlQuery>
#include <QSignalSpy>
#include <QTemporaryFile>
#include <QUrl>

#include <QDir>
#include <QFileInfo>
#include <QUrlQuery>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QString AG = u"/ag0123"_s;

int cuenta(Programa &p, const QString &sql)
{
    QSqlQuery q = p.conexion().ejecuta(sql);
    return q.next() ? q.value(0).toInt() : -1;
}

// n transmissions awaiting both responses; the responses on the server when en.
void esperando(Escena &e, int n, bool en)
{
    for (int i = 1; i <= n; ++i) {
        const QString nombre = u"M0123%1.045"_s.arg(i, 3, 10, QLatin1Char('0'));
        e.aguarda(nombre);
        if (en)
            e.responde(nombre);
    }
}

void respuestasEnServidor(Escena &e, int n)
{
    for (int i = 1; i <= n; ++i)
        e.responde(u"M0123%1.045"_s.arg(i, 3, 10, QLatin1Char('0')));
}

QString baseDe(const Oficina &oficina)
{
    return QUrl(oficina.base()).path().mid(1);
}

int mensajesSinBase(const DialogosGuion &persona)
{
    int n = 0;
    for (const QString &t : persona.textos())
        n += t.contains(u"Se perdió la conexión con el servidor de la base de datos"_s) ? 1 : 0;
    return n;
}

enum class Falla { Reinicio, SesionTerminada, Parada };

// What the process writes on its standard error while it lives (the
// database client's own notices go there, not through Qt).
class ErrorEstandar
{
public:
    ErrorEstandar()
    {
        QVERIFY(m_archivo.open());
        fflush(stderr);
        m_original = dup(STDERR_FILENO);
        dup2(m_archivo.handle(), STDERR_FILENO);
    }
    ~ErrorEstandar() { suelta(); }
    QString texto()
    {
        suelta();
        m_archivo.seek(0);
        return QString::fromLocal8Bit(m_archivo.readAll());
    }

private:
    void suelta()
    {
        if (m_original < 0)
            return;
        fflush(stderr);
        dup2(m_original, STDERR_FILENO);
        close(m_original);
        m_original = -1;
    }
    QTemporaryFile m_archivo;
    int m_original = -1;
};

// A socket that takes connections and never answers, where the server's
// was: what a hung server or an unreachable host looks like to the client.
class ServidorMudo
{
public:
    explicit ServidorMudo(const QString &ruta)
        : m_ruta(ruta)
    {
        m_fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un un {};
        un.sun_family = AF_UNIX;
        const QByteArray r = ruta.toLocal8Bit();
        memcpy(un.sun_path, r.constData(), size_t(r.size()));
        QVERIFY(bind(m_fd, reinterpret_cast<sockaddr *>(&un), sizeof un) == 0);
        QVERIFY(listen(m_fd, 64) == 0);
    }
    ~ServidorMudo()
    {
        close(m_fd);
        QFile::remove(m_ruta);
    }
    // Whether a connection is waiting in its queue.
    bool llamado() const
    {
        pollfd p {m_fd, POLLIN, 0};
        return poll(&p, 1, 0) == 1;
    }

private:
    QString m_ruta;
    int m_fd = -1;
};

} // namespace

class PruebaReconexion : public QObject
{
    Q_OBJECT

    std::shared_ptr<ClusterPostgres> m_cluster;

    // Makes the failure happen for real. Parada leaves the server stopped.
    void falla(Falla f, const Oficina &oficina)
    {
        switch (f) {
        case Falla::Reinicio:
            m_cluster->reinicia();
            break;
        case Falla::SesionTerminada:
            QVERIFY(m_cluster->terminaSesiones(baseDe(oficina), u"Tendal"_s) >= 1);
            break;
        case Falla::Parada:
            m_cluster->detiene();
            break;
        }
    }

private slots:
    void initTestCase()
    {
        OMITE_SI_FALTA(ClusterPostgres::noDisponible());
        qputenv("TENDAL_PRUEBA_BASE", "postgresql");
        m_cluster = ClusterPostgres::compartido();
    }

    void cleanup()
    {
        // A failed test never leaves the shared cluster stopped.
        if (m_cluster)
            m_cluster->arranca();
    }

    // A receive tick after each failure: the lost session is opened again
    // at the tick's first statement and the tick collects everything; a
    // server still stopped fails the ticks with one message for the whole
    // outage and the state kept, and the first tick after its start
    // collects.
    void tickTrasLaFalla_data()
    {
        QTest::addColumn<Falla>("falla");
        QTest::newRow("reinicio") << Falla::Reinicio;
        QTest::newRow("sesion terminada") << Falla::SesionTerminada;
        QTest::newRow("parada y arranque") << Falla::Parada;
    }
    void tickTrasLaFalla()
    {
        QFETCH(Falla, falla);
        Escena e;
        Programa &p = e.carga();
        const int n = 3;
        esperando(e, n, false);
        QCoro::waitFor(e.ciclo->tick()); // nothing there yet: the session is in use
        QCOMPARE(cuenta(p, u"SELECT COUNT(*) FROM RESPUESTA"_s), 0);
        respuestasEnServidor(e, n);

        this->falla(falla, e.oficina);
        if (falla == Falla::Parada) {
            QSignalSpy sinConexion(e.ciclo.get(), &CicloRecepcion::sinConexion);
            for (int i = 0; i < 3; ++i)
                QCoro::waitFor(e.ciclo->tick());
            QCOMPARE(mensajesSinBase(e.persona()), 1);
            QCOMPARE(e.persona().textos().size(), 1);
            QCOMPARE(sinConexion.size(), 3);
            QVERIFY(p.conexion().perdidaDesde().isValid());
            QCOMPARE(e.nombresRecepcion().size(), n); // nothing forgotten meanwhile
            QVERIFY(!QDir(e.oficina.carpeta(u"val_rec"_s)).entryList(QDir::Files).contains(u"M0123001.err"_s));
            m_cluster->arranca();
        }
        QSignalSpy recuperada(e.ciclo.get(), &CicloRecepcion::conexionRecuperada);
        QCoro::waitFor(e.ciclo->tick());

        QCOMPARE(cuenta(p, u"SELECT COUNT(*) FROM RESPUESTA"_s), 2 * n);
        QCOMPARE(cuenta(p, u"SELECT COUNT(DISTINCT TRANSMISION || CLASE) FROM RESPUESTA"_s), 2 * n);
        QCOMPARE(e.nombresRecepcion(), QStringList());
        QVERIFY(!p.conexion().perdidaDesde().isValid());
        if (falla == Falla::Parada)
            QCOMPARE(recuperada.size(), 1);
        else
            QCOMPARE(e.persona().textos(), QStringList()); // reopened without a word
    }

    // A response claimed before the session ended: the claim went with the
    // old session (another workstation may take it), and letting it go on
    // the new one neither fails nor makes the server warn on standard error.
    void reclamoDeRespuestaTrasLaFalla_data()
    {
        QTest::addColumn<Falla>("falla");
        QTest::newRow("reinicio") << Falla::Reinicio;
        QTest::newRow("sesion terminada") << Falla::SesionTerminada;
    }
    void reclamoDeRespuestaTrasLaFalla()
    {
        QFETCH(Falla, falla);
        Escena e;
        Programa &p = e.carga();
        esperando(e, 1, false);
        const qint64 t = p.listaRecepcion().transmision(0);
        QVERIFY(p.diario().reclamaRespuesta(t, u"R"_s));
        this->falla(falla, e.oficina);
        QTest::failOnWarning(QRegularExpression(u".+"_s));
        ErrorEstandar errores;
        QCOMPARE(cuenta(p, u"SELECT COUNT(*) FROM RESPUESTA"_s), 0); // reopened here
        p.diario().sueltaRespuesta(t, u"R"_s);
        QVERIFY(p.diario().reclamaRespuesta(t, u"R"_s)); // free on the new session
        p.diario().sueltaRespuesta(t, u"R"_s);
        const QString texto = errores.texto();
        QVERIFY2(texto.isEmpty(), qPrintable(texto));
    }

    // A session that ends after a statement ran and before its rows were
    // all read: the rows come whole (a server's result is read at once, so
    // none is cut short unnoticed), and the next statement, transaction and
    // report open a new session without a word on standard error; the
    // report's catalogue lookups, prepared on the old session, are prepared
    // again on the new one.
    void sesionTerminadaTrasLaConsulta()
    {
        Escena e;
        Programa &p = e.carga();
        llenaCatalogo(e.oficina);
        const QString m = u"M0123001.err"_s;
        GeneradorReporte generador(p);
        QVERIFY(escribe(QFileInfo(generador.ruta(m)).absolutePath(), m, "E3001234501001230501\r\n"));
        const auto reporte = [&] {
            DestinoTexto destino;
            return generador.Genera_Reporte(GeneradorReporte::tituloRevision(), m, destino) ? destino.texto()
                                                                                            : QString();
        };
        const QString primero = reporte();
        QVERIFY2(primero.contains(u"Falta el campo de pedimento"_s), qPrintable(primero));
        const auto termina = [&] {
            QVERIFY(m_cluster->terminaSesiones(baseDe(e.oficina), u"Tendal"_s) >= 1);
        };

        QTest::failOnWarning(QRegularExpression(u".+"_s));
        ErrorEstandar errores;
        const int n = 1000000;
        QSqlQuery q = p.conexion().ejecuta(u"SELECT generate_series(1, %1)"_s.arg(n));
        termina();
        int filas = 0;
        while (q.next())
            ++filas;
        QCOMPARE(filas, n);
        q.finish();
        QCOMPARE(cuenta(p, u"SELECT COUNT(*) FROM RESPUESTA"_s), 0);
        termina();
        p.conexion().comienza();
        p.conexion().deshace();
        termina();
        QCOMPARE(reporte(), primero);
        termina();
        QCOMPARE(reporte(), primero);
        const QString texto = errores.texto();
        QVERIFY2(texto.isEmpty(), qPrintable(texto));
    }

    // A server that takes the connection and never answers (a hung server,
    // an unreachable host): the connection is opened with a time-out of an
    // hour, so an attempt that waited on it would hold the test. Every
    // statement fails at once with the outage's failure while the server is
    // asked on a worker, and once the real server is back one opens again.
    void servidorMudoNoDetiene()
    {
        Escena e;
        e.carga();
        const QString direccion = e.oficina.base() + u"&connect_timeout=3600"_s;
        const auto conexion = Conexion::abre(direccion);
        QVERIFY(conexion->ejecuta(u"SELECT 1"_s).next());
        const QString carpeta = QUrlQuery(QUrl(direccion)).queryItemValue(u"host"_s);
        const QStringList sockets = QDir(carpeta).entryList({u".s.PGSQL.*"_s}, QDir::System | QDir::Hidden);
        QVERIFY2(sockets.size() == 1, qPrintable(sockets.join(u' ')));
        m_cluster->detiene();
        {
            ServidorMudo mudo(QDir(carpeta).filePath(sockets.first()));
            for (int i = 0; i < 5; ++i) {
                try {
                    conexion->ejecuta(u"SELECT 1"_s);
                    QFAIL("un servidor que no responde dio una respuesta");
                } catch (const ErrorTendal &error) {
                    QVERIFY2(Conexion::esSinConexion(error), qPrintable(error.descripcion()));
                }
            }
            QVERIFY(mudo.llamado());
        }
        m_cluster->arranca();
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                try {
                    return conexion->ejecuta(u"SELECT 1"_s).next();
                } catch (const ErrorTendal &) {
                    return false;
                }
            }(),
            60000);
        QVERIFY(!conexion->perdidaDesde().isValid());
    }

    // The database restarted, and then stopped and started, while a file
    // is being uploaded: the upload goes on, its acceptance is recorded on
    // the new session, once; the server took the file once.
    void envioDuranteLaFalla_data()
    {
        QTest::addColumn<Falla>("falla");
        QTest::newRow("reinicio") << Falla::Reinicio;
        QTest::newRow("sesion terminada") << Falla::SesionTerminada;
        QTest::newRow("parada y arranque") << Falla::Parada;
    }
    void envioDuranteLaFalla()
    {
        QFETCH(Falla, falla);
        Escena e;
        const QString m = u"M0123001.045"_s;
        e.archivo(u"val_env"_s, m, QByteArray(24000, 'x'));
        Programa &p = e.carga();
        e.enLista(m, u"2"_s, AG, AG);
        e.servidor.lento(4000);

        auto envio = e.comandos->Ejecuta_Comando(u"enviar"_s);
        QTRY_VERIFY_WITH_TIMEOUT(e.servidor.transferencias().contains(u"STOR /ag0123/"_s + m), 30000);
        this->falla(falla, e.oficina);
        if (falla == Falla::Parada)
            m_cluster->arranca();
        QVERIFY2(!envio.isReady(), "the upload ended before the failure: the test proves nothing");
        QCoro::waitFor(std::move(envio));

        QCOMPARE(e.servidor.transferencias().count(u"STOR /ag0123/"_s + m), 1);
        QCOMPARE(cuenta(p, u"SELECT COUNT(*) FROM TRANSMISION WHERE ESTADO = 'ENVIADO' AND ACEPTADO IS NOT NULL"_s), 1);
        QCOMPARE(cuenta(p, u"SELECT COUNT(*) FROM TRANSMISION"_s), 1);
        QCOMPARE(cuenta(p, u"SELECT COUNT(*) FROM COLA_ENVIO"_s), 0);
        QCOMPARE(e.nombresRecepcion(), QStringList {m});
        QCOMPARE(e.persona().textos(), QStringList());
    }

    // With the server stopped, the send uploads nothing (nothing the office
    // has not recorded), says so once, and keeps the file queued; started
    // again, the next send uploads it once.
    void envioConLaBaseParada()
    {
        Escena e;
        const QString m = u"M0123001.045"_s;
        e.archivo(u"val_env"_s, m);
        Programa &p = e.carga();
        e.enLista(m, u"2"_s, AG, AG);
        m_cluster->detiene();
        e.ejecuta(u"enviar"_s);
        QCOMPARE(e.servidor.transferencias().filter(u"STOR"_s), QStringList());
        QCOMPARE(mensajesSinBase(e.persona()), 1);
        m_cluster->arranca();
        e.ejecuta(u"enviar"_s);
        QCOMPARE(e.servidor.transferencias().filter(u"STOR"_s), QStringList {u"STOR /ag0123/"_s + m});
        QCOMPARE(cuenta(p, u"SELECT COUNT(*) FROM TRANSMISION WHERE ACEPTADO IS NOT NULL"_s), 1);
        QCOMPARE(e.nombresEnvio(), QStringList());
    }

    // The journal's times are the database's clock, whatever the
    // program's (here pinned to a day in the past): acceptance and storage
    // within the server's now, and lateness counted on it.
    void relojDelServidor()
    {
        Escena e;
        const QString m = u"M0123001.045"_s;
        e.archivo(u"val_env"_s, m);
        Programa &p = e.carga();
        QVERIFY(qAbs(p.ahoraOficina().secsTo(QDateTime::currentDateTimeUtc())) < 300);
        e.enLista(m, u"2"_s, AG, AG);
        e.ejecuta(u"enviar"_s);
        e.servidor.escribe(AG + u"/k0123001.045"_s, "K\r\n");
        e.servidor.escribe(AG + u"/M0123001.err"_s, "R\r\n");
        QCoro::waitFor(e.ciclo->tick());
        const QDateTime servidor = *p.conexion().ahoraServidor();
        QSqlQuery q = p.conexion().ejecuta(u"SELECT T.ACEPTADO, R.GUARDADO FROM TRANSMISION T JOIN RESPUESTA R ON "
                                           "R.TRANSMISION = T.ID"_s);
        int filas = 0;
        while (q.next()) {
            ++filas;
            const QDateTime aceptado = QDateTime::fromString(q.value(0).toString(), Qt::ISODateWithMs);
            const QDateTime guardado = QDateTime::fromString(q.value(1).toString(), Qt::ISODateWithMs);
            QVERIFY2(qAbs(aceptado.secsTo(servidor)) < 300, qPrintable(q.value(0).toString()));
            QVERIFY(aceptado <= guardado);
        }
        QCOMPARE(filas, 2);
        EsperaRespuesta espera(p);
        QVERIFY(!espera.demorada(servidor.addSecs(-60)));
        QVERIFY(espera.demorada(servidor.addSecs(-31 * 60)));
    }
};

QTEST_GUILESS_MAIN(PruebaReconexion)
#include "PruebaReconexion.moc"
