// The office's database folder that this program cannot write, for real:
// each `tendal` runs in a mount namespace of its own where the data folder
// is a read-only bind of itself (root writes through a chmod, so that is
// used only without the privilege of a namespace), or a small disk that is
// full. The reading commands give what they give on a writable office; every
// writing command refuses, in Spanish, naming the database, and changes
// nothing.

#include "tests/soporte/HistorialPrueba.h"
#include "tests/soporte/Oficina.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QTimeZone>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int kSinEspacioDeMontaje = 99;

// DiscoCasiLleno leaves room for the log's shared memory (32 KiB) and one
// page more: the database opens, and the first write of its log fails.
enum class Modo { Escribible, SoloLectura, DiscoLleno, DiscoCasiLleno };

struct Corrida {
    int estado = -1;
    QString out;
    QString err;
};

QByteArray huella(const QString &ruta)
{
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256) : "";
}

// tendal ARGS on the office, its data folder as modo says.
Corrida corre(const Oficina &oficina, Modo modo, const QStringList &args)
{
    const QStringList tendal
        = QStringList {QStringLiteral(TENDAL), u"--ini"_s, oficina.ini(), u"--workdir"_s, oficina.trabajo()} + args;
    QProcess p;
    p.setStandardInputFile(QProcess::nullDevice());
    if (modo == Modo::Escribible) {
        p.setProgram(tendal.first());
        p.setArguments(tendal.mid(1));
    } else {
        // The folder as it stands, read-only; or a 1 MB disk in its place
        // holding a copy of it, filled to the last byte.
        const QString cuenta = modo == Modo::DiscoCasiLleno
                                   ? u"count=$(( $(df --output=avail -B 4096 \"$1\" | tail -n 1) - 9 ))"_s
                                   : QString();
        const QString monta
            = modo == Modo::SoloLectura
                  ? u"mount --bind \"$1\" \"$1\" && mount -o remount,bind,ro \"$1\""_s
                  : u"cp -a \"$1\" \"$1.copia\" && mount -t tmpfs -o size=1m tmpfs \"$1\" && cp -a \"$1.copia\"/. "
                    "\"$1\" && rm -rf \"$1.copia\" && { dd if=/dev/zero of=\"$1/relleno\" bs=4k %1 2>/dev/null; "
                    "true; }"_s.arg(cuenta);
        p.setProgram(u"unshare"_s);
        p.setArguments(
            QStringList {u"-m"_s, u"--propagation"_s, u"private"_s, u"sh"_s, u"-c"_s,
                         u"{ %1; } 2>/dev/null || exit %2; shift; exec \"$@\""_s.arg(monta).arg(kSinEspacioDeMontaje),
                         u"sh"_s, oficina.carpetaDatos()}
            + tendal);
    }
    p.start();
    if (!p.waitForFinished(120000))
        qFatal("tendal no terminó");
    Corrida c;
    c.estado = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    c.out = QString::fromUtf8(p.readAllStandardOutput());
    c.err = QString::fromUtf8(p.readAllStandardError());
    return c;
}

const QList<QStringList> &lecturas()
{
    static const QList<QStringList> l {
        {u"historial"_s}, {u"acuse"_s, u"M0123001.045"_s}, {u"reporte"_s, u"k0123001.045"_s}};
    return l;
}

const QList<QStringList> &escrituras()
{
    static const QList<QStringList> l {{u"enviar"_s, u"--sin-espera"_s},
                                       {u"recibir"_s, u"--espera"_s, u"0"_s},
                                       {u"quitar"_s, u"M0123002.045"_s},
                                       {u"caterr"_s},
                                       {u"config"_s, u"Agente=OTRO"_s}};
    return l;
}

// An office with a file sent and answered, one in the reception list and
// one waiting to be sent; its connection closed (nothing beside the file).
void preparaOficina(Oficina &oficina)
{
    const QDateTime ahora = QDateTime(QDate(2026, 2, 14), QTime(10, 30), QTimeZone::utc());
    Programa programa(Carpetas(oficina.trabajo(), oficina.ini()), oficina.reloj, oficina.dialogos);
    programa.carga();
    const qint64 t = HistorialPrueba::envia(programa, u"M0123001.045"_s, ahora);
    HistorialPrueba::responde(programa, t, u"K"_s, u"k0123001.045"_s, "ACUSE\r\n", ahora.addSecs(60),
                              oficina.carpeta(u"val_rec"_s));
    HistorialPrueba::envia(programa, u"M0123003.045"_s, ahora);
    qint64 cola = 0;
    programa.diario().encola(
        {Diario::Origen::Cola, 0, u"M0123002.045"_s, u"E"_s, u"2"_s, u"/ag0123"_s, u"/ag0123"_s, QString()}, &cola);
}

} // namespace

class PruebaBaseSoloLectura : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (Oficina::pruebaEnServidor())
            QSKIP("una base de un servidor no es una carpeta de sólo lectura");
    }

    // Alone on the file (no write-ahead log beside it), and while another
    // program has it open (its log and shared memory there, and in use).
    void leeYNoEscribe_data()
    {
        QTest::addColumn<bool>("otroAbierto");
        QTest::newRow("sin otro programa") << false;
        QTest::newRow("con otro programa abierto") << true;
    }
    void leeYNoEscribe()
    {
        QFETCH(bool, otroAbierto);
        Oficina oficina;
        preparaOficina(oficina);
        const QString base = QDir(oficina.carpetaDatos()).filePath(u"Prevalida.db"_s);
        QList<Corrida> antes;
        for (const QStringList &args : lecturas()) {
            antes << corre(oficina, Modo::Escribible, args);
            QVERIFY2(antes.last().estado == 0 && !antes.last().out.isEmpty(), qPrintable(antes.last().err));
        }
        if (otroAbierto)
            oficina.carga();
        const QByteArray bytes = huella(base);

        for (qsizetype i = 0; i < lecturas().size(); ++i) {
            const Corrida c = corre(oficina, Modo::SoloLectura, lecturas()[i]);
            if (c.estado == kSinEspacioDeMontaje)
                QSKIP("no se pudo montar la carpeta de datos de sólo lectura (hace falta el privilegio de crear un "
                      "espacio de montaje)");
            QVERIFY2(c.estado == 0, qPrintable(lecturas()[i].join(u' ') + u": "_s + c.err));
            QCOMPARE(c.out, antes[i].out);
            QCOMPARE(c.err, antes[i].err);
        }
        const QString aviso = u"La base de datos %1 es de sólo lectura: el archivo o su carpeta no se pueden escribir. "
                              "Se pueden consultar las listas, el historial, los acuses y los reportes, pero no "
                              "enviar, recibir ni cambiar nada."_s.arg(base);
        for (const QStringList &args : escrituras()) {
            const Corrida c = corre(oficina, Modo::SoloLectura, args);
            QVERIFY2(c.estado == 1, qPrintable(args.join(u' ') + u": "_s + c.err));
            QVERIFY2(c.err.contains(aviso), qPrintable(args.join(u' ') + u": "_s + c.err));
        }
        QCOMPARE(huella(base), bytes);
        // The office is as it was: the lists still hold their files.
        const Corrida despues = corre(oficina, Modo::Escribible, {u"quitar"_s, u"M0123002.045"_s, u"--si"_s});
        QVERIFY2(despues.estado == 0, qPrintable(despues.err));
    }

    // A file whose schema is older than the program is not brought up to
    // date on a read-only open, and says so.
    void esquemaAnterior()
    {
        Oficina oficina;
        preparaOficina(oficina);
        oficina.sql(u"PRAGMA user_version = 9"_s);
        const Corrida c = corre(oficina, Modo::SoloLectura, {u"historial"_s});
        if (c.estado == kSinEspacioDeMontaje)
            QSKIP("no se pudo montar la carpeta de datos de sólo lectura");
        QCOMPARE(c.estado, 1);
        QVERIFY2(c.err.contains(
                     u"La base de datos %1 es de una versión anterior del programa y no se puede poner al día"_s.arg(
                         QDir(oficina.carpetaDatos()).filePath(u"Prevalida.db"_s))),
                 qPrintable(c.err));
    }

    // On a full disk the database cannot even make the shared memory of its
    // log: it is read as it stands, and a change says the disk is full.
    // With room for the shared memory only, it opens and the first change
    // fails as it writes its log.
    void discoLleno_data()
    {
        QTest::addColumn<int>("modo");
        QTest::newRow("lleno") << int(Modo::DiscoLleno);
        QTest::newRow("casi lleno") << int(Modo::DiscoCasiLleno);
    }
    void discoLleno()
    {
        QFETCH(int, modo);
        Oficina oficina;
        preparaOficina(oficina);
        const Corrida antes = corre(oficina, Modo::Escribible, {u"historial"_s});
        const Corrida c = corre(oficina, Modo(modo), {u"historial"_s});
        if (c.estado == kSinEspacioDeMontaje)
            QSKIP("no se pudo montar un disco pequeño (hace falta el privilegio de crear un espacio de montaje)");
        QVERIFY2(c.estado == 0, qPrintable(c.err));
        QCOMPARE(c.out, antes.out);
        const Corrida quitar = corre(oficina, Modo(modo), {u"quitar"_s, u"M0123002.045"_s, u"--si"_s});
        QCOMPARE(quitar.estado, 1);
        QVERIFY2(quitar.err.contains(u"No hay espacio en el disco para la base de datos %1"_s.arg(
                     QDir(oficina.carpetaDatos()).filePath(u"Prevalida.db"_s))),
                 qPrintable(quitar.err));
    }
};

QTEST_GUILESS_MAIN(PruebaBaseSoloLectura)
#include "PruebaBaseSoloLectura.moc"
