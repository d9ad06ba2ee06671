// The change of the payment password: the comparisons, the publication of
// the payment-password file on the server, and the rollback when it cannot
// be published; the password recovery request.
#include "tests/soporte/Escena.h"

#include "core/configuracion/SolicitaPassword.h"
#include "core/base/Ansi.h"
#include "core/base/Funciones.h"
#include "core/envio/CambioPassword.h"
#include "core/servidor/ReporteConexion.h"

#include <QFileInfo>

namespace {

const QString kArchivoPago = QStringLiteral("/update/cfps0123.rgs");

} // namespace

class PruebaCambioPassword : public QObject
{
    Q_OBJECT
private slots:
    void comparaciones_data();
    void comparaciones();
    void publicaElCambio_data();
    void publicaElCambio();
    void deshaceSiNoSePublica_data();
    void deshaceSiNoSePublica();
    void solicitudDeContrasena();
    void solicitudFallida();
};

void PruebaCambioPassword::comparaciones_data()
{
    QTest::addColumn<QString>("actual");
    QTest::addColumn<QString>("nueva");
    QTest::addColumn<QString>("confirmacion");
    QTest::addColumn<QString>("mensaje");

    QTest::newRow("actual distinta") << "pago123"
                                     << "Nueva1"
                                     << "Nueva1"
                                     << "No coincide la contraseña actual";
    QTest::newRow("confirmación distinta") << "Pago123"
                                           << "Nueva1"
                                           << "nueva1"
                                           << "La contraseña nueva no coincide con la confirmación";
}

void PruebaCambioPassword::comparaciones()
{
    QFETCH(QString, actual);
    QFETCH(QString, nueva);
    QFETCH(QString, confirmacion);
    QFETCH(QString, mensaje);

    Escena e;
    Programa &p = e.carga();
    CambioPassword cambio(p);
    QVERIFY(!QCoro::waitFor(cambio.Acepta(actual, nueva, confirmacion)));
    QCOMPARE(e.persona().textos(), QStringList {mensaje});
    QCOMPARE(e.persona().mensajes.at(0).icono, Dialogos::Icono::Critico);
    QCOMPARE(p.valores().ClavePago, QStringLiteral("Pago123"));
    QCOMPARE(e.servidor.usuarios(), QStringList());
}

void PruebaCambioPassword::publicaElCambio_data()
{
    QTest::addColumn<QString>("nueva");
    QTest::addColumn<bool>("despuesDeEnviar"); // a send read the flag "S" from the server first

    QTest::newRow("antes de enviar") << "Nueva1" << false;
    QTest::newRow("vacía") << "" << false;
    QTest::newRow("tras un envío con S") << "Nueva1" << true;
}

void PruebaCambioPassword::publicaElCambio()
{
    QFETCH(QString, nueva);
    QFETCH(bool, despuesDeEnviar);

    Escena e;
    Programa &p = e.carga();
    if (despuesDeEnviar) {
        e.servidor.escribe(kArchivoPago,
                           "S" + Ansi::codifica(Funciones::Codifica_Cadena(QStringLiteral("Pago123"))) + "\r\n");
        e.enLista(QStringLiteral("M0123001.044"), QStringLiteral("2"), QString(), QString());
        e.persona().claves.enqueue(QStringLiteral("Pago123"));
        e.ejecuta(QStringLiteral("enviar"));
    }
    CambioPassword cambio(p);
    QVERIFY(QCoro::waitFor(cambio.Acepta(QStringLiteral("Pago123"), nueva, nueva)));

    QCOMPARE(e.persona().textos(), QStringList());
    const QString bandera = despuesDeEnviar ? QStringLiteral("S") : QStringLiteral("N");
    QCOMPARE(e.servidor.lee(kArchivoPago), Ansi::codifica(bandera + Funciones::Codifica_Cadena(nueva)) + "\r\n");
    QCOMPARE(p.valores().ClavePago, nueva);
    QCOMPARE(p.parametros().texto(QStringLiteral("PassBan")), Funciones::Codifica_Cadena(nueva));
    QVERIFY(!QFile::exists(p.carpetas().enTrabajo(QStringLiteral("cfps0123.rgs"))));
    QVERIFY(!p.eftpPrincipal.conectado());
    QCOMPARE(e.servidor.usuarios().last(), QStringLiteral("ag0123"));

    // The next send takes the password from the server's file: the new one.
    e.persona().claves.enqueue(nueva);
    e.enLista(QStringLiteral("E0123001.044"), QStringLiteral("5"), QString(), QString());
    e.ejecuta(QStringLiteral("enviar"));
    QCOMPARE(p.valores().ClavePago, nueva);
    QCOMPARE(e.persona().textos(), QStringList());
}

void PruebaCambioPassword::deshaceSiNoSePublica_data()
{
    QTest::addColumn<QString>("falla");
    QTest::addColumn<QString>("mensaje");
    QTest::newRow("login rechazado") << "login"
                                     << "Usuario o Contraseña no aceptado";
    QTest::newRow("envío rechazado") << "envio"
                                     << "Error No. ";
}

void PruebaCambioPassword::deshaceSiNoSePublica()
{
    QFETCH(QString, falla);
    QFETCH(QString, mensaje);

    Escena e;
    Programa &p = e.carga();
    const QString passBan = p.parametros().texto(QStringLiteral("PassBan"));
    if (falla == u"login")
        e.servidor.rechazaLogin();
    else
        e.servidor.rechazaEnvios(550);
    CambioPassword cambio(p);

    QVERIFY(
        !QCoro::waitFor(cambio.Acepta(QStringLiteral("Pago123"), QStringLiteral("Nueva1"), QStringLiteral("Nueva1"))));

    QCOMPARE(e.persona().textos().size(), 1);
    QVERIFY(e.persona().textos().at(0).startsWith(mensaje));
    QCOMPARE(e.persona().mensajes.at(0).icono, Dialogos::Icono::Critico);
    QCOMPARE(p.valores().ClavePago, QStringLiteral("Pago123"));
    QCOMPARE(p.parametros().texto(QStringLiteral("PassBan")), passBan);
    RsParametros guardado(p.conexion());
    QCOMPARE(guardado.texto(QStringLiteral("PassBan")), passBan);
    QVERIFY(!e.servidor.existe(kArchivoPago));
    QVERIFY(!QFile::exists(p.carpetas().enTrabajo(QStringLiteral("cfps0123.rgs"))));
    QVERIFY(!p.eftpPrincipal.conectado());
}

void PruebaCambioPassword::solicitudDeContrasena()
{
    Escena e;
    Programa &p = e.carga();
    const QString local = p.carpetas().enTrabajo(QStringLiteral("PASS0123.TXT"));
    QFile::Permissions modo;
    e.persona().alMostrar = [&](const DialogosGuion::Mensaje &) {
        modo = QFileInfo(local).permissions();
    };
    SolicitaPassword solicitud(p);
    for (int vez = 0; vez < 2; ++vez)
        QCoro::waitFor(solicitud.Solicita_Password());

    QCOMPARE(e.persona().textos(), QStringList(2, QStringLiteral("Envio satisfactorio")));
    QCOMPARE(e.persona().mensajes.at(0).icono, Dialogos::Icono::Informacion);
    QCOMPARE(e.persona().mensajes.at(0).titulo, Dialogos::nombreProducto());
    QCOMPARE(e.servidor.lee(QStringLiteral("/update/PASS0123.TXT")),
             QByteArray("Password de la patente 0123:  Pago123\r\n"));
    QCOMPARE(e.servidor.usuarios(), QStringList(2, QStringLiteral("actualizador")));
    // Written for its owner only, and gone after the upload.
    QVERIFY(modo.testFlag(QFileDevice::ReadOwner));
    QCOMPARE(
        modo & (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteGroup | QFileDevice::WriteOther),
        QFile::Permissions());
    QVERIFY(!QFile::exists(local));
    QVERIFY(!p.eftpPrincipal.conectado());
    QCOMPARE(SolicitaPassword::linea(7, QStringLiteral("x")), QStringLiteral("Password de la patente 0007:  x"));
    QCOMPARE(SolicitaPassword::nombreArchivo(7), QStringLiteral("PASS0007.TXT"));
}

void PruebaCambioPassword::solicitudFallida()
{
    Escena e;
    Programa &p = e.carga();
    e.servidor.rechazaLogin();
    SolicitaPassword solicitud(p);
    QCoro::waitFor(solicitud.Solicita_Password());

    QCOMPARE(e.persona().textos(), QStringList {QStringLiteral("El Usuario o Contraseña no aceptado")});
    QCOMPARE(e.persona().mensajes.at(0).icono, Dialogos::Icono::Critico);
    // The password in clear does not stay on disk after a failed attempt.
    QVERIFY(!QFile::exists(p.carpetas().enTrabajo(QStringLiteral("PASS0123.TXT"))));
    QVERIFY(!e.servidor.existe(QStringLiteral("/update/PASS0123.TXT")));
}

QTEST_GUILESS_MAIN(PruebaCambioPassword)
#include "PruebaCambioPassword.moc"
