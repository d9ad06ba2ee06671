// The program never lets a core dump of itself reach a disk: it holds the
// passwords in clear. A real `tendal` process, waiting for a password on its
// standard input, is looked at from outside.

#include "tests/soporte/ProcesoTendal.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;

class PruebaSinVolcados : public QObject
{
    Q_OBJECT

private slots:
    void sinVolcadoDeMemoria()
    {
#ifndef Q_OS_LINUX
        QSKIP("the limits of a process are read from /proc");
#else
        Oficina oficina;
        oficina.carga();
        ProcesoTendal tendal(oficina, {u"config"_s, u"clave_pago=-"_s});
        const QString limites = u"/proc/%1/limits"_s.arg(tendal.p.processId());
        static const QRegularExpression cero(u"^Max core file size\\s+0\\s+0\\s"_s,
                                             QRegularExpression::MultilineOption);
        // The program lowers its limit first thing; until then the file shows
        // the test's own.
        const auto sinVolcado = [&] {
            QFile f(limites);
            return f.open(QIODevice::ReadOnly) && cero.match(QString::fromLatin1(f.readAll())).hasMatch();
        };
        QTRY_VERIFY2_WITH_TIMEOUT(sinVolcado() || tendal.p.state() != QProcess::Running, "", 60000);
        QVERIFY2(sinVolcado(), "el programa puede dejar un volcado de su memoria");
        tendal.p.write("Pago123\n");
        tendal.p.closeWriteChannel();
        QCOMPARE(tendal.termina(), 0);
#endif
    }
};

QTEST_GUILESS_MAIN(PruebaSinVolcados)
#include "PruebaSinVolcados.moc"
