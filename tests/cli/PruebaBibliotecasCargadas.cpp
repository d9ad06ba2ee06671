// What a `tendal` process loads: a command loads no window library and,
// until it talks to a server, no libcurl; the PostgreSQL driver only for an
// office on a server; without a command the process becomes the desktop
// program. Real processes, looked at through the dynamic loader's own
// report (LD_DEBUG=libs) and /proc.

#include "tests/soporte/ProcesoTendal.h"

#include <QFileInfo>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The libraries a process initialised, from the loader's report on its
// error output ("calling init: /path/lib.so").
QStringList iniciadas(const QString &errores)
{
    QStringList libs;
    for (const QString &linea : errores.split(u'\n'))
        if (const qsizetype i = linea.indexOf(u"calling init: "_s); i >= 0)
            libs << QFileInfo(linea.mid(i + 14).trimmed()).fileName();
    return libs;
}

bool carga(const QStringList &libs, const QString &prefijo)
{
    return std::any_of(libs.begin(), libs.end(), [&](const QString &l) { return l.startsWith(prefijo); });
}

} // namespace

class PruebaBibliotecasCargadas : public QObject
{
    Q_OBJECT

private slots:
    void comandos_data()
    {
        QTest::addColumn<QStringList>("argumentos");
        QTest::addColumn<QStringList>("cargadas");
        QTest::addColumn<QStringList>("ausentes");
        const QStringList ventanas {u"libQt6Widgets"_s, u"libQt6Gui"_s, u"libQt6PrintSupport"_s, u"libGL"_s};
        QTest::newRow("--version") << QStringList {u"--version"_s} << QStringList {u"libQt6Core"_s}
                                   << ventanas + QStringList {u"libcurl"_s, u"libqsql"_s};
        QTest::newRow("historial") << QStringList {u"historial"_s} << QStringList {u"libqsqlite"_s}
                                   << ventanas + QStringList {u"libcurl"_s, u"libqsqlpsql"_s};
    }

    void comandos()
    {
        QFETCH(QStringList, argumentos);
        QFETCH(QStringList, cargadas);
        QFETCH(QStringList, ausentes);
        if (Oficina::pruebaEnServidor())
            QSKIP("an office on a file");
        Oficina oficina;
        QProcess p;
        QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
        entorno.insert(u"LD_DEBUG"_s, u"libs"_s);
        p.setProcessEnvironment(entorno);
        p.start(QStringLiteral(TENDAL), QStringList {u"--ini"_s, oficina.ini()} + argumentos);
        QVERIFY(p.waitForFinished(60000));
        const QString errores = QString::fromLocal8Bit(p.readAllStandardError());
        QCOMPARE(p.exitCode(), 0);
        const QStringList libs = iniciadas(errores);
        QVERIFY2(!libs.isEmpty(), "el cargador no informó nada");
        for (const QString &l : cargadas)
            QVERIFY2(carga(libs, l), qPrintable(l + u" no se cargó: "_s + libs.join(u' ')));
        for (const QString &l : ausentes)
            QVERIFY2(!carga(libs, l), qPrintable(l + u" se cargó: "_s + libs.join(u' ')));
    }

    // Without a command the same process (the same pid) becomes the desktop
    // program, which loads the windows.
    void sinComandoAbreLasVentanas()
    {
#ifndef Q_OS_LINUX
        QSKIP("the program of a process is read from /proc");
#else
        Oficina oficina;
        QProcess p;
        QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
        entorno.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        p.setProcessEnvironment(entorno);
        p.start(QStringLiteral(TENDAL), {u"--ini"_s, oficina.ini(), u"--workdir"_s, oficina.trabajo()});
        QVERIFY(p.waitForStarted());
        const QString exe = u"/proc/%1/exe"_s.arg(p.processId());
        const QString escritorio = QFileInfo(QStringLiteral(TENDAL)).absolutePath() + u"/tendal-escritorio"_s;
        QTRY_COMPARE_WITH_TIMEOUT(QFileInfo(exe).symLinkTarget(), escritorio, 60000);
        const auto ventanas = [&] {
            QFile maps(u"/proc/%1/maps"_s.arg(p.processId()));
            return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libQt6Widgets");
        };
        QTRY_VERIFY_WITH_TIMEOUT(ventanas(), 60000);
        QCOMPARE(p.state(), QProcess::Running);
        p.terminate();
        QVERIFY(p.waitForFinished(60000));
#endif
    }
};

QTEST_GUILESS_MAIN(PruebaBibliotecasCargadas)
#include "PruebaBibliotecasCargadas.moc"
