#include "cli/LineaComandos.h"
#include "tests/soporte/SalidaComando.h"

#include <QtTest>

// The binary's own options: its version and its help.
class PruebaLineaComandos : public QObject
{
    Q_OBJECT

private slots:
    // The version printed is the project's, whatever global options precede it.
    void version()
    {
        for (const QStringList &args :
             {QStringList {QStringLiteral("--version")},
              QStringList {QStringLiteral("--ini"), QStringLiteral("/no/existe.ini"), QStringLiteral("--version")}}) {
            const SalidaComando s = tendalEnProceso(args);
            QCOMPARE(s.estado, 0);
            QCOMPARE(s.out, QStringLiteral("Tendal " TENDAL_VERSION_PROYECTO "\n"));
            QCOMPARE(s.err, QString());
        }
        QVERIFY(LineaComandos::esComando({QStringLiteral("--version")}));
    }

    // --help names the global options it accepts; without a command it is
    // printed with status 2, on request with status 0.
    void ayuda()
    {
        const SalidaComando pedida = tendalEnProceso({QStringLiteral("--help")});
        QCOMPARE(pedida.estado, 0);
        QVERIFY(pedida.out.contains(QStringLiteral("tendal --help | --version")));
        const SalidaComando sinComando = tendalEnProceso({});
        QCOMPARE(sinComando.estado, 2);
        QCOMPARE(sinComando.out, pedida.out);
    }
};

QTEST_GUILESS_MAIN(PruebaLineaComandos)
#include "PruebaLineaComandos.moc"
