// tendal recibir, run in-process with its streams captured, on an office
// whose reception list was stored by an earlier run.

#include "core/oficina/Programa.h"
#include "tests/soporte/Oficina.h"
#include "tests/soporte/SalidaComando.h"
#include "tests/soporte/ServidorFtp.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTest>

using namespace Qt::StringLiterals;

class PruebaComandoRecibir : public QObject
{
    Q_OBJECT

private slots:
    // The stored entries are resumed: one line per response, the list left
    // empty, exit 0; with nothing awaited it says so.
    void recogeLoPendiente()
    {
        ServidorFtp servidor;
        Oficina oficina;
        servidor.apunta(oficina);
        const QString saai = oficina.carpeta(u"val_rec"_s);
        {
            Programa &p = oficina.carga();
            p.listaRecepcion().agrega({u"M0123001.045"_s, QString(), QString(), u"10:30 a. m."_s, u"/ag0123"_s,
                                       u"/ag0123"_s, u"k0123001.045"_s, u"M0123001.err"_s, saai, u"2"_s});
        }
        servidor.escribe(u"/ag0123/k0123001.045"_s, "ACUSE\r\n");
        servidor.escribe(u"/ag0123/M0123001.err"_s, "F3001234ABCD1234\r\n");

        SalidaComando s = tendalEnProceso(oficina, {u"recibir"_s, u"--espera"_s, u"10"_s});
        QCOMPARE(s.estado, 0);
        QCOMPARE(s.out, u"K  k0123001.045  "_s + QDir(saai).filePath(u"k0123001.045"_s) + u"\nR  M0123001.err  "_s
                            + QDir(saai).filePath(u"M0123001.err"_s) + u'\n');
        QVERIFY2(s.err.isEmpty(), qPrintable(s.err));

        s = tendalEnProceso(oficina, {u"recibir"_s});
        QCOMPARE(s.estado, 0);
        QCOMPARE(s.out, u"No hay archivos en espera de respuesta.\n"_s);
    }

    // The wait runs out with a response still missing: the entry stays for
    // the next run, and the exit says so.
    void esperaAgotada()
    {
        ServidorFtp servidor;
        Oficina oficina;
        servidor.apunta(oficina);
        oficina.carga().listaRecepcion().agrega({u"S0123005.045"_s, u"X"_s, QString(), u"10:30 a. m."_s, QString(),
                                                 u"/sagarpaout"_s, QString(), u"x0123005.045"_s,
                                                 oficina.carpeta(u"sag_rec"_s), u"8"_s});
        const SalidaComando s = tendalEnProceso(oficina, {u"recibir"_s, u"--espera"_s, u"0"_s});
        QCOMPARE(s.estado, 1);
        QVERIFY(s.out.isEmpty());
        QVERIFY2(s.err.startsWith(u"Queda 1 archivo en espera de respuesta"_s), qPrintable(s.err));
        QCOMPARE(oficina.carga().listaRecepcion().cuenta(), 1);

        QCOMPARE(tendalEnProceso(oficina, {u"recibir"_s, u"--espera"_s, u"pronto"_s}).estado, 2);
    }

    // --espera is kept whatever the server does: a server that never greets
    // or a data connection that never moves a byte is cut when the wait is
    // over (the command line's own limits are 15 s to connect and 30 s
    // without data, so an end within 12 s of a 2 s wait is the deadline's
    // doing), with the message of what happened; a download cut off in the
    // middle is said too. The entry stays for the next run.
    void esperaCumplida_data()
    {
        QTest::addColumn<QString>("falla");
        QTest::addColumn<QString>("mensaje");
        QTest::newRow("saludo") << u"saludo"_s << u"No hay conexión al servidor de VORDELAN"_s;
        QTest::newRow("datos") << u"datos"_s << u"antes de terminar el plazo de espera"_s;
        QTest::newRow("cortada") << u"cortada"_s
                                 << u"La recepción se interrumpió: Se perdió la conexión con el servidor durante "
                                    "la recepción de M0123001.err de /ag0123"_s;
    }
    void esperaCumplida()
    {
        QFETCH(QString, falla);
        QFETCH(QString, mensaje);
        ServidorFtp servidor;
        Oficina oficina;
        servidor.apunta(oficina);
        const QString saai = oficina.carpeta(u"val_rec"_s);
        oficina.carga().listaRecepcion().agrega({u"M0123001.045"_s, u"X"_s, QString(), u"10:30 a. m."_s, QString(),
                                                 u"/ag0123"_s, QString(), u"M0123001.err"_s, saai, u"2"_s});
        servidor.escribe(u"/ag0123/M0123001.err"_s, QByteArray(256 * 1024, 'F'));
        if (falla == u"saludo")
            servidor.detieneSaludo();
        else if (falla == u"datos")
            servidor.detieneDatos();
        else
            servidor.cortaTras(1000);

        QElapsedTimer reloj;
        reloj.start();
        const SalidaComando s = tendalEnProceso(oficina, {u"recibir"_s, u"--espera"_s, u"2"_s});
        const qint64 ms = reloj.elapsed();
        QVERIFY2(ms < 12000, qPrintable(u"%1 ms"_s.arg(ms)));
        QCOMPARE(s.estado, 1);
        QVERIFY2(s.err.contains(mensaje), qPrintable(s.err));
        QVERIFY2(s.err.contains(u"Queda 1 archivo en espera de respuesta"_s), qPrintable(s.err));
        servidor.restablece();
        QCOMPARE(oficina.carga().listaRecepcion().cuenta(), 1);
    }
};

QTEST_GUILESS_MAIN(PruebaComandoRecibir)
#include "PruebaComandoRecibir.moc"
