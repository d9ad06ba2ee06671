// Several programs on one office, as real processes of the built `tendal`
// next to an in-process window: nothing lost, nothing uploaded twice, every
// response stored once. A real SQLite file and a real FTP server.

#include "core/base/Funciones.h"
#include "tests/soporte/Escena.h"
#include "tests/soporte/ProcesoTendal.h"

#include <QCoro/QCoroTask>
#include <QDir>
#include <QProcess>
#include <QSqlQuery>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString AG = u"/ag0123"_s;

int cuenta(Programa &p, const QString &sql, const QVariantList &valores = {})
{
    QSqlQuery q = p.conexion().ejecuta(sql, valores);
    return q.next() ? q.value(0).toInt() : -1;
}

} // namespace

class PruebaDosProgramas : public QObject
{
    Q_OBJECT

private slots:
    // The window open on the office while `tendal enviar --sin-espera` lists
    // its files; the window then sends its own and drops it when its
    // responses come: the terminal's files stay awaited and are fetched.
    void ventanaYTerminalNoPierdenEntradas()
    {
        Escena e;
        e.oficina.reloj.fija(QDateTime::currentDateTime());
        for (int n = 1; n <= 6; ++n)
            e.archivo(u"val_env"_s, hoy(n));
        Programa &ventana = e.carga();

        ProcesoTendal terminal(e.oficina, {u"enviar"_s, u"--sin-espera"_s, hoy(1), hoy(2), hoy(3), hoy(4), hoy(5)});
        QCOMPARE(terminal.termina(), 0);

        e.enLista(hoy(6), u"2"_s, AG, AG);
        e.ejecuta(u"enviar"_s);
        QCOMPARE(e.persona().textos(), QStringList());
        QCOMPARE(e.nombresRecepcion(), (QStringList {hoy(1), hoy(2), hoy(3), hoy(4), hoy(5), hoy(6)}));

        e.responde(hoy(6));
        QCoro::waitFor(e.ciclo->tick());
        QCOMPARE(e.nombresRecepcion(), (QStringList {hoy(1), hoy(2), hoy(3), hoy(4), hoy(5)}));

        for (int n = 1; n <= 5; ++n)
            e.responde(hoy(n));
        ProcesoTendal recibir(e.oficina, {u"recibir"_s, u"--espera"_s, u"60"_s});
        QCOMPARE(recibir.termina(), 0);
        QCOMPARE(recibir.salida().count(u'\n'), 10);
        QVERIFY(ventana.refrescaListas());
        QCOMPARE(e.nombresRecepcion(), QStringList());
        QCOMPARE(ventana.listaEnvio().cuenta(), 12);
        QCOMPARE(cuenta(ventana, u"SELECT COUNT(*) FROM RESPUESTA"_s), 12);
    }

    // While one program uploads a large file, a second sends the send list:
    // the file being uploaded is claimed and not taken again.
    void archivoSubiendoNoSeSubeDosVeces()
    {
        Escena e;
        e.archivo(u"val_env"_s, hoy(1), QByteArray(768 * 1024, 'x'));
        e.archivo(u"val_env"_s, hoy(2));
        Programa &p = e.carga();
        e.servidor.lento(256 * 1024);

        ProcesoTendal primero(e.oficina, {u"enviar"_s, u"--sin-espera"_s, hoy(1)});
        // The first has claimed its file once the journal shows the claim.
        for (int i = 0; i < 200 && cuenta(p, u"SELECT COUNT(*) FROM TRANSMISION WHERE ESTADO = 'ENVIANDO'"_s) == 0; ++i)
            QTest::qWait(50);
        QCOMPARE(cuenta(p, u"SELECT COUNT(*) FROM TRANSMISION WHERE ESTADO = 'ENVIANDO'"_s), 1);
        ProcesoTendal segundo(e.oficina, {u"enviar"_s, u"--sin-espera"_s, hoy(2)});
        QCOMPARE(segundo.termina(), 0);
        QCOMPARE(primero.termina(), 0);

        QVERIFY(!segundo.salida().contains(hoy(1)));
        QCOMPARE(cuenta(p, u"SELECT COUNT(*) FROM TRANSMISION WHERE NOMBRE = ? AND ACEPTADO IS NOT NULL"_s, {hoy(1)}),
                 1);
        QCOMPARE(cuenta(p, u"SELECT COUNT(*) FROM TRANSMISION WHERE NOMBRE = ? AND ACEPTADO IS NOT NULL"_s, {hoy(2)}),
                 1);
        QCOMPARE(e.servidor.lee(AG + u'/' + hoy(1)).size(), 768 * 1024);
        p.refrescaListas();
        QCOMPARE(e.nombresEnvio(), QStringList());
        QCOMPARE(e.nombresRecepcion().size(), 2);
    }

    // Two `tendal recibir` at once against one server: every response is
    // stored once, by one of them.
    void dosRecibirALaVez()
    {
        Escena e;
        Programa &p = e.carga();
        const int n = 20;
        for (int i = 1; i <= n; ++i) {
            const QString nombre = u"M0123%1.045"_s.arg(i, 3, 10, QLatin1Char('0'));
            e.aguarda(nombre);
            e.responde(nombre);
        }
        ProcesoTendal a(e.oficina, {u"recibir"_s, u"--espera"_s, u"60"_s});
        ProcesoTendal b(e.oficina, {u"recibir"_s, u"--espera"_s, u"60"_s});
        QCOMPARE(a.termina(), 0);
        QCOMPARE(b.termina(), 0);
        const QStringList lineas = (a.salida() + b.salida()).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lineas.size(), 2 * n);
        QCOMPARE(QSet<QString>(lineas.cbegin(), lineas.cend()).size(), 2 * n);
        QCOMPARE(cuenta(p, u"SELECT COUNT(*) FROM RESPUESTA"_s), 2 * n);
        QVERIFY(!QDir(e.oficina.carpeta(u"val_rec"_s)).exists(u"anteriores"_s));
        p.refrescaListas();
        QCOMPARE(e.nombresRecepcion(), QStringList());
    }
};

QTEST_GUILESS_MAIN(PruebaDosProgramas)
#include "PruebaDosProgramas.moc"
