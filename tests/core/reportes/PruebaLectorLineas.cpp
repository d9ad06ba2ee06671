#include "core/base/Ansi.h"
#include "core/base/ErrorTendal.h"
#include "core/reportes/LectorLineas.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QtTest>

// The block reader splits lines exactly as the whole-file reader does,
// wherever the blocks happen to end.
class PruebaLectorLineas : public QObject
{
    Q_OBJECT

    static QStringList lee(const QByteArray &bytes)
    {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        LectorLineas lector(buffer);
        QStringList lineas;
        QString linea;
        while (lector.siguiente(linea)) {
            lineas << linea;
            if (lector.numero() != lineas.size())
                return {QStringLiteral("numeración equivocada")};
        }
        return lineas;
    }

private slots:
    void comoLaLecturaCompleta_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("vacío") << QByteArray();
        QTest::newRow("CR LF final") << QByteArray("a\r\nb\r\n");
        QTest::newRow("sin salto final") << QByteArray("a\r\nb");
        QTest::newRow("CR solo") << QByteArray("a\rb\r");
        QTest::newRow("LF solo no corta") << QByteArray("a\nb\r\nc\n");
        QTest::newRow("líneas vacías") << QByteArray("\r\n\r\r\n\n");
        QTest::newRow("bytes altos y NUL") << QByteArrayLiteral("\x80\x81\xe9\0z\r\n");

        // CR LF split by the end of a 64 KB block, and a CR that ends a block.
        QByteArray frontera(64 * 1024 - 1, 'a');
        QTest::newRow("CR LF en la frontera") << frontera + "\r\nb";
        QTest::newRow("CR al final del bloque y otro CR") << frontera + "\r\rb";
        QTest::newRow("CR al final del archivo en la frontera") << frontera + "\r";

        QRandomGenerator azar(20070723);
        const char alfabeto[] = {'a', 'b', '\r', '\n', '\0', char(0xE9)};
        for (int n = 0; n < 4; ++n) {
            QByteArray bytes(200 * 1024 + n * 7919, 'x');
            for (char &b : bytes)
                b = alfabeto[azar.bounded(int(sizeof(alfabeto)))];
            QTest::addRow("al azar %d", n) << bytes;
        }
    }

    void comoLaLecturaCompleta()
    {
        QFETCH(QByteArray, bytes);
        QCOMPARE(lee(bytes), Ansi::divideLineas(bytes));
    }

    void lineaDemasiadoLarga()
    {
        QBuffer buffer;
        buffer.setData("corta\r\n12345678901\r\n");
        buffer.open(QIODevice::ReadOnly);
        LectorLineas lector(buffer, 10);
        QString linea;
        QVERIFY(lector.siguiente(linea));
        QCOMPARE(linea, QStringLiteral("corta"));
        try {
            lector.siguiente(linea);
            QFAIL("una línea de 11 caracteres pasó con un máximo de 10");
        } catch (const ErrorTendal &e) {
            QCOMPARE(e.descripcion(), QStringLiteral("la línea mide más de 10 caracteres"));
            QCOMPARE(lector.numero(), 2);
        }
    }
};

QTEST_GUILESS_MAIN(PruebaLectorLineas)
#include "PruebaLectorLineas.moc"
