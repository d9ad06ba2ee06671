#include "core/base/Ansi.h"
#include "core/base/ErrorTendal.h"
#include "core/base/Funciones.h"
#include "core/base/Vb.h"

#include <QTemporaryDir>
#include <QtTest>

// Conversions, scrambling, the julian day and the ANSI text that every
// other procedure relies on.
class PruebaFunciones : public QObject
{
    Q_OBJECT

private slots:
    void codificaCadena_data()
    {
        QTest::addColumn<QString>("claro");
        QTest::addColumn<QString>("codificado");
        QTest::newRow("vacío") << QString() << QString();
        QTest::newRow("abc") << QStringLiteral("abc") << QStringLiteral("qsu");
        QTest::newRow("cifras") << QStringLiteral("123") << QStringLiteral("ACE");
    }
    void codificaCadena()
    {
        QFETCH(QString, claro);
        QFETCH(QString, codificado);
        QCOMPARE(Funciones::Codifica_Cadena(claro), codificado);
        QCOMPARE(Funciones::Decodifica_Cadena(codificado), claro);
    }

    void codificaCadenaFueraDeRango_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<bool>("codifica");
        QTest::addColumn<int>("numero");
        QTest::newRow("código sobre 255") << QStringLiteral("ñ") << true << int(ErrorTendal::ArgumentoNoValido);
        QTest::newRow("carácter sin código ANSI") << QStringLiteral("Ā") << true << int(ErrorTendal::ArgumentoNoValido);
        QTest::newRow("más de 254 caracteres") << QString(255, u'a') << true << int(ErrorTendal::Desbordamiento);
        QTest::newRow("código bajo 0") << QStringLiteral("\x01") << false << int(ErrorTendal::ArgumentoNoValido);
    }
    void codificaCadenaFueraDeRango()
    {
        QFETCH(QString, texto);
        QFETCH(bool, codifica);
        QFETCH(int, numero);
        try {
            codifica ? Funciones::Codifica_Cadena(texto) : Funciones::Decodifica_Cadena(texto);
            QFAIL("debía fallar");
        } catch (const ErrorTendal &e) {
            QCOMPARE(e.numero(), numero);
        }
    }

    void codificaUsaCodigosWindows1252()
    {
        // The euro sign is 0x80 in Windows-1252: plus 16 gives 0x90, an
        // undefined code kept as U+0090.
        const QString c = Funciones::Codifica_Cadena(QStringLiteral("€"));
        QCOMPARE(c, QString(QChar(0x90)));
        QCOMPARE(Funciones::Decodifica_Cadena(c), QStringLiteral("€"));
        // Scrambling may cross into the 0x80-0x9F block: "r" (0x72) + 16 = 0x82.
        QCOMPARE(Funciones::Codifica_Cadena(QStringLiteral("r")), QStringLiteral("‚"));
    }

    void diaJuliano_data()
    {
        QTest::addColumn<QDate>("fecha");
        QTest::addColumn<int>("dia");
        QTest::newRow("1 de enero") << QDate(2026, 1, 1) << 1;
        QTest::newRow("1 de febrero") << QDate(2026, 2, 1) << 32;
        QTest::newRow("1 de marzo común") << QDate(2026, 3, 1) << 60;
        QTest::newRow("1 de marzo bisiesto") << QDate(2028, 3, 1) << 61;
        QTest::newRow("31 de diciembre común") << QDate(2026, 12, 31) << 365;
        QTest::newRow("31 de diciembre bisiesto") << QDate(2024, 12, 31) << 366;
    }
    void diaJuliano()
    {
        QFETCH(QDate, fecha);
        QFETCH(int, dia);
        QCOMPARE(int(Funciones::Dia_Juliano(fecha)), dia);
    }

    void entero_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<int>("valor");
        QTest::addColumn<int>("error");
        QTest::newRow("ceros a la izquierda") << QStringLiteral("007") << 7 << 0;
        QTest::newRow("blancos") << QStringLiteral("  45 ") << 45 << 0;
        QTest::newRow("negativo") << QStringLiteral("-32768") << -32768 << 0;
        QTest::newRow("máximo") << QStringLiteral("32767") << 32767 << 0;
        QTest::newRow("redondeo a par") << QStringLiteral("2.5") << 2 << 0;
        QTest::newRow("desborda") << QStringLiteral("32768") << 0 << int(ErrorTendal::Desbordamiento);
        QTest::newRow("vacío") << QString() << 0 << int(ErrorTendal::TiposNoCoinciden);
        QTest::newRow("letras") << QStringLiteral("12A") << 0 << int(ErrorTendal::TiposNoCoinciden);
        QTest::newRow("blancos solos") << QStringLiteral("   ") << 0 << int(ErrorTendal::TiposNoCoinciden);
    }
    void entero()
    {
        QFETCH(QString, texto);
        QFETCH(int, valor);
        QFETCH(int, error);
        try {
            const int v = Vb::entero(texto);
            QCOMPARE(error, 0);
            QCOMPARE(v, valor);
        } catch (const ErrorTendal &e) {
            QCOMPARE(e.numero(), error);
        }
    }

    void formatos()
    {
        QCOMPARE(Vb::formato(123, QStringLiteral("0000")), QStringLiteral("0123"));
        QCOMPARE(Vb::formato(12345, QStringLiteral("0000")), QStringLiteral("12345"));
        QCOMPARE(Vb::formato(45, QStringLiteral("000")), QStringLiteral("045"));
        const QLocale c = QLocale::c();
        QCOMPARE(Vb::horaAmPm(QTime(16, 5, 9), true, c), QStringLiteral("04:05:09 PM"));
        QCOMPARE(Vb::horaAmPm(QTime(0, 7, 0), false, c), QStringLiteral("12:07 AM"));
        QCOMPARE(Vb::fecha(QStringLiteral("08/12/2026")), QDate(2026, 12, 8));
        QCOMPARE(Vb::fecha(QStringLiteral("8/2/2026")), QDate(2026, 2, 8));
        QCOMPARE(Vb::fecha(QStringLiteral("2026-12-08")), QDate(2026, 12, 8));
        QVERIFY(!Vb::fecha(QStringLiteral("12-08-2026")).isValid());
    }

    void lineasAnsi_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lineas");
        QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QStringList {QStringLiteral("a"), QStringLiteral("b")};
        QTest::newRow("CR solo") << QByteArray("a\rb") << QStringList {QStringLiteral("a"), QStringLiteral("b")};
        QTest::newRow("LF solo no corta") << QByteArray("a\nb\r\n") << QStringList {QStringLiteral("a\nb")};
        QTest::newRow("línea vacía") << QByteArray("\r\nx") << QStringList {QString(), QStringLiteral("x")};
        QTest::newRow("vacío") << QByteArray() << QStringList {};
        QTest::newRow("acentos 1252") << QByteArray("Descripci\xf3n \x80")
                                      << QStringList {QStringLiteral("Descripción €")};
        QTest::newRow("NUL") << QByteArray("a\0b", 3)
                             << QStringList {QStringLiteral("a") + QChar(0) + QStringLiteral("b")};
    }
    void lineasAnsi()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lineas);
        QCOMPARE(Ansi::divideLineas(bytes), lineas);
    }

    void escribeYLeeArchivos()
    {
        QTemporaryDir dir;
        const QString ruta = dir.filePath(QStringLiteral("x.txt"));
        Ansi::escribeLineas(ruta, {QStringLiteral("Línea 1"), QStringLiteral("dos")});
        QFile f(ruta);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("L\xednea 1\r\ndos\r\n"));
        QCOMPARE(Ansi::leePrimeraLinea(ruta), QStringLiteral("Línea 1"));

        // A folder that does not exist: an error, and no file.
        try {
            Ansi::escribeLineas(dir.filePath(QStringLiteral("no/x.txt")), {QStringLiteral("a")});
            QFAIL("debía fallar");
        } catch (const ErrorTendal &e) {
            QCOMPARE(e.numero(), int(ErrorTendal::RutaNoEncontrada));
        }
        try {
            Ansi::leeLineas(dir.filePath(QStringLiteral("falta.txt")));
            QFAIL("debía fallar");
        } catch (const ErrorTendal &e) {
            QCOMPARE(e.numero(), int(ErrorTendal::ArchivoNoEncontrado));
        }
    }

    void borraArchivo()
    {
        QTemporaryDir dir;
        const QString ruta = dir.filePath(QStringLiteral("solo-lectura.txt"));
        Ansi::escribeLineas(ruta, {QStringLiteral("x")});
        QFile::setPermissions(ruta, QFileDevice::ReadOwner);
        Funciones::Borra_Archivo(ruta);
        QVERIFY(!QFile::exists(ruta));
        Funciones::Borra_Archivo(ruta); // nothing there: nothing happens
    }
};

QTEST_GUILESS_MAIN(PruebaFunciones)
#include "PruebaFunciones.moc"
