// The command line against production FTP daemons (vsftpd, proftpd,
// pure-ftpd as Debian ships them), each started by the test on loopback:
// what works against the test server must work against them too.

#include "core/base/ErrorTendal.h"
#include "core/base/Vb.h"
#include "core/ftp/ClienteFtp.h"
#include "tests/soporte/DemonioFtp.h"
#include "tests/soporte/Oficina.h"
#include "tests/soporte/SalidaComando.h"
#include "tests/soporte/Omision.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <functional>
#include <thread>
#include <unistd.h>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(DemonioFtp::Tipo)
Q_DECLARE_METATYPE(DemonioFtp::Ajustes)

namespace {

struct Escena {
    explicit Escena(DemonioFtp::Tipo tipo, const DemonioFtp::Ajustes &ajustes = {})
        : demonio(tipo, ajustes)
    {
        demonio.apunta(oficina);
    }

    int corre(const QStringList &args)
    {
        const SalidaComando s = tendalEnProceso(oficina, args);
        salida = s.out;
        errores = s.err;
        return s.estado;
    }
    QString archivo(const QString &columna, const QString &nombre, const QByteArray &contenido)
    {
        const QString ruta = QDir(oficina.carpeta(columna)).filePath(nombre);
        QFile f(ruta);
        if (!f.open(QIODevice::WriteOnly) || f.write(contenido) != contenido.size())
            qFatal("no se pudo escribir %s", qPrintable(ruta));
        return ruta;
    }
    QByteArray local(const QString &columna, const QString &nombre) const
    {
        QFile f(QDir(oficina.carpeta(columna)).filePath(nombre));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(no existe)");
    }

    Oficina oficina;
    DemonioFtp demonio;
    QString salida, errores;
};

QString dia()
{
    return Vb::formato(QDate::currentDate().dayOfYear(), QStringLiteral("000"));
}

void demonios()
{
    QTest::addColumn<DemonioFtp::Tipo>("tipo");
    for (const auto tipo : {DemonioFtp::Tipo::Vsftpd, DemonioFtp::Tipo::Proftpd, DemonioFtp::Tipo::PureFtpd})
        QTest::newRow(qPrintable(DemonioFtp::nombre(tipo))) << tipo;
}

// Holds one connection to the daemon open (as the bulletin session does
// right before the broker's) and closes it after ms.
std::thread ocupaUnaConexion(quint16 puerto, int ms)
{
    // The daemon counts a session until its process has ended (the probe
    // of its start, an earlier session): tried until it greets.
    for (int intento = 0; intento < 50; ++intento) {
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a {};
        a.sin_family = AF_INET;
        a.sin_port = htons(puerto);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        char saludo[256] = {};
        if (::connect(s, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0
            && ::recv(s, saludo, sizeof saludo - 1, 0) >= 3 && QByteArray(saludo).startsWith("220"))
            return std::thread([s, ms] {
                std::this_thread::sleep_for(std::chrono::milliseconds(ms));
                ::close(s);
            });
        ::close(s);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    qFatal("el demonio no aceptó la conexión que ocupa su lugar");
}

// A certificate authority of the test and a certificate it signed for
// 127.0.0.1, made with openssl: ca.pem (to trust) and servidor.pem
// (certificate and key, for the daemon).
void autoridad(const QString &dir)
{
    const auto openssl = [&](const QStringList &args) {
        QProcess p;
        p.setWorkingDirectory(dir);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(u"openssl"_s, args);
        if (!p.waitForFinished(60000) || p.exitCode() != 0)
            qFatal("openssl %s: %s", qPrintable(args.join(u' ')), p.readAll().constData());
    };
    QFile ext(dir + u"/ext.cnf"_s);
    if (!ext.open(QIODevice::WriteOnly) || ext.write("subjectAltName=IP:127.0.0.1\n") < 0)
        qFatal("ext.cnf");
    ext.close();
    openssl({u"req"_s, u"-x509"_s, u"-newkey"_s, u"rsa:2048"_s, u"-nodes"_s, u"-keyout"_s, u"ca.key"_s, u"-out"_s,
             u"ca.pem"_s, u"-days"_s, u"2"_s, u"-subj"_s, u"/CN=Autoridad de prueba de Tendal"_s});
    openssl({u"req"_s, u"-newkey"_s, u"rsa:2048"_s, u"-nodes"_s, u"-keyout"_s, u"servidor.key"_s, u"-out"_s,
             u"servidor.csr"_s, u"-subj"_s, u"/CN=127.0.0.1"_s});
    openssl({u"x509"_s, u"-req"_s, u"-in"_s, u"servidor.csr"_s, u"-CA"_s, u"ca.pem"_s, u"-CAkey"_s, u"ca.key"_s,
             u"-CAcreateserial"_s, u"-out"_s, u"servidor.crt"_s, u"-days"_s, u"2"_s, u"-extfile"_s, u"ext.cnf"_s});
    QFile pem(dir + u"/servidor.pem"_s);
    QFile crt(dir + u"/servidor.crt"_s), key(dir + u"/servidor.key"_s);
    if (!pem.open(QIODevice::WriteOnly) || !crt.open(QIODevice::ReadOnly) || !key.open(QIODevice::ReadOnly))
        qFatal("servidor.pem");
    pem.write(crt.readAll() + key.readAll());
}

// Beside autoridad()'s files, server certificates the check must refuse:
// otra-autoridad.pem (signed by an authority the office does not trust),
// otro-nombre.pem (for another host name) and caducado.pem (expired in
// 2020), each with its key.
void certificadosMalos(const QString &dir)
{
    const auto openssl = [&](const QStringList &args) {
        QProcess p;
        p.setWorkingDirectory(dir);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(u"openssl"_s, args);
        if (!p.waitForFinished(60000) || p.exitCode() != 0)
            qFatal("openssl %s: %s", qPrintable(args.join(u' ')), p.readAll().constData());
    };
    const auto escribe = [&](const QString &nombre, const QByteArray &texto) {
        QFile f(dir + u'/' + nombre);
        if (!f.open(QIODevice::WriteOnly) || f.write(texto) != texto.size())
            qFatal("%s", qPrintable(nombre));
    };
    const auto lee = [&](const QString &nombre) {
        QFile f(dir + u'/' + nombre);
        if (!f.open(QIODevice::ReadOnly))
            qFatal("%s", qPrintable(nombre));
        return f.readAll();
    };
    const auto solicitud = [&](const QString &nombre, const QString &cn) {
        openssl({u"req"_s, u"-newkey"_s, u"rsa:2048"_s, u"-nodes"_s, u"-keyout"_s, nombre + u".key"_s, u"-out"_s,
                 nombre + u".csr"_s, u"-subj"_s, u"/CN="_s + cn});
    };
    const auto firma = [&](const QString &nombre, const QString &ca, const QString &ext) {
        openssl({u"x509"_s, u"-req"_s, u"-in"_s, nombre + u".csr"_s, u"-CA"_s, ca + u".pem"_s, u"-CAkey"_s,
                 ca + u".key"_s, u"-CAcreateserial"_s, u"-out"_s, nombre + u".crt"_s, u"-days"_s, u"2"_s, u"-extfile"_s,
                 ext});
    };
    escribe(u"otro.cnf"_s, "subjectAltName=DNS:otro.ejemplo\n");
    openssl({u"req"_s, u"-x509"_s, u"-newkey"_s, u"rsa:2048"_s, u"-nodes"_s, u"-keyout"_s, u"otra.key"_s, u"-out"_s,
             u"otra.pem"_s, u"-days"_s, u"2"_s, u"-subj"_s, u"/CN=Otra autoridad"_s});
    solicitud(u"otra-autoridad"_s, u"127.0.0.1"_s);
    firma(u"otra-autoridad"_s, u"otra"_s, u"ext.cnf"_s);
    solicitud(u"otro-nombre"_s, u"otro.ejemplo"_s);
    firma(u"otro-nombre"_s, u"ca"_s, u"otro.cnf"_s);
    // Dates in the past need openssl ca.
    escribe(u"ca.cnf"_s, "[ca]\ndefault_ca=prueba\n[prueba]\ndatabase=index.txt\nnew_certs_dir=.\n"
                         "certificate=ca.pem\nprivate_key=ca.key\nserial=serie\ndefault_md=sha256\n"
                         "policy=politica\nunique_subject=no\nx509_extensions=ext\n[politica]\n"
                         "commonName=supplied\n[ext]\nsubjectAltName=IP:127.0.0.1\n");
    escribe(u"index.txt"_s, "");
    escribe(u"serie"_s, "1000\n");
    solicitud(u"caducado"_s, u"127.0.0.1"_s);
    openssl({u"ca"_s, u"-batch"_s, u"-config"_s, u"ca.cnf"_s, u"-in"_s, u"caducado.csr"_s, u"-out"_s, u"caducado.crt"_s,
             u"-notext"_s, u"-startdate"_s, u"20200101000000Z"_s, u"-enddate"_s, u"20200102000000Z"_s});
    for (const QString &n : {u"otra-autoridad"_s, u"otro-nombre"_s, u"caducado"_s})
        escribe(n + u".pem"_s, lee(n + u".crt"_s) + lee(n + u".key"_s));
}

DemonioFtp::Ajustes ajustes(const std::function<void(DemonioFtp::Ajustes &)> &cambia)
{
    DemonioFtp::Ajustes a;
    cambia(a);
    return a;
}

#define SALTA_SI_NO_HAY(tipo) OMITE_SI_FALTA(DemonioFtp::noDisponible(tipo))

} // namespace

class PruebaDemoniosFtp : public QObject
{
    Q_OBJECT

private slots:
    void init() { qunsetenv("TENDAL_CLAVE_PAGO"); }

    void initTestCase()
    {
        if (!m_certificados.isValid())
            qFatal("carpeta temporal");
        autoridad(m_certificados.path());
        certificadosMalos(m_certificados.path());
    }

    // A file sent arrives byte for byte; its responses, first empty (as
    // while the server writes them) and then whole, are fetched when whole.
    void enviaYRecibe_data() { demonios(); }
    void enviaYRecibe()
    {
        QFETCH(DemonioFtp::Tipo, tipo);
        SALTA_SI_NO_HAY(tipo);
        Escena e(tipo);
        const QString m = u"M0123001."_s + dia();
        const QByteArray datos = "500|1|0123|3001234|47|\r\n800|3001234|3|\r\n\x1a";
        e.archivo(u"val_env"_s, m, datos);
        QCOMPARE(e.corre({u"enviar"_s, m, u"--sin-espera"_s}), 0);
        QCOMPARE(e.demonio.lee(u"/ag0123/"_s + m), datos);

        const QString k = u"k0123001."_s + dia();
        e.demonio.escribe(u"/ag0123/"_s + k, QByteArray());
        e.demonio.escribe(u"/ag0123/M0123001.err"_s, QByteArray());
        QCOMPARE(e.corre({u"recibir"_s, u"--espera"_s, u"1"_s}), 1);
        QCOMPARE(e.local(u"val_rec"_s, k), QByteArray("(no existe)"));

        e.demonio.escribe(u"/ag0123/"_s + k, "PREVALIDACION\r\n");
        e.demonio.escribe(u"/ag0123/M0123001.err"_s, "F3001234ABCD1234\r\n");
        QVERIFY2(e.corre({u"recibir"_s, u"--espera"_s, u"20"_s}) == 0, qPrintable(e.errores));
        QCOMPARE(e.local(u"val_rec"_s, k), QByteArray("PREVALIDACION\r\n"));
        QCOMPARE(e.local(u"val_rec"_s, u"M0123001.err"_s), QByteArray("F3001234ABCD1234\r\n"));
    }

    // The bulletin comes through the update account.
    void boletin_data() { demonios(); }
    void boletin()
    {
        QFETCH(DemonioFtp::Tipo, tipo);
        SALTA_SI_NO_HAY(tipo);
        Escena e(tipo);
        e.oficina.sql(u"INSERT INTO INFORMACION (CODIGO, TEXTO) VALUES (5, 'Nuevo catálogo')"_s);
        e.demonio.escribe(u"/update/InfoYEX.txt"_s, "08/12/2006|10:30|5|\r\n");
        QVERIFY2(e.corre({u"boletin"_s}) == 0, qPrintable(e.errores));
        QCOMPARE(e.salida, u"Información del 08/12/2006 a las 10:30 Horas - Nuevo catálogo\n"_s);
    }

    // Listings that leave out awaited responses: pure-ftpd cutting a long
    // listing short (it still answers 226), vsftpd hiding "*.err". Both
    // responses come in all the same.
    void listadoIncompleto_data()
    {
        QTest::addColumn<DemonioFtp::Tipo>("tipo");
        QTest::addColumn<DemonioFtp::Ajustes>("ajustes");
        QTest::newRow("pure-ftpd recorta a 100 nombres")
            << DemonioFtp::Tipo::PureFtpd << ajustes([](auto &a) { a.limiteListado = 100; });
        QTest::newRow("vsftpd oculta *.err")
            << DemonioFtp::Tipo::Vsftpd << ajustes([](auto &a) { a.ocultos = u"{*.err}"_s; });
    }
    void listadoIncompleto()
    {
        QFETCH(DemonioFtp::Tipo, tipo);
        QFETCH(DemonioFtp::Ajustes, ajustes);
        SALTA_SI_NO_HAY(tipo);
        Escena e(tipo, ajustes);
        for (int i = 0; i < 150; ++i)
            e.demonio.escribe(u"/ag0123/M0123%1.001"_s.arg(i, 3, 10, QLatin1Char('0')), "viejo\r\n");
        const QString saai = e.oficina.carpeta(u"val_rec"_s);
        e.oficina.carga().listaRecepcion().agrega({u"M0123999.045"_s, QString(), QString(), u"10:30 a. m."_s,
                                                   u"/ag0123"_s, u"/ag0123"_s, u"k0123999.045"_s, u"M0123999.err"_s,
                                                   saai, u"2"_s});
        e.demonio.escribe(u"/ag0123/k0123999.045"_s, "PREVALIDACION\r\n");
        e.demonio.escribe(u"/ag0123/M0123999.err"_s, "F3001234ABCD1234\r\n");
        QVERIFY2(e.corre({u"recibir"_s, u"--espera"_s, u"30"_s}) == 0, qPrintable(e.errores));
        QCOMPARE(e.local(u"val_rec"_s, u"M0123999.err"_s), QByteArray("F3001234ABCD1234\r\n"));
        QCOMPARE(e.local(u"val_rec"_s, u"k0123999.045"_s), QByteArray("PREVALIDACION\r\n"));
    }

    // A server that refuses passive mode: the session goes on in active
    // mode (a send, then the bulletin's download).
    void pasivoRechazado_data()
    {
        QTest::addColumn<DemonioFtp::Tipo>("tipo");
        QTest::newRow("vsftpd") << DemonioFtp::Tipo::Vsftpd;
        QTest::newRow("proftpd") << DemonioFtp::Tipo::Proftpd;
    }
    void pasivoRechazado()
    {
        QFETCH(DemonioFtp::Tipo, tipo);
        SALTA_SI_NO_HAY(tipo);
        Escena e(tipo, ajustes([](auto &a) { a.sinPasivo = true; }));
        const QString m = u"M0123001."_s + dia();
        e.archivo(u"val_env"_s, m, "500|1|0123|\r\n");
        QVERIFY2(e.corre({u"enviar"_s, m, u"--sin-espera"_s}) == 0, qPrintable(e.errores));
        QCOMPARE(e.demonio.lee(u"/ag0123/"_s + m), QByteArray("500|1|0123|\r\n"));
        e.demonio.escribe(u"/update/InfoYEX.txt"_s, "08/12/2006|10:30|5|\r\n");
        QVERIFY2(e.corre({u"boletin"_s}) == 0, qPrintable(e.errores));
    }

    // One connection too many (vsftpd max_per_ip=1 while another session
    // closes): the 421 is a busy server, tried again after a pause; a
    // server that stays busy is reported as no connection, never as a
    // refused password.
    void ocupado()
    {
        SALTA_SI_NO_HAY(DemonioFtp::Tipo::Vsftpd);
        Escena e(DemonioFtp::Tipo::Vsftpd, ajustes([](auto &a) { a.sesionesPorIp = 1; }));
        const QString m = u"M0123001."_s + dia();
        e.archivo(u"val_env"_s, m, "500|1|0123|\r\n");
        std::thread otra = ocupaUnaConexion(e.demonio.puerto(), 500);
        const int estado = e.corre({u"enviar"_s, m, u"--sin-espera"_s});
        otra.join();
        QVERIFY2(estado == 0, qPrintable(e.errores));
        QVERIFY(e.demonio.existe(u"/ag0123/"_s + m));

        ClienteFtp cliente(ClienteFtp::Limites {5, 1, 5});
        std::thread larga = ocupaUnaConexion(e.demonio.puerto(), 6000);
        int numero = 0;
        try {
            cliente.conecta(e.demonio.direccion(), u"ag0123"_s, u"secreto"_s);
        } catch (const ErrorTendal &error) {
            numero = error.numero();
        }
        larga.join();
        QCOMPARE(numero, int(ErrorTendal::FtpSinConexion));
    }

    // True when a connection to the local port is in CLOSE_WAIT: the server
    // closed it and the client has not yet.
    static bool sesionCerradaPorElServidor(quint16 puerto)
    {
        QFile tabla(u"/proc/net/tcp"_s);
        if (!tabla.open(QIODevice::ReadOnly))
            return false;
        const QByteArray remoto = ':' + QByteArray::number(puerto, 16).toUpper().rightJustified(4, '0');
        for (const QByteArray &linea : tabla.readAll().split('\n')) {
            const QList<QByteArray> campos = linea.simplified().split(' ');
            if (campos.size() > 3 && campos.at(2).endsWith(remoto) && campos.at(3) == "08")
                return true;
        }
        return false;
    }

    // The session dropped by the server's idle time-out before the first
    // upload (the person took long over the payment password): the client
    // logs in again once and the upload goes through.
    void sesionCaducada_data() { demonios(); }
    void sesionCaducada()
    {
        QFETCH(DemonioFtp::Tipo, tipo);
        SALTA_SI_NO_HAY(tipo);
        if (tipo == DemonioFtp::Tipo::PureFtpd)
            QSKIP("pure-ftpd cuenta la inactividad en minutos");
        // Long enough that the new session's login and upload fit in it on
        // a busy machine (with 1 s the second session timed out too).
        DemonioFtp demonio(tipo, ajustes([](auto &a) { a.inactividad = 3; }));
        QTemporaryDir dir;
        QFile f(dir.filePath(u"E0123005.045"_s));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("40012|0123|\r\n");
        f.close();
        ClienteFtp cliente(ClienteFtp::Limites {5, 1, 5});
        cliente.conecta(demonio.direccion(), u"ag0123"_s, u"secreto"_s);
        // The daemon closed the idle session: the client's end of it waits
        // to be closed (CLOSE_WAIT in the kernel's table of connections).
        QTRY_VERIFY_WITH_TIMEOUT(sesionCerradaPorElServidor(demonio.direccion().section(u':', 1).toUShort()), 30000);
        cliente.envia(f.fileName(), u"/yexin"_s, u"E0123005.045"_s);
        QCOMPARE(demonio.lee(u"/yexin/E0123005.045"_s), QByteArray("40012|0123|\r\n"));
        cliente.desconecta();
    }

    // Explicit TLS: with the office's certificate file the send goes
    // through encrypted; a certificate the check refuses (the system's store
    // does not know the test's authority) stops it with a clear message and
    // nothing reaches the server.
    void cifrado_data()
    {
        QTest::addColumn<DemonioFtp::Tipo>("tipo");
        QTest::newRow("vsftpd") << DemonioFtp::Tipo::Vsftpd;
        QTest::newRow("pure-ftpd") << DemonioFtp::Tipo::PureFtpd;
    }
    void cifrado()
    {
        QFETCH(DemonioFtp::Tipo, tipo);
        SALTA_SI_NO_HAY(tipo);
        QTemporaryDir ca;
        autoridad(ca.path());
        Escena e(tipo, ajustes([&](auto &a) { a.certificado = ca.filePath(u"servidor.pem"_s); }));
        const QString m1 = u"M0123001."_s + dia(), m2 = u"M0123002."_s + dia();
        e.archivo(u"val_env"_s, m1, "500|1|0123|\r\n");
        e.archivo(u"val_env"_s, m2, "500|2|0123|\r\n");

        QCOMPARE(e.corre({u"config"_s, u"cifrado=2"_s, u"certificado="_s + ca.filePath(u"ca.pem"_s)}), 0);
        QVERIFY2(e.corre({u"enviar"_s, m1, u"--sin-espera"_s}) == 0, qPrintable(e.errores));
        QCOMPARE(e.demonio.lee(u"/ag0123/"_s + m1), QByteArray("500|1|0123|\r\n"));

        QCOMPARE(e.corre({u"config"_s, u"certificado="_s}), 0);
        QVERIFY(e.corre({u"enviar"_s, m2, u"--sin-espera"_s}) != 0);
        QVERIFY2(e.errores.contains(u"No se pudo comprobar el certificado del servidor"_s), qPrintable(e.errores));
        QVERIFY(!e.demonio.existe(u"/ag0123/"_s + m2));
    }

    // A server without TLS: "TLS obligatorio" stops with the reason, "TLS si
    // el servidor lo ofrece" goes on in the clear.
    void servidorSinTls()
    {
        SALTA_SI_NO_HAY(DemonioFtp::Tipo::PureFtpd);
        Escena e(DemonioFtp::Tipo::PureFtpd);
        const QString m = u"M0123001."_s + dia();
        e.archivo(u"val_env"_s, m, "500|1|0123|\r\n");
        QCOMPARE(e.corre({u"config"_s, u"cifrado=2"_s}), 0);
        QVERIFY(e.corre({u"enviar"_s, m, u"--sin-espera"_s}) != 0);
        QVERIFY2(e.errores.contains(u"no ofrece conexión cifrada"_s), qPrintable(e.errores));
        QVERIFY(!e.demonio.existe(u"/ag0123/"_s + m));
        QCOMPARE(e.corre({u"config"_s, u"cifrado=1"_s}), 0);
        QVERIFY2(e.corre({u"enviar"_s, m, u"--sin-espera"_s}) == 0, qPrintable(e.errores));
        QVERIFY(e.demonio.existe(u"/ag0123/"_s + m));
    }

    // Encryption on each daemon: what a send does and says. A refused
    // session names its cause once (never as a refused password) and leaves
    // nothing on the server; a send that went records how it went.
    void matrizTls_data()
    {
        QTest::addColumn<DemonioFtp::Tipo>("tipo");
        QTest::addColumn<QString>("certificado"); // the daemon's; empty: no TLS
        QTest::addColumn<bool>("exigeTls");
        QTest::addColumn<bool>("sinPasivo");
        QTest::addColumn<int>("cifrado"); // the office's
        QTest::addColumn<QString>("mensaje"); // said once on standard error
        QTest::addColumn<QString>("acuse"); // the receipt's "Cifrado:"; empty: not sent
        const QString comprobar = u"No se pudo comprobar el certificado del servidor"_s;
        for (const auto tipo : {DemonioFtp::Tipo::Vsftpd, DemonioFtp::Tipo::Proftpd, DemonioFtp::Tipo::PureFtpd}) {
            const auto fila = [&](const char *caso) {
                return &QTest::newRow(qPrintable(DemonioFtp::nombre(tipo) + u": "_s + QString::fromUtf8(caso)));
            };
            *fila("certificado bueno") << tipo << u"servidor.pem"_s << false << false << 2 << QString()
                                       << u"TLS (control y datos)"_s;
            *fila("otra autoridad") << tipo << u"otra-autoridad.pem"_s << false << false << 2 << comprobar << QString();
            *fila("otro nombre") << tipo << u"otro-nombre.pem"_s << false << false << 2 << comprobar << QString();
            *fila("caducado") << tipo << u"caducado.pem"_s << false << false << 2 << comprobar << QString();
            *fila("exige TLS, cifrado=0") << tipo << u"servidor.pem"_s << true << false << 0
                                          << u"exige una conexión cifrada (TLS) y la configuración no cifra "
                                             "(cifrado=0): cambia el cifrado a «TLS obligatorio»"_s
                                          << QString();
            *fila("sin TLS, cifrado=1") << tipo << QString() << false << false << 1
                                        << u"El servidor no ofrece conexión cifrada (TLS): los archivos de este "
                                           "envío van sin cifrar."_s
                                        << u"Sin cifrar"_s;
            *fila("sin TLS, cifrado=2") << tipo << QString() << false << false << 2
                                        << u"no ofrece conexión cifrada (TLS) y la configuración la exige"_s
                                        << QString();
            // pure-ftpd has no switch that refuses passive mode.
            if (tipo != DemonioFtp::Tipo::PureFtpd)
                *fila("TLS, pasivo rechazado")
                    << tipo << u"servidor.pem"_s << false << true << 2 << u"rechazó el modo pasivo"_s << QString();
        }
    }
    void matrizTls()
    {
        QFETCH(DemonioFtp::Tipo, tipo);
        QFETCH(QString, certificado);
        QFETCH(bool, exigeTls);
        QFETCH(bool, sinPasivo);
        QFETCH(int, cifrado);
        QFETCH(QString, mensaje);
        QFETCH(QString, acuse);
        SALTA_SI_NO_HAY(tipo);
        Escena e(tipo, ajustes([&](auto &a) {
                     a.certificado = certificado.isEmpty() ? QString() : m_certificados.filePath(certificado);
                     a.exigeTls = exigeTls;
                     a.sinPasivo = sinPasivo;
                 }));
        const QString m = u"M0123001."_s + dia();
        e.archivo(u"val_env"_s, m, "500|1|0123|\r\n");
        QCOMPARE(e.corre({u"config"_s, u"cifrado=%1"_s.arg(cifrado),
                          u"certificado="_s + m_certificados.filePath(u"ca.pem"_s)}),
                 0);
        const int estado = e.corre({u"enviar"_s, m, u"--sin-espera"_s});
        QVERIFY2(mensaje.isEmpty() || e.errores.count(mensaje) == 1, qPrintable(e.errores));
        QVERIFY2(!e.errores.contains(u"Usuario o Contraseña"_s), qPrintable(e.errores));
        if (acuse.isEmpty()) {
            QVERIFY2(estado != 0, qPrintable(e.errores));
            QCOMPARE(e.errores.count(u"Error No."_s), 1); // one refusal, one message
            QVERIFY(!e.demonio.existe(u"/ag0123/"_s + m)); // not even an empty file
            return;
        }
        QVERIFY2(estado == 0, qPrintable(e.errores));
        QCOMPARE(e.demonio.lee(u"/ag0123/"_s + m), QByteArray("500|1|0123|\r\n"));
        QCOMPARE(e.corre({u"acuse"_s, m}), 0);
        QVERIFY2(e.salida.contains(u"Cifrado:                  "_s + acuse + u'\n'), qPrintable(e.salida));
    }

private:
    QTemporaryDir m_certificados;
};

QTEST_GUILESS_MAIN(PruebaDemoniosFtp)
#include "PruebaDemoniosFtp.moc"
