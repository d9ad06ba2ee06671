// Names a person does not expect to meet, each with a real folder and a
// real FTP server: a file to send whose name has a backslash, a file name in
// a send folder that is not valid UTF-8, and a folder on the server where a
// response belongs. Each is told in Spanish, naming it; the other files of
// the send or of the tick go on, and nothing is lost or sent twice.

#include "core/base/Vb.h"
#include "tests/soporte/Oficina.h"
#include "tests/soporte/SalidaComando.h"
#include "tests/soporte/ServidorFtp.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QString dia()
{
    return Vb::formato(QDate::currentDate().dayOfYear(), u"000"_s);
}

void escribe(const QByteArray &ruta, const QByteArray &datos)
{
    const int f = ::open(ruta.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    QVERIFY(f >= 0);
    QCOMPARE(::write(f, datos.constData(), size_t(datos.size())), ssize_t(datos.size()));
    ::close(f);
}

} // namespace

class PruebaNombresRaros : public QObject
{
    Q_OBJECT

private slots:
    void init() { qunsetenv("TENDAL_CLAVE_PAGO"); }

    // The other file of the day goes, once; the two that cannot are named
    // at every send and stay where they are.
    void envio()
    {
        Oficina oficina;
        ServidorFtp servidor;
        servidor.apunta(oficina);
        const QString carpeta = oficina.carpeta(u"val_env"_s);
        const QByteArray ruta = QFile::encodeName(carpeta) + '/';
        const QByteArray d = dia().toLatin1();
        escribe(ruta + "M0123001." + d, "40012 UNO\r\n");
        escribe(ruta + "M0123\\02." + d, "40012 DOS\r\n");
        const QByteArray ilegible = ruta + QByteArray("M0123\xff") + "03." + d; // \xff is never UTF-8
        escribe(ilegible, "40012 TRES\r\n");
        const auto borra = qScopeGuard([&] { ::unlink(ilegible.constData()); }); // Qt cannot name it

        const QString barra
            = u"El archivo «M0123\\02.%1» no se envió: su nombre lleva una diagonal invertida (\\)"_s.arg(dia());
        const QString bytes = u"El archivo «M0123\\xFF03.%1» de la carpeta %2 no se envía: su nombre no es texto "
                              "válido (UTF-8"_s.arg(dia(), carpeta);
        for (int vez = 0; vez < 2; ++vez) {
            const SalidaComando s = tendalEnProceso(oficina, {u"enviar"_s, u"--sin-espera"_s});
            QCOMPARE(s.estado, 1);
            QVERIFY2(s.err.contains(barra) && s.err.contains(bytes), qPrintable(s.err));
            QCOMPARE(s.out.count(u"M0123001.%1 -> "_s.arg(dia())), vez == 0 ? 1 : 0);
            QCOMPARE(QDir(servidor.ruta(u"/ag0123"_s)).entryList(QDir::Files), QStringList {u"M0123001."_s + dia()});
        }
        QVERIFY(QFile::exists(QFile::decodeName(ruta + "M0123\\02." + d)));
        QVERIFY(::access(ilegible.constData(), F_OK) == 0);
    }

    // The folder is told, the other response of the tick is stored, and
    // once the folder is gone its file gets its response.
    void carpetaDondeVaUnaRespuesta()
    {
        Oficina oficina;
        ServidorFtp servidor;
        servidor.apunta(oficina);
        Programa &p = oficina.carga();
        for (const QString &n : {u"001"_s, u"002"_s})
            p.listaRecepcion().agrega({u"M0123%1.045"_s.arg(n), u"X"_s, QString(), u"10:30 a. m."_s, u"/ag0123"_s,
                                       u"/ag0123"_s, QString(), u"M0123%1.err"_s.arg(n), oficina.carpeta(u"val_rec"_s),
                                       u"2"_s});
        const QString carpeta = servidor.ruta(u"/ag0123/M0123001.err"_s);
        QVERIFY(QDir().mkpath(carpeta));
        servidor.escribe(u"/ag0123/M0123002.err"_s, "RESPUESTA\r\n");

        const SalidaComando s = tendalEnProceso(oficina, {u"recibir"_s, u"--espera"_s, u"0"_s});
        QCOMPARE(s.estado, 1);
        QVERIFY2(s.out.contains(u"R  M0123002.err"_s), qPrintable(s.out));
        QCOMPARE(s.err.count(u"En el servidor, /ag0123/M0123001.err es una carpeta y no un archivo: la respuesta "
                             "M0123001.err de M0123001.045 no se puede recibir"_s),
                 1);

        QVERIFY(QDir(carpeta).removeRecursively());
        servidor.escribe(u"/ag0123/M0123001.err"_s, "RESPUESTA\r\n");
        const SalidaComando despues = tendalEnProceso(oficina, {u"recibir"_s, u"--espera"_s, u"0"_s});
        QVERIFY2(despues.estado == 0, qPrintable(despues.err));
        QVERIFY2(despues.out.contains(u"R  M0123001.err"_s) && !despues.out.contains(u"M0123002.err"_s),
                 qPrintable(despues.out));
    }
};

QTEST_GUILESS_MAIN(PruebaNombresRaros)
#include "PruebaNombresRaros.moc"
