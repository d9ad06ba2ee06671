#include "core/ftp/ClienteFtp.h"
#include "core/ftp/ControlFtp.h"
#include "core/base/ErrorTendal.h"
#include "core/oficina/Programa.h"
#include "core/servidor/SesionFtp.h"
#include "tests/soporte/Oficina.h"
#include "tests/soporte/ServidorFtp.h"

#include <QCoro/QCoroTask>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtConcurrent/QtConcurrentRun>
#include <QTimer>
#include <QtTest>

#include <functional>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

// The FTP client against a real server: login, the proxy form, transfers,
// and every failure the callers tell apart by number.
class PruebaFtp : public QObject
{
    Q_OBJECT

    std::unique_ptr<ServidorFtp> servidor;
    QTemporaryDir local;

    // Quick limits, so that the stalled-server cases end soon.
    static constexpr ClienteFtp::Limites limites {2, 1, 2};

    // The number that an operation fails with, 0 when it does not fail.
    static int numeroDe(const std::function<void()> &operacion, QString *descripcion = nullptr)
    {
        try {
            operacion();
        } catch (const ErrorTendal &e) {
            if (descripcion)
                *descripcion = e.descripcion();
            return e.numero();
        }
        return 0;
    }

    QString rutaLocal(const QString &nombre) const { return local.filePath(nombre); }

    static QByteArray contenido(const QString &ruta)
    {
        QFile f(ruta);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    static void escribe(const QString &ruta, const QByteArray &datos)
    {
        QFile f(ruta);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(datos);
    }

    // Names in the local folder (temporary names of a download included).
    QStringList archivosLocales() const { return QDir(local.path()).entryList(QDir::Files | QDir::Hidden); }

    // An address where nothing listens: a port that was free a moment ago.
    static QString direccionCerrada()
    {
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a {};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t largo = sizeof a;
        ::bind(s, reinterpret_cast<sockaddr *>(&a), sizeof a);
        ::getsockname(s, reinterpret_cast<sockaddr *>(&a), &largo);
        ::close(s);
        return u"127.0.0.1:%1"_s.arg(ntohs(a.sin_port));
    }

private slots:
    void initTestCase() { servidor = std::make_unique<ServidorFtp>(); }

    void init()
    {
        servidor->restablece();
        for (const QString &n : archivosLocales())
            QFile::remove(rutaLocal(n));
    }

    void inicioDeSesion_data()
    {
        QTest::addColumn<QString>("direccion"); // "servidor": the test server
        QTest::addColumn<QString>("usuario");
        QTest::addColumn<QString>("clave");
        QTest::addColumn<QString>("interruptor");
        QTest::addColumn<int>("numero");

        QTest::newRow("cuenta del agente") << u"servidor"_s << u"ag0123"_s << u"secreto"_s << QString() << 0;
        QTest::newRow("cuenta de actualización") << u"servidor"_s << u"actualizador"_s << u"vermio"_s << QString() << 0;
        QTest::newRow("contraseña equivocada") << u"servidor"_s << u"ag0123"_s << u"otra"_s << QString() << 1015;
        QTest::newRow("usuario desconocido") << u"servidor"_s << u"ag9999"_s << u"secreto"_s << QString() << 1015;
        QTest::newRow("usuario rechazado") << u"servidor"_s << u"ag0123"_s << u"secreto"_s << u"rechazaLogin"_s << 1013;
        QTest::newRow("servidor ocupado") << u"servidor"_s << u"ag0123"_s << u"secreto"_s << u"ocupado"_s << 1029;
        QTest::newRow("nadie escucha") << direccionCerrada() << u"ag0123"_s << u"secreto"_s << QString() << 1029;
        QTest::newRow("nombre que no existe")
            << u"servidor-inexistente.invalid"_s << u"ag0123"_s << u"secreto"_s << QString() << 1029;
        QTest::newRow("sin dirección") << QString() << u"ag0123"_s << u"secreto"_s << QString() << 1029;
        QTest::newRow("servidor mudo") << u"servidor"_s << u"ag0123"_s << u"secreto"_s << u"detieneSaludo"_s << 1029;
    }

    void inicioDeSesion()
    {
        QFETCH(QString, direccion);
        QFETCH(QString, usuario);
        QFETCH(QString, clave);
        QFETCH(QString, interruptor);
        QFETCH(int, numero);
        if (interruptor == u"rechazaLogin"_s)
            servidor->rechazaLogin();
        else if (interruptor == u"ocupado"_s)
            servidor->ocupado();
        else if (interruptor == u"detieneSaludo"_s)
            servidor->detieneSaludo();
        if (direccion == u"servidor"_s)
            direccion = servidor->direccion();

        ClienteFtp cliente(limites);
        QElapsedTimer reloj;
        reloj.start();
        QString descripcion;
        QCOMPARE(numeroDe([&] { cliente.conecta(direccion, usuario, clave); }, &descripcion), numero);
        QVERIFY2(numero == 0 || !descripcion.isEmpty(), "un error sin descripción");
        QVERIFY2(!descripcion.contains(clave) || clave.isEmpty(), "la descripción muestra la contraseña");
        QCOMPARE(cliente.conectado(), numero == 0);
        // A silent server ends the attempt within the limits, not for ever.
        QVERIFY2(reloj.elapsed() < 30000, qPrintable(u"%1 ms"_s.arg(reloj.elapsed())));
        cliente.desconecta();
        QVERIFY(!cliente.conectado());
    }

    // The accounts as Conecta_FTP builds them, seen from the server.
    void cuentasYProxy_data()
    {
        QTest::addColumn<bool>("proxy");
        QTest::addColumn<bool>("actualizacion");
        QTest::addColumn<QString>("usuarioVisto");

        QTest::newRow("agente") << false << false << u"ag0123"_s;
        QTest::newRow("actualizador") << false << true << u"actualizador"_s;
        QTest::newRow("agente por proxy") << true << false << u"ag0123@validacion.ejemplo:2121"_s;
        QTest::newRow("actualizador por proxy") << true << true << u"actualizador@validacion.ejemplo:2121"_s;
    }

    void cuentasYProxy()
    {
        QFETCH(bool, proxy);
        QFETCH(bool, actualizacion);
        QFETCH(QString, usuarioVisto);

        Oficina oficina;
        servidor->apunta(oficina);
        if (proxy) // the server's own address is then only a name passed to the proxy
            oficina.sql(u"UPDATE PARAMETROS SET proxy = 1, ip_proxy = ?, Host_Internet = 'validacion.ejemplo:2121'"_s,
                        {servidor->direccion()});
        Programa &programa = oficina.carga();

        const int antes = servidor->usuarios().size();
        QCoro::waitFor(SesionFtp::Conecta_FTP(programa.eftpPrincipal, actualizacion, programa));
        QVERIFY(programa.eftpPrincipal.conectado());
        QCoro::waitFor(SesionFtp::Desconecta_FTP(programa.eftpPrincipal));
        const QStringList usuarios = servidor->usuarios();
        QCOMPARE(usuarios.size(), antes + 1);
        QCOMPARE(usuarios.last(), usuarioVisto);
    }

    // Uploads into the right folders, downloads (an empty file too), names
    // listed, all over one login.
    void sesionCompleta()
    {
        const QByteArray datos = QByteArray("M0123001.045\r\n").repeated(5000);
        escribe(rutaLocal(u"M0123001.045"_s), datos);
        escribe(rutaLocal(u"E0123001.045"_s), "pago\r\n");
        servidor->escribe(u"/update/InfoYEX.txt"_s, "08/12/2006|10:30|5|\r\n");
        servidor->escribe(u"/update/vacio.txt"_s, QByteArray());

        ClienteFtp cliente(limites);
        const int antes = servidor->usuarios().size();
        cliente.conecta(servidor->direccion(), u"ag0123"_s, u"secreto"_s);
        cliente.envia(rutaLocal(u"M0123001.045"_s), u"/ag0123"_s, u"M0123001.045"_s);
        cliente.envia(rutaLocal(u"E0123001.045"_s), u"/yexin/"_s, u"E0123001.045"_s);
        cliente.recibe(rutaLocal(u"InfoYEX.txt"_s), u"/update"_s, u"InfoYEX.txt"_s);
        cliente.recibe(rutaLocal(u"vacio.txt"_s), u"/update"_s, u"vacio.txt"_s);
        const QStringList nombres = cliente.lista(u"/ag0123"_s);
        const QStringList raiz = cliente.lista(u"/"_s);
        cliente.desconecta();

        QCOMPARE(servidor->lee(u"/ag0123/M0123001.045"_s), datos);
        QCOMPARE(servidor->lee(u"/yexin/E0123001.045"_s), QByteArray("pago\r\n"));
        QCOMPARE(contenido(rutaLocal(u"InfoYEX.txt"_s)), QByteArray("08/12/2006|10:30|5|\r\n"));
        QVERIFY(QFileInfo(rutaLocal(u"vacio.txt"_s)).isFile());
        QCOMPARE(QFileInfo(rutaLocal(u"vacio.txt"_s)).size(), 0);
        QCOMPARE(nombres, QStringList {u"M0123001.045"_s});
        QVERIFY2(raiz.contains(u"ag0123"_s) && raiz.contains(u"update"_s), qPrintable(raiz.join(u',')));
        QCOMPARE(servidor->usuarios().size(), antes + 1); // one login for the whole session
        // Nothing but the downloaded files is left locally (no temporary names).
        QCOMPARE(archivosLocales().size(), 4);
    }

    // A file the server does not hold: 1003, no local file (not even an older
    // one of the same name), and the session goes on.
    void archivoQueNoEsta()
    {
        servidor->escribe(u"/update/Cpas0123.rgs"_s, "x|y|z|\r\n");
        escribe(rutaLocal(u"Pago0123.txt"_s), "copia vieja");

        ClienteFtp cliente(limites);
        cliente.conecta(servidor->direccion(), u"ag0123"_s, u"secreto"_s);
        const int sesiones = servidor->usuarios().size();
        QCOMPARE(numeroDe([&] { cliente.recibe(rutaLocal(u"Pago0123.txt"_s), u"/update"_s, u"Pago0123.txt"_s); }),
                 1003);
        QCOMPARE(numeroDe([&] { cliente.recibe(rutaLocal(u"k0123001.045"_s), u"/noexiste"_s, u"k0123001.045"_s); }),
                 1003);
        QCOMPARE(archivosLocales(), QStringList());
        cliente.recibe(rutaLocal(u"Cpas0123.rgs"_s), u"/update"_s, u"Cpas0123.rgs"_s);
        QCOMPARE(contenido(rutaLocal(u"Cpas0123.rgs"_s)), QByteArray("x|y|z|\r\n"));
        QCOMPARE(servidor->usuarios().size(), sesiones);
    }

    // A refused upload keeps a number of its own: never 1003, which the send
    // procedure passes over.
    void envioRechazado_data()
    {
        QTest::addColumn<int>("codigo"); // the server's reply to STOR; 0: the switch is off
        QTest::addColumn<QString>("carpeta");
        QTest::addColumn<bool>("archivoLocal");
        QTest::addColumn<int>("numero");

        QTest::newRow("550") << 550 << u"/ag0123"_s << true << 550;
        QTest::newRow("553") << 553 << u"/ag0123"_s << true << 553;
        QTest::newRow("452 sin espacio") << 452 << u"/ag0123"_s << true << 452;
        QTest::newRow("carpeta que no existe") << 0 << u"/ag9999"_s << true << 550;
        QTest::newRow("archivo local que no existe")
            << 0 << u"/ag0123"_s << false << int(ErrorTendal::ArchivoNoEncontrado);
    }

    void envioRechazado()
    {
        QFETCH(int, codigo);
        QFETCH(QString, carpeta);
        QFETCH(bool, archivoLocal);
        QFETCH(int, numero);
        if (codigo)
            servidor->rechazaEnvios(codigo);
        if (archivoLocal)
            escribe(rutaLocal(u"M0123002.045"_s), "datos");

        ClienteFtp cliente(limites);
        cliente.conecta(servidor->direccion(), u"ag0123"_s, u"secreto"_s);
        QString descripcion;
        QCOMPARE(
            numeroDe([&] { cliente.envia(rutaLocal(u"M0123002.045"_s), carpeta, u"M0123002.045"_s); }, &descripcion),
            numero);
        QVERIFY(!descripcion.isEmpty());
        QVERIFY(!servidor->existe(carpeta + u"/M0123002.045"_s));
    }

    // An upload the server refuses before it opens the file leaves the file
    // of that name it already held as it was.
    void envioRechazadoDejaElAnterior()
    {
        servidor->escribe(u"/ag0123/M0123002.045"_s, "anterior");
        servidor->rechazaEnvios(553);
        escribe(rutaLocal(u"M0123002.045"_s), "nuevo");
        ClienteFtp cliente(limites);
        cliente.conecta(servidor->direccion(), u"ag0123"_s, u"secreto"_s);
        QCOMPARE(numeroDe([&] { cliente.envia(rutaLocal(u"M0123002.045"_s), u"/ag0123"_s, u"M0123002.045"_s); }), 553);
        QCOMPARE(servidor->lee(u"/ag0123/M0123002.045"_s), QByteArray("anterior"));
    }

    // A transfer whose connection drops: 1000; a download leaves nothing
    // under its name, and an older file of that name is not replaced by a
    // partial one.
    void transferenciaCortada_data()
    {
        QTest::addColumn<bool>("descarga");
        QTest::addColumn<bool>("habiaArchivo");
        QTest::newRow("descarga") << true << false;
        QTest::newRow("descarga sobre un archivo anterior") << true << true;
        QTest::newRow("envío") << false << false;
    }

    void transferenciaCortada()
    {
        QFETCH(bool, descarga);
        QFETCH(bool, habiaArchivo);
        const QByteArray datos = QByteArray("0123456789").repeated(100000);
        servidor->escribe(u"/ag0123/M0123001.err"_s, datos);
        escribe(rutaLocal(u"M0123009.045"_s), datos);
        if (habiaArchivo)
            escribe(rutaLocal(u"M0123001.err"_s), "anterior");

        ClienteFtp cliente(limites);
        cliente.conecta(servidor->direccion(), u"ag0123"_s, u"secreto"_s);
        servidor->cortaTras(4096);
        QString descripcion;
        const int numero = numeroDe(
            [&] {
                if (descarga)
                    cliente.recibe(rutaLocal(u"M0123001.err"_s), u"/ag0123"_s, u"M0123001.err"_s);
                else
                    cliente.envia(rutaLocal(u"M0123009.045"_s), u"/ag0123"_s, u"M0123009.045"_s);
            },
            &descripcion);
        QCOMPARE(numero, 1000);
        // The part of an upload that reached the server is not left there
        // to be taken for the file.
        if (!descarga) {
            QVERIFY(!servidor->existe(u"/ag0123/M0123009.045"_s));
            QVERIFY2(descripcion.endsWith(u"la parte que llegó se borró del servidor"_s), qPrintable(descripcion));
        }
        if (descarga) {
            QStringList esperados {u"M0123009.045"_s};
            if (habiaArchivo)
                esperados.prepend(u"M0123001.err"_s);
            QCOMPARE(archivosLocales(), esperados); // no partial file under any name
            if (habiaArchivo)
                QCOMPARE(contenido(rutaLocal(u"M0123001.err"_s)), QByteArray("anterior"));
        }

        // The next session works again.
        servidor->restablece();
        cliente.conecta(servidor->direccion(), u"ag0123"_s, u"secreto"_s);
        cliente.recibe(rutaLocal(u"M0123001.err"_s), u"/ag0123"_s, u"M0123001.err"_s);
        QCOMPARE(contenido(rutaLocal(u"M0123001.err"_s)), datos);
    }

    // A server that stops sending or reading in the middle of a transfer:
    // the low-speed limit ends it, with no local file left.
    void servidorDetenido_data()
    {
        QTest::addColumn<bool>("descarga");
        QTest::newRow("descarga") << true;
        QTest::newRow("envío") << false;
    }

    void servidorDetenido()
    {
        QFETCH(bool, descarga);
        servidor->escribe(u"/ag0123/M0123001.err"_s, "respuesta");
        escribe(rutaLocal(u"M0123003.045"_s), QByteArray(8 << 20, 'x')); // more than the socket buffers hold

        ClienteFtp cliente(limites);
        cliente.conecta(servidor->direccion(), u"ag0123"_s, u"secreto"_s);
        servidor->detieneDatos();
        QElapsedTimer reloj;
        reloj.start();
        QString descripcion;
        const int numero = numeroDe(
            [&] {
                if (descarga)
                    cliente.recibe(rutaLocal(u"M0123001.err"_s), u"/ag0123"_s, u"M0123001.err"_s);
                else
                    cliente.envia(rutaLocal(u"M0123003.045"_s), u"/ag0123"_s, u"M0123003.045"_s);
            },
            &descripcion);
        QVERIFY2(numero == 10000 + 28,
                 qPrintable(u"%1 %2"_s.arg(numero).arg(descripcion))); // time-out of its own, not 1003
        QVERIFY2(reloj.elapsed() < 30000, qPrintable(u"%1 ms"_s.arg(reloj.elapsed())));
        QVERIFY(!QFile::exists(rutaLocal(u"M0123001.err"_s)));
        cliente.desconecta();
        QVERIFY2(reloj.elapsed() < 40000, qPrintable(u"%1 ms"_s.arg(reloj.elapsed())));
    }

    void desconexionInofensiva()
    {
        ClienteFtp cliente(limites);
        cliente.desconecta();
        cliente.desconecta();
        QVERIFY(!cliente.conectado());
        QCOMPARE(numeroDe([&] { cliente.lista(u"/ag0123"_s); }), 1000);

        cliente.conecta(servidor->direccion(), u"ag0123"_s, u"secreto"_s);
        cliente.desconecta();
        cliente.desconecta();
        QVERIFY(!cliente.conectado());

        ControlFtp control(u"eftpEnvio"_s, limites);
        QCoro::waitFor(SesionFtp::Desconecta_FTP(control));
        QVERIFY(!control.conectado());
    }

    // Stopping the receive cycle closes its session while a tick may be in
    // the middle of a download: the download ends with 1000, leaves no file.
    void desconexionDuranteTransferencia()
    {
        servidor->escribe(u"/ag0123/M0123001.err"_s, QByteArray(400 * 1024, 'r'));
        ClienteFtp cliente(limites);
        cliente.conecta(servidor->direccion(), u"ag0123"_s, u"secreto"_s);
        servidor->lento(100 * 1024);
        QFuture<void> descarga
            = QtConcurrent::run([&] { cliente.recibe(rutaLocal(u"M0123001.err"_s), u"/ag0123"_s, u"M0123001.err"_s); });
        // Cut once the server is sending the file.
        QTRY_VERIFY_WITH_TIMEOUT(servidor->transferencias().contains(u"RETR /ag0123/M0123001.err"_s), 30000);
        cliente.desconecta();
        QCOMPARE(numeroDe([&] { descarga.waitForFinished(); }), 1000);
        QVERIFY(!cliente.conectado());
        QCOMPARE(archivosLocales(), QStringList());
    }

    void listadoRechazado()
    {
        ClienteFtp cliente(limites);
        cliente.conecta(servidor->direccion(), u"ag0123"_s, u"secreto"_s);
        QCOMPARE(cliente.lista(u"/sagarpaout"_s), QStringList());
        servidor->rechazaListados(550);
        QCOMPARE(numeroDe([&] { cliente.lista(u"/ag0123"_s); }), 550);
    }

    // The transfer runs on a worker: the caller's event loop keeps turning
    // (a timer fires) while a slow upload is under way.
    void laVentanaSigueViva()
    {
        Oficina oficina;
        servidor->apunta(oficina);
        Programa &programa = oficina.carga();
        const QByteArray datos = QByteArray("A").repeated(600 * 1024);
        escribe(rutaLocal(u"M0123004.045"_s), datos);
        servidor->lento(200 * 1024);

        bool terminado = false;
        int tics = 0;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            if (!terminado)
                ++tics;
        });
        timer.start(10);

        auto envio = [&]() -> QCoro::Task<> {
            co_await SesionFtp::Conecta_FTP(programa.eftpEnvio, false, programa);
            co_await SesionFtp::Envia_Archivo(programa.eftpEnvio, local.path(), u"/ag0123"_s, u"M0123004.045"_s);
            co_await SesionFtp::Desconecta_FTP(programa.eftpEnvio);
            terminado = true;
        };
        QCoro::waitFor(envio());
        QVERIFY(terminado);
        QVERIFY2(tics >= 10, qPrintable(QString::number(tics)));
        QCOMPARE(servidor->lee(u"/ag0123/M0123004.045"_s), datos);
    }
};

QTEST_GUILESS_MAIN(PruebaFtp)
#include "PruebaFtp.moc"
