// A write that fails for real in a `tendal recibir` of its own, two ways:
//
//   disco lleno       TendalTmp is a 2 MB disk of its own (a tmpfs mounted in
//                     a mount namespace of the child's, so nothing outlives
//                     it; needs the privilege to make one, skipped without);
//                     the kernel refuses the write with ENOSPC.
//   límite de tamaño  the child runs with a file size limit (RLIMIT_FSIZE,
//                     SIGXFSZ ignored): the kernel takes the bytes up to the
//                     limit and refuses the next write with EFBIG, as a small
//                     disk does. Needs no privilege.
//
// The program's partial file goes at once, the message names the response
// and the folder, the response downloaded before it in the same tick is
// stored, and once there is room the next run stores the large one.

#include "tests/soporte/Oficina.h"
#include "tests/soporte/ServidorFtp.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <csignal>

#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {

constexpr rlim_t kLimite = 2 << 20;

QStringList archivos(const QString &carpeta)
{
    return QDir(carpeta).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

QByteArray lee(const QString &ruta)
{
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

enum class Falla { Ninguna, DiscoLleno, Limite };
constexpr int kSinDisco = 99;

struct Corrida {
    int estado = -1;
    QString errores;
    // What the small disk held when the program ended (TendalTmp, without
    // a small disk).
    QStringList restos;
};

// tendal recibir on the office, failing as falla says; with a full disk,
// pequena is the folder on the small disk.
Corrida recibe(const Oficina &oficina, Falla falla, const QString &pequena = QString())
{
    const QString temporal = QDir(oficina.trabajo()).filePath(u"TendalTmp"_s);
    QProcess p;
    if (falla == Falla::DiscoLleno) {
        // The small disk lives as long as the child's namespace: what the
        // program left on it is listed before it goes.
        QDir().mkpath(pequena);
        p.setProgram(u"unshare"_s);
        p.setArguments({u"-m"_s, u"--propagation"_s, u"private"_s, u"sh"_s, u"-c"_s,
                        u"mount -t tmpfs -o size=2m tmpfs \"$4\" 2>/dev/null || exit %1; "
                        "\"$1\" --ini \"$2\" --workdir \"$3\" recibir --espera 0 >/dev/null; r=$?; "
                        "ls -A \"$4\"; exit $r"_s.arg(kSinDisco),
                        u"sh"_s, QStringLiteral(TENDAL), oficina.ini(), oficina.trabajo(), pequena});
    } else {
        if (falla == Falla::Limite)
            p.setChildProcessModifier([] {
                ::signal(SIGXFSZ, SIG_IGN); // the write fails with EFBIG instead of killing the program
                const rlimit limite {kLimite, RLIM_INFINITY};
                ::setrlimit(RLIMIT_FSIZE, &limite);
            });
        p.setProgram(QStringLiteral(TENDAL));
        p.setArguments(
            {u"--ini"_s, oficina.ini(), u"--workdir"_s, oficina.trabajo(), u"recibir"_s, u"--espera"_s, u"0"_s});
    }
    p.start();
    if (!p.waitForFinished(120000))
        qFatal("tendal no terminó");
    Corrida c;
    c.estado = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    c.errores = QString::fromUtf8(p.readAllStandardError());
    if (falla == Falla::DiscoLleno)
        c.restos = QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    else
        c.restos = archivos(temporal);
    return c;
}

} // namespace

class PruebaDiscoLleno : public QObject
{
    Q_OBJECT

private slots:
    // The disk fills in the middle of the transfer, or with the last bytes,
    // which reach the disk only when the download ends.
    void escrituraFallidaNoDejaNada_data()
    {
        QTest::addColumn<int>("falla");
        QTest::addColumn<qint64>("tamano");
        QTest::addColumn<QString>("pequena"); // the folder on the small disk
        QTest::newRow("disco lleno: la descarga") << int(Falla::DiscoLleno) << qint64(3 << 20) << u"TendalTmp"_s;
        QTest::newRow("disco lleno: la copia en su carpeta")
            << int(Falla::DiscoLleno) << qint64(3 << 20) << u"recepcion"_s;
        QTest::newRow("límite de tamaño, en medio") << int(Falla::Limite) << qint64(3 << 20) << QString();
        QTest::newRow("límite de tamaño, al final") << int(Falla::Limite) << qint64(kLimite + 100) << QString();
    }
    void escrituraFallidaNoDejaNada()
    {
        QFETCH(int, falla);
        QFETCH(qint64, tamano);
        QFETCH(QString, pequena);
        ServidorFtp servidor;
        Oficina oficina;
        servidor.apunta(oficina);
        const QString saai = oficina.carpeta(u"val_rec"_s);
        const QString temporal = QDir(oficina.trabajo()).filePath(u"TendalTmp"_s);
        // The validation response has a reception folder of its own.
        const QString destino = QDir(oficina.raiz()).filePath(u"recepcion"_s);
        QVERIFY(QDir().mkpath(destino));
        const QString lleno = pequena == u"TendalTmp" ? temporal : destino;
        oficina.carga().listaRecepcion().agrega({u"M0123001.045"_s, QString(), QString(), u"10:30 a. m."_s,
                                                 u"/ag0123"_s, u"/ag0123"_s, u"k0123001.045"_s, u"M0123001.err"_s,
                                                 destino, u"2"_s});
        const QByteArray grande(tamano, 'F');
        servidor.escribe(u"/ag0123/k0123001.045"_s, "ACUSE\r\n");
        servidor.escribe(u"/ag0123/M0123001.err"_s, grande);

        const Corrida c = recibe(oficina, Falla(falla), lleno);
        if (c.estado == kSinDisco)
            QSKIP("no se pudo montar un disco pequeño (hace falta el privilegio de crear un espacio de montaje)");
        QVERIFY2(c.estado != 0, qPrintable(c.errores));
        const QString esperado = pequena.isEmpty()
                                     ? u"no se pudo escribir el archivo M0123001.err en la carpeta "_s + temporal
                                           + u" (el archivo excede el tamaño que el sistema permite)"_s
                                     : u"Error No. 61\nDescripcion: Disco lleno: no hay espacio para el "
                                       "archivo M0123001.err en la carpeta "_s
                                           + lleno;
        QVERIFY2(c.errores.contains(esperado), qPrintable(c.errores));
        // Nothing of it left behind; the small one of the same tick stored.
        QCOMPARE(c.restos, QStringList());
        QCOMPARE(archivos(temporal), QStringList());
        QCOMPARE(archivos(destino), QStringList());
        QCOMPARE(archivos(saai), QStringList {u"k0123001.045"_s});

        const Corrida despues = recibe(oficina, Falla::Ninguna);
        QVERIFY2(despues.estado == 0, qPrintable(despues.errores));
        QCOMPARE(lee(QDir(destino).filePath(u"M0123001.err"_s)), grande);
        QCOMPARE(archivos(destino), QStringList {u"M0123001.err"_s});
        QCOMPARE(despues.restos, QStringList());
    }
};

QTEST_GUILESS_MAIN(PruebaDiscoLleno)
#include "PruebaDiscoLleno.moc"
