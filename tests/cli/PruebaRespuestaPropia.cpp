// Each response belongs to its file: against a server that keeps its
// response files (the test server and the Debian daemons vsftpd, proftpd,
// pure-ftpd, each started as its own process), an old response of an
// awaited name is never taken for a new file, and a new one is taken also
// when the server wrote it in the same second as the upload.
//
// The servers give a file's time as its modification time on their disk:
// a response "written" by the server at a moment is a file whose time is set
// to it. New responses are written with exactly the time of the upload (the
// same second), the hardest case for the rule.

#include "core/base/Vb.h"
#include "tests/soporte/DemonioFtp.h"
#include "tests/soporte/HoraArchivo.h"
#include "tests/soporte/Oficina.h"
#include "tests/soporte/SalidaComando.h"
#include "tests/soporte/ServidorFtp.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

enum class Clase { Pyftpdlib, Vsftpd, Proftpd, PureFtpd };

DemonioFtp::Tipo tipoDe(Clase c)
{
    return c == Clase::Vsftpd ? DemonioFtp::Tipo::Vsftpd
                              : (c == Clase::Proftpd ? DemonioFtp::Tipo::Proftpd : DemonioFtp::Tipo::PureFtpd);
}

struct Escena {
    explicit Escena(Clase clase)
    {
        if (clase == Clase::Pyftpdlib) {
            prueba = std::make_unique<ServidorFtp>();
            prueba->apunta(oficina);
        } else {
            demonio = std::make_unique<DemonioFtp>(tipoDe(clase));
            demonio->apunta(oficina);
        }
    }

    QString ruta(const QString &rutaServidor) const
    {
        return prueba ? prueba->ruta(rutaServidor) : demonio->ruta(rutaServidor);
    }
    bool existe(const QString &rutaServidor) const
    {
        return prueba ? prueba->existe(rutaServidor) : demonio->existe(rutaServidor);
    }
    // A file the server wrote at hora.
    void escribe(const QString &rutaServidor, const QByteArray &contenido, const QDateTime &hora) const
    {
        if (prueba)
            prueba->escribe(rutaServidor, contenido);
        else
            demonio->escribe(rutaServidor, contenido);
        fijaHora(ruta(rutaServidor), hora);
    }
    // The server's time of a file it holds (the upload's).
    QDateTime hora(const QString &rutaServidor) const { return horaDe(ruta(rutaServidor)); }

    void archivo(const QString &columna, const QString &nombre, const QByteArray &contenido) const
    {
        QFile f(QDir(oficina.carpeta(columna)).filePath(nombre));
        if (!f.open(QIODevice::WriteOnly) || f.write(contenido) != contenido.size())
            qFatal("no se pudo escribir %s", qPrintable(nombre));
    }
    QByteArray local(const QString &columna, const QString &nombre) const
    {
        QFile f(QDir(oficina.carpeta(columna)).filePath(nombre));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(no existe)");
    }
    int corre(const QStringList &args)
    {
        const SalidaComando s = tendalEnProceso(oficina, args);
        salida = s.out;
        errores = s.err;
        return s.estado;
    }

    Oficina oficina;
    std::unique_ptr<ServidorFtp> prueba;
    std::unique_ptr<DemonioFtp> demonio;
    QString salida, errores;
};

QString dia()
{
    return Vb::formato(QDate::currentDate().dayOfYear(), u"000"_s);
}

void servidores()
{
    QTest::addColumn<Clase>("clase");
    QTest::newRow("pyftpdlib") << Clase::Pyftpdlib;
    QTest::newRow("vsftpd") << Clase::Vsftpd;
    QTest::newRow("proftpd") << Clase::Proftpd;
    QTest::newRow("pure-ftpd") << Clase::PureFtpd;
}

#define PREPARA(clase)                                                                                                 \
    if (clase != Clase::Pyftpdlib)                                                                                     \
        if (const QString no = DemonioFtp::noDisponible(tipoDe(clase)); !no.isEmpty())                                 \
            QSKIP(qPrintable(no));                                                                                     \
    Escena e(clase)

} // namespace

Q_DECLARE_METATYPE(Clase)

class PruebaRespuestaPropia : public QObject
{
    Q_OBJECT

private slots:
    void init() { qunsetenv("TENDAL_CLAVE_PAGO"); }

    // A corrected file sent again under its name: the responses of the
    // first send, still on the server, are passed over (the history says
    // so, with their time), and the new ones are taken.
    void corregidoReenviado_data() { servidores(); }
    void corregidoReenviado()
    {
        QFETCH(Clase, clase);
        PREPARA(clase);
        const QString m = u"M0123001."_s + dia();
        const QString k = u"k0123001."_s + dia();
        e.archivo(u"val_env"_s, m, "500|1|0123|3001234|47|\r\n");
        QVERIFY2(e.corre({u"enviar"_s, m, u"--sin-espera"_s}) == 0, qPrintable(e.errores));
        const QDateTime primero = e.hora(u"/ag0123/"_s + m);
        e.escribe(u"/ag0123/"_s + k, "PRIMERA K\r\n", primero);
        e.escribe(u"/ag0123/M0123001.err"_s, "PRIMERA ERR\r\n", primero);
        QVERIFY2(e.corre({u"recibir"_s, u"--espera"_s, u"20"_s}) == 0, qPrintable(e.errores));
        QCOMPARE(e.local(u"val_rec"_s, u"M0123001.err"_s), QByteArray("PRIMERA ERR\r\n"));

        e.archivo(u"val_env"_s, m, "500|1|0123|3001234|48|\r\n");
        QVERIFY2(e.corre({u"enviar"_s, m, u"--sin-espera"_s}) == 0, qPrintable(e.errores));
        const QDateTime segundo = e.hora(u"/ag0123/"_s + m);
        QCOMPARE(e.corre({u"recibir"_s, u"--espera"_s, u"4"_s}), 1);
        QCOMPARE(e.local(u"val_rec"_s, u"M0123001.err"_s), QByteArray("PRIMERA ERR\r\n"));
        QCOMPARE(e.local(u"val_rec"_s, k), QByteArray("PRIMERA K\r\n"));
        QVERIFY2(e.errores.contains(u"Se pasó por alto M0123001.err"_s), qPrintable(e.errores));
        // The old ones stay on the server as they were.
        QVERIFY(e.existe(u"/ag0123/M0123001.err"_s));

        QCOMPARE(e.corre({u"historial"_s}), 0);
        QCOMPARE(e.salida.count(u"Pasada por alto"_s), 2);
        QVERIFY2(e.salida.contains(primero.toLocalTime().toString(u"dd/MM/yyyy HH:mm:ss"_s)), qPrintable(e.salida));

        e.escribe(u"/ag0123/"_s + k, "SEGUNDA K\r\n", segundo);
        e.escribe(u"/ag0123/M0123001.err"_s, "SEGUNDA ERR\r\n", segundo);
        QVERIFY2(e.corre({u"recibir"_s, u"--espera"_s, u"20"_s}) == 0, qPrintable(e.errores));
        QCOMPARE(e.local(u"val_rec"_s, u"M0123001.err"_s), QByteArray("SEGUNDA ERR\r\n"));
        QCOMPARE(e.local(u"val_rec"_s, k), QByteArray("SEGUNDA K\r\n"));
    }

    // Yesterday's validation response of the same number (validation names
    // drop the day) is not today's file's.
    void validacionDeAyer_data() { servidores(); }
    void validacionDeAyer()
    {
        QFETCH(Clase, clase);
        PREPARA(clase);
        const QString m = u"M0123001."_s + dia();
        e.escribe(u"/ag0123/M0123001.err"_s, "AYER\r\n", QDateTime::currentDateTimeUtc().addDays(-1));
        e.archivo(u"val_env"_s, m, "500|1|0123|3001234|47|\r\n");
        QVERIFY2(e.corre({u"enviar"_s, m, u"--sin-espera"_s}) == 0, qPrintable(e.errores));
        const QDateTime subido = e.hora(u"/ag0123/"_s + m);
        e.escribe(u"/ag0123/k0123001."_s + dia(), "HOY K\r\n", subido);
        QCOMPARE(e.corre({u"recibir"_s, u"--espera"_s, u"4"_s}), 1);
        QCOMPARE(e.local(u"val_rec"_s, u"M0123001.err"_s), QByteArray("(no existe)"));
        QCOMPARE(e.local(u"val_rec"_s, u"k0123001."_s + dia()), QByteArray("HOY K\r\n"));

        e.escribe(u"/ag0123/M0123001.err"_s, "HOY ERR\r\n", subido);
        QVERIFY2(e.corre({u"recibir"_s, u"--espera"_s, u"20"_s}) == 0, qPrintable(e.errores));
        QCOMPARE(e.local(u"val_rec"_s, u"M0123001.err"_s), QByteArray("HOY ERR\r\n"));
    }

    // Two payment files that await one prevalidation name, in one command:
    // the second stays queued, told why, until the first's response is in;
    // sent then, it is not given the first's response either.
    void dosPagosUnNombre_data() { servidores(); }
    void dosPagosUnNombre()
    {
        QFETCH(Clase, clase);
        PREPARA(clase);
        const QString d = dia();
        const QString uno = u"E0123001."_s + d, otro = u"E0123101."_s + d, ke = u"ke012301."_s + d;
        e.archivo(u"pag_env"_s, uno, "40012|0123|1|\r\n");
        e.archivo(u"pag_env"_s, otro, "40012|0123|2|\r\n");
        qputenv("TENDAL_CLAVE_PAGO", "Pago123");
        QCOMPARE(e.corre({u"enviar"_s, uno, otro, u"--sin-espera"_s}), 1);
        QVERIFY2(e.errores.contains(u"Queda 1 archivo en la lista de envío."_s), qPrintable(e.errores));
        QVERIFY(e.existe(u"/yexin/"_s + uno));
        QVERIFY(!e.existe(u"/yexin/"_s + otro));
        QVERIFY2(e.errores.contains(u"El archivo %1 no se envió y sigue en la lista de envío: su respuesta %2 todavía "
                                    u"la espera %3"_s.arg(otro, ke, uno)),
                 qPrintable(e.errores));

        const QDateTime t1 = e.hora(u"/yexin/"_s + uno);
        e.escribe(u"/yexout/"_s + ke, "KE DEL 001\r\n", t1);
        e.escribe(u"/yexout/a0123001."_s + d, "A DEL 001\r\n", t1);
        QVERIFY2(e.corre({u"recibir"_s, u"--espera"_s, u"20"_s}) == 0, qPrintable(e.errores));
        QCOMPARE(e.local(u"pag_rec"_s, u"a0123001."_s + d), QByteArray("A DEL 001\r\n"));

        QVERIFY2(e.corre({u"enviar"_s, u"--sin-espera"_s}) == 0, qPrintable(e.errores));
        QVERIFY(e.existe(u"/yexin/"_s + otro));
        e.escribe(u"/yexout/a0123101."_s + d, "A DEL 101\r\n", e.hora(u"/yexin/"_s + otro));
        QCOMPARE(e.corre({u"recibir"_s, u"--espera"_s, u"4"_s}), 1);
        QCOMPARE(e.local(u"val_rec"_s, ke), QByteArray("KE DEL 001\r\n"));
        QCOMPARE(e.corre({u"historial"_s}), 0);
        QCOMPARE(e.salida.count(u"Pasada por alto"_s), 1);
    }

    // A server that refuses the time command: a response byte for byte the
    // one an earlier file of its name got is held as suspect, and the person
    // is told; a different one is taken.
    void servidorSinHoras()
    {
        Escena e(Clase::Pyftpdlib);
        e.prueba->rechazaHoras(502);
        const QString m = u"M0123001."_s + dia();
        const QString k = u"k0123001."_s + dia();
        e.archivo(u"val_env"_s, m, "500|1|0123|3001234|47|\r\n");
        QVERIFY2(e.corre({u"enviar"_s, m, u"--sin-espera"_s}) == 0, qPrintable(e.errores));
        const QDateTime ahora = QDateTime::currentDateTimeUtc();
        e.escribe(u"/ag0123/"_s + k, "PRIMERA K\r\n", ahora);
        e.escribe(u"/ag0123/M0123001.err"_s, "PRIMERA ERR\r\n", ahora);
        QVERIFY2(e.corre({u"recibir"_s, u"--espera"_s, u"20"_s}) == 0, qPrintable(e.errores));

        e.archivo(u"val_env"_s, m, "500|1|0123|3001234|48|\r\n");
        QVERIFY2(e.corre({u"enviar"_s, m, u"--sin-espera"_s}) == 0, qPrintable(e.errores));
        e.escribe(u"/ag0123/"_s + k, "SEGUNDA K\r\n", ahora);
        QCOMPARE(e.corre({u"recibir"_s, u"--espera"_s, u"4"_s}), 1);
        QCOMPARE(e.local(u"val_rec"_s, k), QByteArray("SEGUNDA K\r\n"));
        QCOMPARE(e.local(u"val_rec"_s, u"M0123001.err"_s), QByteArray("PRIMERA ERR\r\n"));
        QCOMPARE(e.errores.count(u"La respuesta M0123001.err que está en el servidor es idéntica"_s), 1);
        QCOMPARE(e.corre({u"historial"_s}), 0);
        QVERIFY2(
            e.salida.contains(u"Pasada por alto: igual a la respuesta de un envío anterior, sin hora del servidor"_s),
            qPrintable(e.salida));

        e.escribe(u"/ag0123/M0123001.err"_s, "SEGUNDA ERR\r\n", ahora);
        QVERIFY2(e.corre({u"recibir"_s, u"--espera"_s, u"20"_s}) == 0, qPrintable(e.errores));
        QCOMPARE(e.local(u"val_rec"_s, u"M0123001.err"_s), QByteArray("SEGUNDA ERR\r\n"));
    }
};

QTEST_GUILESS_MAIN(PruebaRespuestaPropia)
#include "PruebaRespuestaPropia.moc"
