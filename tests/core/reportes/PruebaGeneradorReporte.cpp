#include "core/db/Conexion.h"
#include "core/reportes/DestinoFlujo.h"
#include "core/reportes/DestinoTexto.h"
#include "core/reportes/GeneradorReporte.h"
#include "tests/soporte/CatalogoPrueba.h"

#include <QDir>
#include <QtTest>

namespace {

// A report target that keeps the report as text and records what the
// builder asked of it.
class DestinoGrabado : public DestinoTexto
{
public:
    void vacia() override
    {
        llamadas << QStringLiteral("vacia");
        DestinoTexto::vacia();
    }
    void ponTexto(const QString &t) override
    {
        llamadas << QStringLiteral("ponTexto");
        DestinoTexto::ponTexto(t);
    }
    void agregaTexto(const QString &t) override
    {
        llamadas << QStringLiteral("agregaTexto");
        piezas << t;
        DestinoTexto::agregaTexto(t);
    }
    void muestraSinCambios(const QString &contenido) override
    {
        llamadas << QStringLiteral("muestraSinCambios");
        DestinoTexto::muestraSinCambios(contenido);
    }
    void falla(const QString &t) override
    {
        llamadas << QStringLiteral("falla");
        DestinoTexto::falla(t);
    }
    void termina() override { llamadas << QStringLiteral("termina"); }

    QStringList llamadas;
    QStringList piezas;
};

const QDateTime kAhora(QDate(2007, 7, 23), QTime(16, 5, 9));
const QStringList kConCuerpo
    = {QStringLiteral("vacia"), QStringLiteral("ponTexto"), QStringLiteral("agregaTexto"), QStringLiteral("termina")};
const QStringList kConFallo
    = {QStringLiteral("vacia"), QStringLiteral("ponTexto"), QStringLiteral("falla"), QStringLiteral("termina")};

QString encabezado(const QString &nombreMayusculas)
{
    return QStringLiteral("Programa de Tendal  -  Revisión Archivo: %1  -  23/07/2007  04:05:09 p.\u00a0m.\r\n\r\n")
        .arg(nombreMayusculas);
}

QString ruta(Oficina &oficina, const QString &columna, const QString &nombre)
{
    return QDir::toNativeSeparators(QDir(oficina.carpeta(columna)).filePath(nombre));
}

} // namespace

// The revision report: kinds, header, every response format, and the reports
// of files that cannot be read.
class PruebaGeneradorReporte : public QObject
{
    Q_OBJECT

    struct Resultado {
        bool completo;
        DestinoGrabado destino;
    };

    static Resultado genera(Oficina &oficina, const QString &nombre)
    {
        Resultado r {false, {}};
        GeneradorReporte generador(oficina.programa());
        r.completo = generador.Genera_Reporte(GeneradorReporte::tituloRevision(), nombre, r.destino);
        return r;
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Mexico)); }

    void formatos_data()
    {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<QString>("nombre");
        QTest::addColumn<QString>("columna");
        QTest::addColumn<QString>("cuerpo");

        const QString m
            = QStringLiteral("Pedimento: 3001234    Error   Reg: 501, Tipo: 3, Número: 1, Campo: 5, Línea: 12\r\n"
                             "ESTRUCTURA: Falta el campo de pedimento\r\n\r\n"
                             "Pedimento: 3001234    Error   Reg: 501, Tipo: 3, Número: 1, Campo: 5, Línea: 12\r\n"
                             "ESTRUCTURA: Falta el campo de pedimento\r\n\r\n"
                             "Pedimento: 3001234    Error   Reg: 999, Tipo: 1, Número: 7, Campo: 1, Línea: 7\r\n"
                             "SINTAXIS: Rfc inválido\r\n\r\n"
                             "Pedimento: 3001234    Error   Reg: 502, Tipo: 1, Número: 7, Campo: 1, Línea: 7\r\n"
                             "SINTAXIS: Rfc inválido\r\n\r\n"
                             "Pedimento: 3001234    Firma: ABCD1234\r\n\r\n"
                             "E 001234 texto libre\r\n"
                             "RESUMEN: 5 errores\r\n"
                             "Pedimento: 3001234    Error   Reg: 502, Tipo: 4, Número: 2, Campo: 9, Línea: 33\r\n"
                             "CATALOGO: Clave de país no existe\r\n\r\n"
                             "Pedimento: 3001234    Error   Reg: 502, Tipo: 4, Número: 3, Campo: 9, Línea: 33\r\n"
                             "Pedimento: 3001234    Error   Reg: 100, Tipo: 5, Número: 3, Campo: 1, Línea: 44\r\n"
                             "\r\n"
                             "Pedimento: 3    Error   Reg: , Tipo: 5, Número: 3, Campo: 1, Línea: 44\r\n");
        QTest::newRow("M") << "M3001234.err"
                           << "M3001234.err"
                           << "val_rec" << m;
        QTest::newRow("M en minúsculas") << "M3001234.err"
                                         << "m3001234.err"
                                         << "val_rec" << m;
        QTest::newRow("M sin línea de error previa")
            << "M_sin_previo.err"
            << "M3001235.err"
            << "val_rec"
            << "Pedimento: 3001234    Error   Reg: 501, Tipo: 0, Número: 0, Campo: 0, Línea: 0\r\n";

        QTest::newRow("T") << "T3001234.err"
                           << "T3001234.err"
                           << "tra_rec"
                           << "Pedimento: 3001234    Firma: ABCD1234\r\n\r\n"
                              "Pedimento: 3001234    Error   Reg: 1, Tipo Reg: 501, Cve. Error: 2\r\n"
                              "Descripción: 123\r\n\r\n";

        QTest::newRow("C")
            << "C3001234.err"
            << "C3001234.err"
            << "val_rec"
            << "Patente: 3001   CURP: CURP123   Folio: FOLIO9   Firma: ABCD1234\r\n\r\n"
               "Patente: 3001   CURP: CURP   Folio: FOLIO   Firma: ABCD\r\n\r\n"
               "Registro: 12   Folio: F1   Pos. Reg. Act: 0003   Pos. Reg. Arch: 0010   T. Error: 2   Campo: 5   "
               "Clave: 120\r\n"
               "Error Sintáctico-Catalógico: El campo no existe en el catálogo\r\n\r\n"
               "Registro: 0   Folio: F2   Pos. Reg. Act: 1   Pos. Reg. Arch: 2   T. Error: 1   Campo: 3   Clave: 0\r\n"
               "Registro: 7   Folio: F3   Pos. Reg. Act: 1   Pos. Reg. Arch: 2   T. Error: 3   Campo: 4   Clave: "
               "121\r\n"
               "Clase desconocida\r\n\r\n"
               "Registro: 8   Folio: F4   Pos. Reg. Act: 1   Pos. Reg. Arch: 2   T. Error: 3   Campo: 4   Clave: "
               "122\r\n"
               "Error Normativo: Falta la firma\r\n\r\n"
               "Registro: 9   Folio: F5   Pos. Reg. Act: 1   Pos. Reg. Arch: 2   T. Error: 3   Campo: 4   Clave: "
               "123\r\n"
               "Error Técnico: Error del servidor\r\n\r\n";

        QTest::newRow("D")
            << "D3001234.err"
            << "D3001234.err"
            << "val_rec"
            << "Patente: 0123   Pedimento: 3001234   A.G.D.: 0001   S.D.F.: AB   Folio CC:12345   Acuse "
               "Electrónico:ACUSE001\r\n\r\n"
               "Tipo Error: R  -  Registro: 501  -  Número: 12  -  Consecutivo: 05  -  Línea: 12\r\n"
               "VALOR FUERA DE RANGO\r\n\r\n"
               "Tipo Error: S  -  Registro: 501  -  Número: 12  -  Consecutivo: 07  -  Línea: 33\r\n"
               "Aplica a cualquier campo\r\n\r\n"
               "Tipo Error: '  -  Registro: 501  -  Número: 99  -  Consecutivo: 07  -  Línea: 44\r\n\r\n";

        QTest::newRow("A")
            << "A3001234.123"
            << "A3001234.123"
            << "pag_rec"
            << "Pedimento: 3001234  -  Operación: 00000000012345 -  Fecha: 20070723  -  Hora: 16:05:09\r\n"
               "Línea de Captura: 12345678901234567890  -  Transacción SAT: SAT00000000000000001\r\n\r\n"
               "Pedimento: 3001235 - Error: 015\r\n"
               "Descripción: PAGO RECHAZADO POR EL BANCO\r\n\r\n"
               "Pedimento: 3001236 - Error: 099\r\n"
               "Pedimento: 3001237  -  Operación:  -  Fecha: 015   -  Hora: \r\n"
               "Línea de Captura:                       -  Transacción SAT: \r\n\r\n";

        QTest::newRow("R")
            << "R3001234.123"
            << "R3001234.123"
            << "pag_rec"
            << "Pedimento: 3001234    Firma: FIRMA123    Total Pag. Efvo: 1,234,567    Total Contrib: 98,765\r\n\r\n"
               "Pedimento: 3001235    Error: 07\r\n"
               "Descripción: CUENTA SIN FONDOS\r\n\r\n"
               "Pedimento: 3001236    Error: 05\r\n"
               "Descripción: FIRMA INVÁLIDA\r\n\r\n"
               "Pedimento: 3001237    Error: 99\r\n";
        QTest::newRow("R con saltos de línea solos")
            << "R3001234.lf"
            << "r3001234.124"
            << "pag_rec"
            << "Pedimento: 3001240    Error: 05\r\n"
               "Descripción: FIRMA INVÁLIDA\r\n\r\n"
               "Pedimento: 3001241    Firma: FIRMA999    Total Pag. Efvo:     Total Contrib: \r\n\r\n";

        QTest::newRow("X") << "X3001234.001"
                           << "X3001234.001"
                           << "sag_rec"
                           << "ID. Operación: 123     Resultado: \r\n\r\n"
                              "ID. Operación: 124     Resultado: ACEPTADO\r\n\r\n"
                              "Error   Tipo: 2    Código: 15    Línea: 30    Registro: REG501\r\n"
                              "Descripción: CERTIFICADO VENCIDO\r\n\r\n"
                              "Error   Tipo: 2    Código: 16    Línea: 31    Registro: REG502\r\n\r\n";

        QTest::newRow("P") << "P3001234.001"
                           << "P3001234.001"
                           << "api_rec"
                           << "Pedimento: 3001234     Firma: ABCD1234     Importe : $12,345.00\r\n"
                              "RFC: RFC010101AAA     NOMBRE: NOMBRE SA\r\n"
                              "DOMICILIO: CALLE 1   COL CENTRO\r\n"
                              "CIUDAD   : MONTERREY   NL\r\n\r\n"
                              "Pedimento: 3001234     Error  Registro: 51    Campo: 07    Número: 012\r\n"
                              "Descripción: RFC NO REGISTRADO\r\n\r\n"
                              "Pedimento: 3001235     Error  Registro: 52    Campo: 07    Número: 013\r\n\r\n"
                              "Pedimento: 3001236     Firma: FIRMA999     Importe :ABC\r\n"
                              "RFC:      NOMBRE: \r\n"
                              "DOMICILIO:    \r\n"
                              "CIUDAD   :    \r\n\r\n";

        QTest::newRow("Q")
            << "Q3001234.001"
            << "Q3001234.001"
            << "prof_rec"
            << "Consecutivo: 5     Pedimento: 3001234     Firma: FIRMA123     Folio:FOLIO1     Fecha: 20070723\r\n"
               "Consecutivo: 6     Pedimento: 3001234     Error  Registro: 501    Campo: 7    Tipo: N     Línea: 12\r\n"
               "TEXTO UNO"
               "Consecutivo: 7     Pedimento: 3001234     Error  Registro: 502    Campo: 8    Tipo: S     Línea: 13\r\n"
               "TEXTO DOS"
               "Consecutivo: 8     Pedimento: 3001235     Firma: FIRMA456     Folio:FOLIO2     Fecha: 20070724\r\n";
    }

    void formatos()
    {
        QFETCH(QString, fixture);
        QFETCH(QString, nombre);
        QFETCH(QString, columna);
        QFETCH(QString, cuerpo);

        Oficina oficina(123, kAhora);
        llenaCatalogo(oficina);
        oficina.carga();
        QVERIFY(copiaFixture(fixture, oficina.carpeta(columna), nombre));

        const Resultado r = genera(oficina, nombre);
        QVERIFY(r.completo);
        QCOMPARE(r.destino.llamadas, kConCuerpo);
        // Line by line first, so that a difference names its line.
        const QString esperado = encabezado(nombre.toUpper()) + cuerpo;
        QCOMPARE(r.destino.texto().split(QStringLiteral("\r\n")), esperado.split(QStringLiteral("\r\n")));
        QCOMPARE(r.destino.texto(), esperado);
    }

    // Which kind a name is and where its file is looked for; a missing file
    // shows the folder in its report.
    void nombres_data()
    {
        QTest::addColumn<QString>("nombre");
        QTest::addColumn<QString>("resultado"); // "vacío", "encabezado", or the folder column

        QTest::newRow("M err") << "M3001234.err"
                               << "val_rec";
        QTest::newRow("m err") << "m3001234.err"
                               << "val_rec";
        QTest::newRow("M ERR") << "M3001234.ERR"
                               << "vacío";
        QTest::newRow("M Err") << "M3001234.Err"
                               << "vacío";
        QTest::newRow("t err") << "t3001234.err"
                               << "tra_rec";
        QTest::newRow("C err") << "C3001234.err"
                               << "val_rec";
        QTest::newRow("D err") << "D3001234.err"
                               << "val_rec";
        QTest::newRow("Z err") << "Z3001234.err"
                               << "encabezado";
        QTest::newRow("A err") << "A3001234.err"
                               << "encabezado";
        QTest::newRow("K err") << "K3001234.err"
                               << "encabezado";
        QTest::newRow("solo err") << "err"
                                  << "encabezado";
        QTest::newRow("K") << "K3001234.205"
                           << "val_rec";
        QTest::newRow("k") << "k3001234.205"
                           << "val_rec";
        QTest::newRow("D erp") << "D3001234.erp"
                               << "val_rec";
        QTest::newRow("A ERP") << "A3001234.ERP"
                               << "val_rec";
        QTest::newRow("A") << "A3001234.123"
                           << "pag_rec";
        QTest::newRow("r") << "r3001234.123"
                           << "pag_rec";
        QTest::newRow("X") << "X3001234.001"
                           << "sag_rec";
        QTest::newRow("P") << "p3001234.001"
                           << "api_rec";
        QTest::newRow("Q") << "Q3001234.001"
                           << "prof_rec";
        QTest::newRow("otra letra") << "Y3001234.001"
                                    << "vacío";
        QTest::newRow("vacío") << ""
                               << "vacío";
    }

    void nombres()
    {
        QFETCH(QString, nombre);
        QFETCH(QString, resultado);

        Oficina oficina(123, kAhora);
        oficina.carga();
        const Resultado r = genera(oficina, nombre);
        if (resultado == u"vacío") {
            QVERIFY(r.completo);
            QCOMPARE(r.destino.llamadas, (QStringList {QStringLiteral("vacia"), QStringLiteral("termina")}));
            QCOMPARE(r.destino.texto(), QString());
        } else if (resultado == u"encabezado") {
            QVERIFY(r.completo);
            QCOMPARE(r.destino.llamadas,
                     (QStringList {QStringLiteral("vacia"), QStringLiteral("ponTexto"), QStringLiteral("termina")}));
            QCOMPARE(r.destino.texto(), encabezado(nombre.toUpper()));
        } else {
            QVERIFY(!r.completo);
            QCOMPARE(r.destino.texto(), encabezado(nombre.toUpper())
                                            + QStringLiteral("No se pudo leer el archivo %1: el archivo no existe.\r\n")
                                                  .arg(ruta(oficina, resultado, nombre)));
        }
    }

    void encabezadoSegunLocale_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QTime>("hora");
        QTest::addColumn<QString>("esperado");
        QTest::newRow("es_MX tarde") << QLocale(QLocale::Spanish, QLocale::Mexico) << QTime(16, 5, 9)
                                     << QStringLiteral(
                                            "Título Archivo: Z1.ERR  -  23/07/2007  04:05:09 p.\u00a0m.\r\n\r\n");
        QTest::newRow("es_MX mañana") << QLocale(QLocale::Spanish, QLocale::Mexico) << QTime(0, 0, 7)
                                      << QStringLiteral(
                                             "Título Archivo: Z1.ERR  -  23/07/2007  12:00:07 a.\u00a0m.\r\n\r\n");
        QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates) << QTime(16, 5, 9)
                               << "Título Archivo: Z1.ERR  -  7/23/2007  04:05:09 PM\r\n\r\n";
    }

    void encabezadoSegunLocale()
    {
        QFETCH(QLocale, locale);
        QFETCH(QTime, hora);
        QFETCH(QString, esperado);
        QLocale::setDefault(locale);
        Oficina oficina(123, QDateTime(QDate(2007, 7, 23), hora));
        oficina.carga();
        DestinoGrabado destino;
        QVERIFY(GeneradorReporte(oficina.programa())
                    .Genera_Reporte(QStringLiteral("Título"), QStringLiteral("z1.err"), destino));
        QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Mexico));
        QCOMPARE(destino.texto(), esperado);
    }

    // K responses and ERP names come from the folder of configuration field 6
    // as it stands, shown with every character as it is.
    void sinCambios()
    {
        Oficina oficina(123, kAhora);
        Programa &programa = oficina.carga();
        const QString otra = QDir(oficina.raiz()).filePath(QStringLiteral("otra"));
        QVERIFY(QDir().mkpath(otra));
        programa.campos().ponTexto(CamposConfiguracion::val_rec, QDir::toNativeSeparators(otra));
        QVERIFY(copiaFixture(QStringLiteral("K3001234.205"), otra, QStringLiteral("K3001234.205")));
        QVERIFY(copiaFixture(QStringLiteral("K3001234.205"), otra, QStringLiteral("D3001234.erp")));

        const QString contenido = QStringLiteral("Prevalidación <b>correcta</b>\r\nlinea con LF\nsola\r\n") + QChar(0)
                                  + QStringLiteral("NUL€ fin");
        for (const QString &nombre : {QStringLiteral("K3001234.205"), QStringLiteral("D3001234.erp")}) {
            const Resultado r = genera(oficina, nombre);
            QVERIFY(r.completo);
            QCOMPARE(r.destino.llamadas,
                     (QStringList {QStringLiteral("vacia"), QStringLiteral("ponTexto"),
                                   QStringLiteral("muestraSinCambios"), QStringLiteral("termina")}));
            QCOMPARE(r.destino.texto(), contenido);
            // Written out as it goes, the header that gives way is never written.
            QString salida;
            QTextStream flujo(&salida);
            DestinoFlujo aFlujo(flujo);
            QVERIFY(GeneradorReporte(oficina.programa())
                        .Genera_Reporte(GeneradorReporte::tituloRevision(), nombre, aFlujo));
            QCOMPARE(salida, contenido);
        }
    }

    // The folders are read from the configuration record each time a report
    // is built.
    void carpetaLeidaAlGenerar()
    {
        Oficina oficina(123, kAhora);
        llenaCatalogo(oficina);
        oficina.carga();
        const QString nueva = QDir(oficina.raiz()).filePath(QStringLiteral("nueva"));
        QVERIFY(QDir().mkpath(nueva));
        oficina.sql(QStringLiteral("UPDATE PARAMETROS SET sag_rec = ?"), {QDir::toNativeSeparators(nueva)});
        QVERIFY(escribe(nueva, QStringLiteral("X1.001"), "R|A|9|B|C|LISTO\r\n"));
        const Resultado r = genera(oficina, QStringLiteral("X1.001"));
        QVERIFY(r.completo);
        QCOMPARE(r.destino.texto(), encabezado(QStringLiteral("X1.001"))
                                        + QStringLiteral("ID. Operación: 9     Resultado: LISTO\r\n\r\n"));

        oficina.sql(QStringLiteral("UPDATE PARAMETROS SET sag_rec = ''"));
        const Resultado sinCarpeta = genera(oficina, QStringLiteral("X1.001"));
        QVERIFY(!sinCarpeta.completo);
        QCOMPARE(
            sinCarpeta.destino.texto(),
            encabezado(QStringLiteral("X1.001"))
                + QStringLiteral(
                    "No se pudo leer el archivo X1.001: la carpeta de recepción (sag_rec) no está configurada.\r\n"));
    }

    // A line that cannot be read ends the report: the header, then which file,
    // which line and why.
    void fallos_data()
    {
        QTest::addColumn<QString>("nombre");
        QTest::addColumn<QString>("columna");
        QTest::addColumn<QByteArray>("contenido");
        QTest::addColumn<QString>("motivo"); // after "No se pudo leer el archivo RUTA"

        QTest::newRow("T registro no numérico")
            << "T1.err"
            << "tra_rec" << QByteArray("3001234001501070200123\r\n3001234X01501070200123\r\n")
            << " en la línea 2: el campo Registro (posiciones 8 a 10) «X01» no es un número.";
        QTest::newRow("M línea fuera de 16 bits")
            << "M1.err"
            << "val_rec" << QByteArray("F3001234ABCD1234\r\nE30012345019999930501\r\n")
            << " en la línea 2: el campo Línea (posiciones 12 a 16) «99999» no cabe en un número de 16 bits (de -32768 "
               "a 32767).";
        QTest::newRow("M registro no numérico en tipo 3")
            << "M1.err"
            << "val_rec" << QByteArray("E3001234X01001230501")
            << " en la línea 1: el campo Reg (posiciones 9 a 11) «X01» no es un número.";
        QTest::newRow("D consecutivo vacío") << "D1.err"
                                             << "val_rec" << QByteArray("E30012345010012R12")
                                             << " en la línea 1: el campo Consecutivo (posiciones 19 a 20) está vacío.";
        QTest::newRow("X sin el campo del código")
            << "X1.001"
            << "sag_rec" << QByteArray("R|A|1|\r\nE|2|") << " en la línea 2: la línea no trae el campo 3 (Código).";
        QTest::newRow("C tipo de error vacío")
            << "C1.err"
            << "val_rec" << QByteArray("1|F|1|2||3|4|\r\n") << " en la línea 1: el campo 5 (T. Error) está vacío.";
        QTest::newRow("Q con NUL en un número") << "Q1.001"
                                                << "prof_rec" << QByteArrayLiteral("E|3001234|0\0006|501|07|N|T|1|\r\n")
                                                << " en la línea 1: el campo 3 (Consecutivo) «0?6» no es un número.";
        QTest::newRow("A código no numérico")
            << "A1.001"
            << "pag_rec" << QByteArray(75, ' ') + "0X5\r\n"
            << " en la línea 1: el campo Error (posiciones 76 a 78) «0X5» no es un número.";
        QTest::newRow("R registro vacío entre saltos")
            << "R1.001"
            << "pag_rec" << QByteArray("300124005\n\n300124205\n")
            << " en la línea 1: el campo Error (posiciones 8 a 9) está vacío.";
        QTest::newRow("archivo inexistente") << "P1.001"
                                             << "api_rec" << QByteArray() << ": el archivo no existe.";
    }

    void fallos()
    {
        QFETCH(QString, nombre);
        QFETCH(QString, columna);
        QFETCH(QByteArray, contenido);
        QFETCH(QString, motivo);

        Oficina oficina(123, kAhora);
        llenaCatalogo(oficina);
        oficina.carga();
        if (!contenido.isNull())
            QVERIFY(escribe(oficina.carpeta(columna), nombre, contenido));
        const Resultado r = genera(oficina, nombre);
        QVERIFY(!r.completo);
        // The pieces of the lines read before the failure may come first.
        QStringList llamadas = r.destino.llamadas;
        llamadas.removeAll(QStringLiteral("agregaTexto"));
        QCOMPARE(llamadas, kConFallo);
        QCOMPARE(r.destino.texto(), encabezado(nombre.toUpper()) + QStringLiteral("No se pudo leer el archivo ")
                                        + ruta(oficina, columna, nombre) + motivo + QStringLiteral("\r\n"));
    }

    void fallosDelEntorno()
    {
        Oficina oficina(123, kAhora);
        oficina.carga();
        const QString pago = oficina.carpeta(QStringLiteral("pag_rec"));

        // A folder where the file should be.
        QVERIFY(QDir(pago).mkdir(QStringLiteral("A2.001")));
        Resultado r = genera(oficina, QStringLiteral("A2.001"));
        QVERIFY(!r.completo);
        QVERIFY(
            r.destino.texto().endsWith(QStringLiteral("%1: no es un archivo.\r\n")
                                           .arg(ruta(oficina, QStringLiteral("pag_rec"), QStringLiteral("A2.001")))));

        // A catalogue table that is missing.
        oficina.sql(QStringLiteral("DROP TABLE ERRORESB"));
        QVERIFY(escribe(pago, QStringLiteral("R1.001"), "300123605\r\n"));
        r = genera(oficina, QStringLiteral("R1.001"));
        QVERIFY(!r.completo);
        const QString esperado
            = encabezado(QStringLiteral("R1.001")) + QStringLiteral("No se pudo leer el archivo ")
              + ruta(oficina, QStringLiteral("pag_rec"), QStringLiteral("R1.001"))
              + QStringLiteral(" en la línea 1: no se pudo consultar la tabla ERRORESB del catálogo de errores (");
        QVERIFY2(r.destino.texto().startsWith(esperado), qPrintable(r.destino.texto()));
        QVERIFY(r.destino.texto().endsWith(QStringLiteral(").\r\n")));
    }

    // Whatever bytes the file holds, the report is built.
    void bytesCualesquiera()
    {
        Oficina oficina(123, kAhora);
        llenaCatalogo(oficina);
        oficina.carga();
        const QString saai = oficina.carpeta(QStringLiteral("val_rec"));

        // NUL bytes and a lone CR at the end.
        QVERIFY(escribe(saai, QStringLiteral("M1.err"), QByteArrayLiteral("E\0003001234\r\r\n\r")));
        Resultado r = genera(oficina, QStringLiteral("M1.err"));
        QVERIFY(r.completo);
        QCOMPARE(r.destino.texto(), encabezado(QStringLiteral("M1.ERR")) + QStringLiteral("E") + QChar(0)
                                        + QStringLiteral("3001234\r\n\r\n\r\n"));

        // One line of 3 MB and no line end: copied whole.
        const QByteArray larga(3 * 1024 * 1024 + 7, 'x');
        QVERIFY(escribe(saai, QStringLiteral("M2.err"), larga));
        r = genera(oficina, QStringLiteral("M2.err"));
        QVERIFY(r.completo);
        QCOMPARE(r.destino.texto(),
                 encabezado(QStringLiteral("M2.ERR")) + QString::fromLatin1(larga) + QStringLiteral("\r\n"));

        // An R file of 20,000 records ended by lone line feeds: one line.
        QByteArray registros;
        for (int i = 0; i < 20000; ++i)
            registros += "300123605\n";
        QVERIFY(escribe(oficina.carpeta(QStringLiteral("pag_rec")), QStringLiteral("R2.001"), registros + "3001"));
        r = genera(oficina, QStringLiteral("R2.001"));
        QVERIFY(r.completo);
        const QString uno = QStringLiteral("Pedimento: 3001236    Error: 05\r\nDescripción: FIRMA INVÁLIDA\r\n\r\n");
        QCOMPARE(r.destino.texto(), encabezado(QStringLiteral("R2.001")) + uno.repeated(20000));
    }

    // A long body reaches the target in pieces of whole lines as the file is
    // read. A failure after some pieces: the text target keeps the header and
    // the failure only, as a short report does; the stream, which already
    // wrote the pieces, ends with the failure after them.
    void cuerpoEnPiezas()
    {
        Oficina oficina(123, kAhora);
        llenaCatalogo(oficina);
        oficina.carga();
        const QString saai = oficina.carpeta(QStringLiteral("val_rec"));
        constexpr int kLineas = 20000;
        QByteArray buenas;
        QString cuerpo;
        for (int i = 0; i < kLineas; ++i) {
            buenas += QStringLiteral("F%1ABCD1234\r\n").arg(3000000 + i).toLatin1();
            cuerpo += QStringLiteral("Pedimento: %1    Firma: ABCD1234\r\n\r\n").arg(3000000 + i);
        }
        const QString encabezadoM = encabezado(QStringLiteral("M1.ERR"));

        struct Caso {
            QByteArray contenido;
            bool completo;
        };
        for (const Caso &caso : {Caso {buenas, true}, Caso {buenas + "E30012345019999930501\r\n", false}}) {
            QVERIFY(escribe(saai, QStringLiteral("M1.err"), caso.contenido));
            const Resultado r = genera(oficina, QStringLiteral("M1.err"));
            QCOMPARE(r.completo, caso.completo);
            QVERIFY(r.destino.piezas.size() > 5);
            for (const QString &pieza : r.destino.piezas)
                QVERIFY(pieza.isEmpty() || pieza.endsWith(QStringLiteral("\r\n")));
            QCOMPARE(r.destino.llamadas.last(), QStringLiteral("termina"));

            QString salida;
            QTextStream flujo(&salida);
            DestinoFlujo aFlujo(flujo);
            QCOMPARE(GeneradorReporte(oficina.programa())
                         .Genera_Reporte(GeneradorReporte::tituloRevision(), QStringLiteral("M1.err"), aFlujo),
                     caso.completo);
            if (caso.completo) {
                QCOMPARE(r.destino.texto(), encabezadoM + cuerpo);
                QCOMPARE(salida, encabezadoM + cuerpo);
            } else {
                const QString fallo = QStringLiteral("No se pudo leer el archivo %1 en la línea %2: el campo Línea "
                                                     "(posiciones 12 a 16) «99999» no cabe en un número de 16 bits "
                                                     "(de -32768 a 32767).\r\n")
                                          .arg(ruta(oficina, QStringLiteral("val_rec"), QStringLiteral("M1.err")))
                                          .arg(kLineas + 1);
                QCOMPARE(r.destino.llamadas.at(r.destino.llamadas.size() - 2), QStringLiteral("falla"));
                QCOMPARE(r.destino.texto(), encabezadoM + fallo);
                QCOMPARE(salida, encabezadoM + cuerpo + fallo);
            }
        }
    }
};

QTEST_GUILESS_MAIN(PruebaGeneradorReporte)
#include "PruebaGeneradorReporte.moc"
#include "core/oficina/CamposConfiguracion.h"
