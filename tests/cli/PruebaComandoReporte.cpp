#include "cli/LineaComandos.h"
#include "tests/soporte/CatalogoPrueba.h"

#include <QBuffer>
#include <QRegularExpression>
#include <QtTest>

// tendal reporte, run in-process on an office made as `tendal init` makes it.
class PruebaComandoReporte : public QObject
{
    Q_OBJECT

    struct Salida {
        int estado;
        QByteArray out;
        QString err;
    };

    static Salida ejecuta(Oficina &oficina, const QStringList &args)
    {
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        QString err;
        QTextStream sOut(&out);
        QTextStream sErr(&err);
        const int estado = LineaComandos(sOut, sErr)
                               .ejecuta(QStringList {QStringLiteral("--ini"), oficina.ini(),
                                                     QStringLiteral("--workdir"), oficina.trabajo()}
                                        + args);
        sOut.flush();
        return {estado, out.data(), err};
    }

    // The header with any date and time.
    static QRegularExpression encabezado(const QString &titulo, const QString &nombre)
    {
        return QRegularExpression(
            QStringLiteral("^") + QRegularExpression::escape(titulo + QStringLiteral(" Archivo: ") + nombre)
            + QStringLiteral("  -  \\d\\d/\\d\\d/\\d{4}  \\d\\d:\\d\\d:\\d\\d [ap]\\.\\x{00A0}m\\.\r\n\r\n"));
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Mexico)); }

    void reporteCompleto()
    {
        Oficina oficina;
        llenaCatalogo(oficina);
        QVERIFY(copiaFixture(QStringLiteral("D3001234.err"), oficina.carpeta(QStringLiteral("val_rec")),
                             QStringLiteral("D3001234.err")));

        const Salida s = ejecuta(oficina, {QStringLiteral("reporte"), QStringLiteral("D3001234.err")});
        QCOMPARE(s.estado, 0);
        QCOMPARE(s.err, QString());
        const QString texto = QString::fromUtf8(s.out);
        QCOMPARE(texto.toUtf8(), s.out); // UTF-8 throughout
        const auto m = encabezado(QStringLiteral("Programa de Tendal  -  Revisión"), QStringLiteral("D3001234.ERR"))
                           .match(texto);
        QVERIFY2(m.hasMatch(), qPrintable(texto));
        QCOMPARE(
            texto.mid(m.capturedLength()),
            QStringLiteral("Patente: 0123   Pedimento: 3001234   A.G.D.: 0001   S.D.F.: AB   Folio CC:12345   Acuse "
                           "Electrónico:ACUSE001\r\n\r\n"
                           "Tipo Error: R  -  Registro: 501  -  Número: 12  -  Consecutivo: 05  -  Línea: 12\r\n"
                           "VALOR FUERA DE RANGO\r\n\r\n"
                           "Tipo Error: S  -  Registro: 501  -  Número: 12  -  Consecutivo: 07  -  Línea: 33\r\n"
                           "Aplica a cualquier campo\r\n\r\n"
                           "Tipo Error: '  -  Registro: 501  -  Número: 99  -  Consecutivo: 07  -  Línea: 44\r\n\r\n"));
        QVERIFY(s.out.contains("Revisi\xc3\xb3n Archivo"));
    }

    void tituloPropioYSinCambios()
    {
        Oficina oficina;
        QVERIFY(copiaFixture(QStringLiteral("K3001234.205"), oficina.carpeta(QStringLiteral("val_rec")),
                             QStringLiteral("K3001234.205")));
        Salida s = ejecuta(oficina, {QStringLiteral("reporte"), QStringLiteral("K3001234.205")});
        QCOMPARE(s.estado, 0);
        QCOMPARE(s.out, QByteArrayLiteral(
                            "Prevalidaci\xc3\xb3n <b>correcta</b>\r\nlinea con LF\nsola\r\n\0NUL\xe2\x82\xac fin"));

        s = ejecuta(oficina, {QStringLiteral("reporte"), QStringLiteral("--titulo"), QStringLiteral("Mi título"),
                              QStringLiteral("Z3001234.err")});
        QCOMPARE(s.estado, 0);
        QVERIFY2(encabezado(QStringLiteral("Mi título"), QStringLiteral("Z3001234.ERR"))
                     .match(QString::fromUtf8(s.out))
                     .hasMatch(),
                 s.out.constData());
        QVERIFY(s.out.endsWith("\r\n\r\n"));
    }

    void fallo()
    {
        Oficina oficina;
        const Salida s = ejecuta(oficina, {QStringLiteral("reporte"), QStringLiteral("M3001234.err")});
        QCOMPARE(s.estado, 1);
        const QString texto = QString::fromUtf8(s.out);
        QVERIFY2(texto.endsWith(QStringLiteral("M3001234.err: el archivo no existe.\r\n")), qPrintable(texto));
        QVERIFY(texto.contains(QStringLiteral("\r\n\r\nNo se pudo leer el archivo ")));
    }

    // A name of no known kind is refused before the office is opened.
    void nombreDesconocido()
    {
        Oficina oficina;
        const Salida s = ejecuta(oficina, {QStringLiteral("reporte"), QStringLiteral("Z0123001.045")});
        QCOMPARE(s.estado, 2);
        QCOMPARE(s.out, QByteArray());
        QVERIFY2(s.err.contains(QStringLiteral("Z0123001.045 no es un archivo de respuesta que el programa conozca")),
                 qPrintable(s.err));
    }

    void usoEquivocado_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("sin nombre") << QStringList {QStringLiteral("reporte")};
        QTest::newRow("dos nombres") << QStringList {QStringLiteral("reporte"), QStringLiteral("A1"),
                                                     QStringLiteral("A2")};
        QTest::newRow("título sin valor")
            << QStringList {QStringLiteral("reporte"), QStringLiteral("A1"), QStringLiteral("--titulo")};
        QTest::newRow("opción desconocida") << QStringList {QStringLiteral("reporte"), QStringLiteral("--otra")};
    }

    void usoEquivocado()
    {
        QFETCH(QStringList, args);
        Oficina oficina;
        const Salida s = ejecuta(oficina, args);
        QCOMPARE(s.estado, 2);
        QCOMPARE(s.out, QByteArray());
        QVERIFY(s.err.contains(QStringLiteral("tendal reporte NOMBRE [--titulo TEXTO]")));
    }

    void sinBaseDeDatos()
    {
        Oficina oficina;
        QVERIFY(QFile::remove(QDir(oficina.carpetaDatos()).filePath(QStringLiteral("Prevalida.db"))));
        const Salida s = ejecuta(oficina, {QStringLiteral("reporte"), QStringLiteral("M3001234.err")});
        QCOMPARE(s.estado, 1);
        QCOMPARE(s.out, QByteArray());
        QVERIFY2(s.err.contains(QStringLiteral("Prevalida.db")), qPrintable(s.err));
    }
};

QTEST_GUILESS_MAIN(PruebaComandoReporte)
#include "PruebaComandoReporte.moc"
