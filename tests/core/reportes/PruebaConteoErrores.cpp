#include "core/reportes/ConteoErrores.h"
#include "core/db/HistorialDiario.h"
#include "tests/soporte/CatalogoPrueba.h"
#include "tests/soporte/HistorialPrueba.h"
#include "tests/soporte/Oficina.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

// The error count of a stored response: the error entries its report shows,
// told apart by the formats' own rules, counted off the thread and kept.
class PruebaConteoErrores : public QObject
{
    Q_OBJECT

private slots:
    // Every format: the count is the number of error entries of the report
    // the builder writes for the same file.
    void porFormato_data()
    {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<QString>("nombre");
        QTest::addColumn<int>("errores");

        QTest::newRow("M") << "M3001234.err"
                           << "M3001234.err" << 8;
        QTest::newRow("M en minúsculas") << "M3001234.err"
                                         << "m3001234.err" << 8;
        QTest::newRow("T") << "T3001234.err"
                           << "T3001234.err" << 1;
        QTest::newRow("C") << "C3001234.err"
                           << "C3001234.err" << 5;
        QTest::newRow("D") << "D3001234.err"
                           << "D3001234.err" << 3;
        QTest::newRow("A (una línea de 79 caracteres es un pago)") << "A3001234.123"
                                                                   << "A3001234.123" << 2;
        QTest::newRow("R") << "R3001234.123"
                           << "R3001234.123" << 3;
        QTest::newRow("R con saltos LF") << "R3001234.lf"
                                         << "R3001240.123" << 1;
        QTest::newRow("X") << "X3001234.001"
                           << "X3001234.001" << 2;
        QTest::newRow("P") << "P3001234.001"
                           << "P3001234.001" << 2;
        QTest::newRow("Q") << "Q3001234.001"
                           << "Q3001234.001" << 2;
        QTest::newRow("prevalidación: sin cuenta") << "K3001234.205"
                                                   << "K3001234.205" << ConteoErrores::kSinCuenta;
        QTest::newRow("nombre sin tipo") << "M3001234.err"
                                         << "Z3001234.err" << ConteoErrores::kSinCuenta;
    }

    void porFormato()
    {
        QFETCH(QString, fixture);
        QFETCH(QString, nombre);
        QFETCH(int, errores);
        QTemporaryDir dir;
        QVERIFY(copiaFixture(fixture, dir.path(), nombre));
        QCOMPARE(ConteoErrores::cuenta(nombre, dir.filePath(nombre)), errores);
    }

    void limpiaYConErrores_data()
    {
        QTest::addColumn<QByteArray>("contenido");
        QTest::addColumn<int>("errores");
        QTest::newRow("limpia") << QByteArray("F3001234ABCD1234\r\n") << 0;
        QTest::newRow("cuatro errores") << QByteArray("F3001234ABCD1234\r\n"
                                                      "E3001234501001230501\r\n"
                                                      "E3001234502001230502\r\n"
                                                      "A3001234503001230503\r\n"
                                                      "E3001234504001230504\r\n")
                                        << 4;
        QTest::newRow("vacía") << QByteArray() << 0;
    }

    void limpiaYConErrores()
    {
        QFETCH(QByteArray, contenido);
        QFETCH(int, errores);
        QTemporaryDir dir;
        QVERIFY(escribe(dir.path(), QStringLiteral("M0123001.err"), contenido));
        QCOMPARE(ConteoErrores::cuenta(QStringLiteral("M0123001.err"), dir.filePath(QStringLiteral("M0123001.err"))),
                 errores);
    }

    // A file that cannot be read whole gives no count rather than a wrong one.
    void ilegible()
    {
        QTemporaryDir dir;
        QCOMPARE(ConteoErrores::cuenta(QStringLiteral("M0123001.err"), dir.filePath(QStringLiteral("M0123001.err"))),
                 ConteoErrores::kSinCuenta);
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("M0123002.err")));
        QCOMPARE(ConteoErrores::cuenta(QStringLiteral("M0123002.err"), dir.filePath(QStringLiteral("M0123002.err"))),
                 ConteoErrores::kSinCuenta);
    }

    // The count is made off the thread and kept: the first ask gives none and
    // starts it, `contado` follows, and later asks give it at once. A file
    // stored again with other content is counted again once the files are
    // to be looked at again.
    void guardadaYRecontada()
    {
        QTemporaryDir dir;
        const QString nombre = QStringLiteral("M0123001.err");
        const QString ruta = dir.filePath(nombre);
        QVERIFY(escribe(dir.path(), nombre, "E3001234501001230501\r\n"));
        ConteoErrores conteo;
        QSignalSpy contado(&conteo, &ConteoErrores::contado);
        QCOMPARE(conteo.errores(nombre, ruta), ConteoErrores::kSinCuenta);
        QCOMPARE(conteo.errores(nombre, ruta), ConteoErrores::kSinCuenta); // one count, not two
        QCOMPARE(contado.count(), 0); // never heard while asking
        QTRY_COMPARE(contado.count(), 1);
        QCOMPARE(conteo.errores(nombre, ruta), 1);

        // Stored again (its list changed): looked at again on the disk.
        QVERIFY(escribe(dir.path(), nombre, "E3001234501001230501\r\nE3001234502001230502\r\nF3001234ABCD\r\n"));
        QCOMPARE(conteo.errores(nombre, ruta), 1); // not looked at again per ask
        conteo.olvidaArchivos();
        QCOMPARE(conteo.errores(nombre, ruta), ConteoErrores::kSinCuenta);
        QCOMPARE(contado.count(), 1);
        QTRY_COMPARE(contado.count(), 2);
        QCOMPARE(conteo.errores(nombre, ruta), 2);
        QCOMPARE(conteo.errores(QStringLiteral("K0123001.001"), ruta), ConteoErrores::kSinCuenta);
        QCOMPARE(conteo.errores(nombre, QString()), ConteoErrores::kSinCuenta);
        QCOMPARE(contado.count(), 2);
    }

    // A response received on another workstation (its file is not here) is
    // counted from its bytes in the office's journal; without its id, or
    // without the journal, it has no count.
    void desdeElDiario()
    {
        Oficina oficina;
        Programa &p = oficina.carga();
        const QDateTime ahora = QDateTime::currentDateTimeUtc();
        const qint64 t = HistorialPrueba::envia(p, QStringLiteral("M0123001.045"), ahora);
        const QString ruta = HistorialPrueba::responde(p, t, QStringLiteral("R"), QStringLiteral("M0123001.err"),
                                                       "F3001234ABCD1234\r\nE3001234501001230501\r\n"
                                                       "E3001234502001230502\r\nA3001234503001230503\r\n",
                                                       ahora, oficina.carpeta(QStringLiteral("val_rec")));
        const auto respuesta = HistorialDiario(p.conexion()).ultimaRespuesta(QStringLiteral("M0123001.err"));
        QVERIFY(respuesta);
        QVERIFY(QFile::remove(ruta));

        ConteoErrores conteo(p.conexion().ruta());
        ConteoErrores soloArchivos;
        QSignalSpy contado(&conteo, &ConteoErrores::contado);
        QSignalSpy contadoSolo(&soloArchivos, &ConteoErrores::contado);
        const QString nombre = QStringLiteral("M0123001.err");
        QCOMPARE(conteo.errores(nombre, ruta, respuesta->id), ConteoErrores::kSinCuenta);
        QCOMPARE(soloArchivos.errores(nombre, ruta, respuesta->id), ConteoErrores::kSinCuenta);
        QTRY_COMPARE(contado.count(), 1);
        QCOMPARE(conteo.errores(nombre, ruta, respuesta->id), 3);
        QTRY_COMPARE(contadoSolo.count(), 1);
        QCOMPARE(soloArchivos.errores(nombre, ruta, respuesta->id), ConteoErrores::kSinCuenta);
    }
};

QTEST_GUILESS_MAIN(PruebaConteoErrores)
#include "PruebaConteoErrores.moc"
