#include "cli/LineaComandos.h"

#include <QtTest>

// The binary's own options: its version and its help.
class PruebaLineaComandos : public QObject
{
    Q_OBJECT

    struct Salida {
        int estado;
        QString out;
        QString err;
    };

    static Salida ejecuta(const QStringList &args)
    {
        QString out;
        QString err;
        QTextStream sOut(&out);
        QTextStream sErr(&err);
        const int estado = LineaComandos(sOut, sErr).ejecuta(args);
        return {estado, out, err};
    }

private slots:
    // The version printed is the project's, whatever global options precede it.
    void version()
    {
        for (const QStringList &args :
             {QStringList {QStringLiteral("--version")},
              QStringList {QStringLiteral("--ini"), QStringLiteral("/no/existe.ini"), QStringLiteral("--version")}}) {
            const Salida s = ejecuta(args);
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
        const Salida pedida = ejecuta({QStringLiteral("--help")});
        QCOMPARE(pedida.estado, 0);
        QVERIFY(pedida.out.contains(QStringLiteral("tendal --help | --version")));
        const Salida sinComando = ejecuta({});
        QCOMPARE(sinComando.estado, 2);
        QCOMPARE(sinComando.out, pedida.out);
    }
};

QTEST_GUILESS_MAIN(PruebaLineaComandos)
#include "PruebaLineaComandos.moc"
