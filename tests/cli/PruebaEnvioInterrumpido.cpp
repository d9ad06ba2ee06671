// A `tendal enviar` killed for real at each step of a send, and two senders
// at once over a few hundred files: the next send neither fails nor uploads
// a file twice, and nothing is lost. A real SQLite file (or the test's own
// PostgreSQL cluster), a real FTP server that says what it took, the built
// `tendal`. Each kill waits for the state it needs: a line in the server's
// log, a claim in the journal, the journal's lock held by the test.

#include "core/base/Funciones.h"
#include "core/db/Conexion.h"
#include "core/envio/ArchivoPago.h"
#include "tests/soporte/Escena.h"
#include "tests/soporte/ProcesoTendal.h"

#include <QSqlQuery>
#include <QTest>

#include <csignal>

using namespace Qt::StringLiterals;

namespace {

const QString AG = u"/ag0123"_s;

qint64 valor(Programa &p, const QString &sql, const QVariantList &valores = {})
{
    QSqlQuery q = p.conexion().ejecuta(sql, valores);
    return q.next() ? q.value(0).toLongLong() : -1;
}

// The uploads of a server path that the server closed with the whole file.
int completas(ServidorFtp &servidor, const QString &ruta, qint64 tamano)
{
    return int(servidor.recibidos().count(ruta + u' ' + QString::number(tamano)));
}

// The server closed an upload of this path, whatever its size: the size.
std::optional<qint64> cerrada(ServidorFtp &servidor, const QString &ruta)
{
    for (const QString &r : servidor.recibidos())
        if (r.section(u' ', 0, 0) == ruta)
            return r.section(u' ', 1).toLongLong();
    return std::nullopt;
}

bool mata(ProcesoTendal &t)
{
    ::kill(pid_t(t.p.processId()), SIGKILL);
    return t.p.waitForFinished(60000) && t.p.exitStatus() == QProcess::CrashExit;
}

} // namespace

class PruebaEnvioInterrumpido : public QObject
{
    Q_OBJECT

private slots:
    void muertoEnCadaPaso_data()
    {
        QTest::addColumn<QString>("paso");
        QTest::newRow("antes del reclamo") << u"antes"_s;
        QTest::newRow("durante la subida") << u"durante"_s;
        QTest::newRow("tras la subida, antes de su registro") << u"tras"_s;
    }
    void muertoEnCadaPaso()
    {
        QFETCH(QString, paso);
        Escena e;
        const QByteArray grande(256 * 1024, 'g');
        const QByteArray chico = "PEDIMENTO\r\n";
        e.archivo(u"val_env"_s, hoy(1), grande);
        e.archivo(u"val_env"_s, hoy(2), chico);
        Programa &p = e.carga();
        const QString ruta1 = AG + u'/' + hoy(1);
        const QString ruta2 = AG + u'/' + hoy(2);
        const QString pago = ArchivoPago::carpetaServidor() + u'/' + ArchivoPago::nombre(123);
        const auto reclamos = [&] {
            return valor(p, u"SELECT COUNT(*) FROM TRANSMISION WHERE ESTADO = 'ENVIANDO'"_s);
        };

        std::unique_ptr<Conexion> cerrojo;
        if (paso == u"antes") {
            // The payment file's download never moves a byte: the send
            // stops there, before any claim.
            e.servidor.escribe(pago, "N\r\n");
            e.servidor.detieneDatos();
        } else {
            e.servidor.lento(64 * 1024);
        }
        ProcesoTendal primero(e.oficina, {u"enviar"_s, u"--sin-espera"_s, u"--si"_s, hoy(1), hoy(2)});
        if (paso == u"antes") {
            QTRY_VERIFY_WITH_TIMEOUT(e.servidor.transferencias().contains(u"RETR "_s + pago), 60000);
            QCOMPARE(valor(p, u"SELECT COUNT(*) FROM COLA_ENVIO"_s), 2);
            QCOMPARE(reclamos(), 0);
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(e.servidor.transferencias().contains(u"STOR "_s + ruta1), 60000);
            QCOMPARE(reclamos(), 1);
        }
        if (paso == u"tras") {
            // The journal's lock, held by the test: the upload goes on, its
            // record waits.
            cerrojo = Conexion::abreArchivo(p.conexion().ruta());
            cerrojo->comienza();
            cerrojo->ejecuta(cerrojo->enServidor() ? u"LOCK TABLE DIARIO_VERSION IN EXCLUSIVE MODE"_s
                                                   : u"UPDATE DIARIO_VERSION SET NUMERO = NUMERO"_s);
            QSqlQuery q = cerrojo->ejecuta(u"SELECT COUNT(*) FROM TRANSMISION WHERE ESTADO = 'ENVIANDO'"_s);
            QVERIFY(q.next());
            QCOMPARE(q.value(0).toInt(), 1);
            q.finish();
            // The server took the whole file.
            QTRY_COMPARE_WITH_TIMEOUT(cerrada(e.servidor, ruta1), std::optional<qint64>(grande.size()), 60000);
        }
        QVERIFY(mata(primero));
        if (cerrojo)
            cerrojo->deshace();
        cerrojo.reset();
        if (paso == u"durante") {
            // The server closed the upload short.
            QTRY_VERIFY_WITH_TIMEOUT(cerrada(e.servidor, ruta1).has_value(), 60000);
            QVERIFY(*cerrada(e.servidor, ruta1) < grande.size());
        }
        if (paso == u"antes")
            QFile::remove(e.servidor.ruta(pago));
        e.servidor.restablece();
        QCOMPARE(reclamos(), paso == u"antes" ? 0 : 1);

        // The next send.
        ProcesoTendal segundo(e.oficina, {u"enviar"_s, u"--sin-espera"_s, u"--si"_s, hoy(1), hoy(2)});
        QCOMPARE(segundo.termina(), 0);

        QCOMPARE(e.servidor.lee(ruta1), grande);
        QCOMPARE(e.servidor.lee(ruta2), chico);
        QCOMPARE(completas(e.servidor, ruta1, grande.size()), 1);
        QCOMPARE(completas(e.servidor, ruta2, chico.size()), 1);
        if (paso == u"tras")
            QCOMPARE(e.servidor.transferencias().count(u"STOR "_s + ruta1), 1);
        QCOMPARE(valor(p, u"SELECT COUNT(*) FROM TRANSMISION WHERE ESTADO = 'ENVIADO' AND NOMBRE = ?"_s, {hoy(1)}), 1);
        QCOMPARE(valor(p, u"SELECT COUNT(*) FROM TRANSMISION WHERE ESTADO = 'ENVIADO' AND NOMBRE = ?"_s, {hoy(2)}), 1);
        QCOMPARE(reclamos(), 0);
        QCOMPARE(valor(p, u"SELECT COUNT(*) FROM COLA_ENVIO"_s), 0);
        p.refrescaListas();
        QCOMPARE(e.nombresRecepcion(), (QStringList {hoy(1), hoy(2)}));
    }

    // Two `tendal enviar` at once, each queuing every file of the day it
    // finds and sending the send list: every file uploaded once, by one of
    // them, and recorded once.
    void dosEnviadoresUnaSubidaPorArchivo()
    {
        Escena e;
        const int n = 200;
        for (int i = 1; i <= n; ++i)
            e.archivo(u"val_env"_s, hoy(i), "PEDIMENTO " + hoy(i).toLatin1() + "\r\n");
        Programa &p = e.carga();

        ProcesoTendal a(e.oficina, {u"enviar"_s, u"--sin-espera"_s, u"--si"_s});
        ProcesoTendal b(e.oficina, {u"enviar"_s, u"--sin-espera"_s, u"--si"_s});
        const int estadoA = a.termina();
        const int estadoB = b.termina();

        const QStringList recibidos = e.servidor.recibidos();
        QCOMPARE(recibidos.size(), n);
        QStringList rutas;
        for (const QString &r : recibidos)
            rutas << r.section(u' ', 0, 0);
        rutas.removeDuplicates();
        QCOMPARE(rutas.size(), n);
        QCOMPARE(valor(p, u"SELECT COUNT(*) FROM TRANSMISION WHERE ESTADO = 'ENVIADO'"_s), n);
        QCOMPARE(valor(p, u"SELECT COUNT(DISTINCT NOMBRE) FROM TRANSMISION"_s), n);
        QCOMPARE(valor(p, u"SELECT COUNT(*) FROM TRANSMISION WHERE ESTADO = 'ENVIANDO'"_s), 0);
        QCOMPARE(valor(p, u"SELECT COUNT(*) FROM COLA_ENVIO"_s), 0);
        QCOMPARE(estadoA, 0);
        QCOMPARE(estadoB, 0);
    }
};

QTEST_GUILESS_MAIN(PruebaEnvioInterrumpido)
#include "PruebaEnvioInterrumpido.moc"
