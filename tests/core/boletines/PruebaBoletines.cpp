// The bulletin refresh against a real FTP server: the bulletin line from the
// first line of InfoYEX.txt and the INFORMACION texts, the switch of the
// ticker, and the failures with and without Boton.
#include "core/boletines/Boletines.h"
#include "core/oficina/Programa.h"
#include "core/servidor/ReporteConexion.h"
#include "tests/soporte/Oficina.h"
#include "tests/soporte/ServidorFtp.h"

#include <QCoro/QCoroTask>
#include <QFile>
#include <QTest>

namespace {

const QString kArchivo = QStringLiteral("/update/InfoYEX.txt");
const QString kAnterior = QStringLiteral("boletín anterior");

struct EscenaBoletin {
    EscenaBoletin()
    {
        servidor.apunta(oficina);
        oficina.sql(QStringLiteral("INSERT INTO INFORMACION (CODIGO, TEXTO) VALUES (5, 'Nuevo catálogo'), "
                                   "(7, 'Mantenimiento el sábado')"));
        Programa &p = oficina.carga();
        boletines = std::make_unique<Boletines>(p);
        boletines->estado().pon(kAnterior, true);
    }
    void actualiza(bool boton) { QCoro::waitFor(boletines->Actualiza_Boletin(boton)); }
    bool copiaLocal() { return QFile::exists(oficina.programa().carpetas().enTrabajo(Boletines::nombreArchivo())); }

    Oficina oficina;
    ServidorFtp servidor;
    std::unique_ptr<Boletines> boletines;
};

} // namespace

class PruebaBoletines : public QObject
{
    Q_OBJECT
private slots:
    void lineaDelBoletin_data();
    void lineaDelBoletin();
    void sinArchivoApaga();
    void codigoNoNumerico();
    void fallasDeConexion_data();
    void fallasDeConexion();
};

void PruebaBoletines::lineaDelBoletin_data()
{
    QTest::addColumn<QByteArray>("contenido");
    QTest::addColumn<QString>("texto");
    QTest::addColumn<bool>("encendido");

    QTest::newRow("con códigos")
        << QByteArray("08/12/2006|10:30|5|7|\r\n09/12/2006|11:00|5|\r\n")
        << "Información del 08/12/2006 a las 10:30 Horas - Nuevo catálogo - Mantenimiento el sábado" << true;
    QTest::newRow("código sin fila") << QByteArray("08/12/2006|10:30| 6|7|texto tras la última barra")
                                     << "Información del 08/12/2006 a las 10:30 Horas -  - Mantenimiento el sábado"
                                     << true;
    QTest::newRow("sin códigos") << QByteArray("08/12/2006|10:30|\r\n") << "" << false;
    QTest::newRow("código sin cerrar") << QByteArray("08/12/2006|10:30|5") << "" << false;
    QTest::newRow("vacío") << QByteArray() << "" << false;
}

void PruebaBoletines::lineaDelBoletin()
{
    QFETCH(QByteArray, contenido);
    QFETCH(QString, texto);
    QFETCH(bool, encendido);

    EscenaBoletin e;
    e.servidor.escribe(kArchivo, contenido);
    e.actualiza(false);

    QCOMPARE(e.boletines->estado().texto(), texto);
    QCOMPARE(e.boletines->estado().encendido(), encendido);
    QCOMPARE(e.oficina.dialogos.textos(), QStringList());
    QVERIFY(!e.copiaLocal());
    QCOMPARE(e.servidor.usuarios(), QStringList {QStringLiteral("actualizador")});
    QVERIFY(!e.oficina.programa().eftpPrincipal.conectado());
}

void PruebaBoletines::sinArchivoApaga()
{
    // No bulletin file on the server (1003): the ticker goes off, silently,
    // also when the person asked for the refresh.
    EscenaBoletin e;
    e.actualiza(true);
    QCOMPARE(e.boletines->estado().texto(), QString());
    QVERIFY(!e.boletines->estado().encendido());
    QCOMPARE(e.oficina.dialogos.textos(), QStringList());
    QVERIFY(!e.copiaLocal());
}

void PruebaBoletines::codigoNoNumerico()
{
    EscenaBoletin e;
    e.servidor.escribe(kArchivo, "08/12/2006|10:30|cinco|");
    e.actualiza(false);
    // Reported whatever Boton is; the ticker keeps what it showed; the
    // interrupted copy does not stay behind.
    QCOMPARE(e.oficina.dialogos.textos().size(), 1);
    QVERIFY(e.oficina.dialogos.textos().at(0).startsWith(QStringLiteral("Error No. 13\r\nDescripcion: ")));
    QCOMPARE(e.oficina.dialogos.mensajes.at(0).icono, Dialogos::Icono::Critico);
    QCOMPARE(e.boletines->estado().texto(), kAnterior);
    QVERIFY(e.boletines->estado().encendido());
    QVERIFY(!e.copiaLocal());
}

void PruebaBoletines::fallasDeConexion_data()
{
    QTest::addColumn<QString>("falla");
    QTest::addColumn<bool>("boton");
    QTest::addColumn<QString>("mensaje"); // "sinConexion": the shared no-connection text

    QTest::newRow("login, con botón") << "login" << true << "El Usuario o Contraseña no aceptado";
    QTest::newRow("login, sin botón") << "login" << false << "";
    QTest::newRow("caído, con botón") << "caido" << true << "sinConexion";
    QTest::newRow("caído, sin botón") << "caido" << false << "";
}

void PruebaBoletines::fallasDeConexion()
{
    QFETCH(QString, falla);
    QFETCH(bool, boton);
    QFETCH(QString, mensaje);

    EscenaBoletin e;
    e.servidor.escribe(kArchivo, "08/12/2006|10:30|5|");
    if (falla == u"login")
        e.servidor.rechazaLogin();
    else
        e.oficina.programa().valores().Servidor = QStringLiteral("127.0.0.1:1");
    e.actualiza(boton);

    if (mensaje == u"sinConexion")
        mensaje = ReporteConexion::textoSinConexion(e.oficina.programa().parametros());
    QCOMPARE(e.oficina.dialogos.textos(), mensaje.isEmpty() ? QStringList() : QStringList {mensaje});
    if (!mensaje.isEmpty()) {
        QCOMPARE(e.oficina.dialogos.mensajes.at(0).icono, Dialogos::Icono::Critico);
        QCOMPARE(e.oficina.dialogos.mensajes.at(0).titulo, Dialogos::nombreProducto());
    }
    QCOMPARE(e.boletines->estado().texto(), kAnterior);
    QVERIFY(!e.oficina.programa().eftpPrincipal.conectado());
}

QTEST_GUILESS_MAIN(PruebaBoletines)
#include "PruebaBoletines.moc"
