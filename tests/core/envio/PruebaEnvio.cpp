// The send command end to end against a real FTP server: each file type into
// its server folder with its reception entry, the day filter, the payment
// password, the failures of the session and of the files, and what the lists
// keep when a send stops half-way.
#include "tests/soporte/Escena.h"

#include "core/base/Ansi.h"
#include "core/base/Funciones.h"
#include "core/base/Vb.h"
#include "core/oficina/ListaRecepcion.h"
#include "core/envio/EnvioArchivos.h"
#include "core/servidor/ReporteConexion.h"

#include <QSignalSpy>

#include <algorithm>
#include <QTimer>

using Respuesta = Dialogos::Respuesta;
Q_DECLARE_METATYPE(Dialogos::Respuesta)

namespace {

const QString M = QStringLiteral("M0123001.045");
const QString AG = QStringLiteral("/ag0123");

QByteArray archivoPago(const char *bandera, const QString &clave)
{
    return QByteArray(bandera) + Ansi::codifica(Funciones::Codifica_Cadena(clave)) + "\r\n";
}

} // namespace

class PruebaEnvio : public QObject
{
    Q_OBJECT
private slots:
    void cadaTipoASuCarpeta_data();
    void cadaTipoASuCarpeta();
    void soloArchivosDelDiaEnEspera();
    void claveDePago_data();
    void claveDePago();
    void loginRechazado();
    void servidorCaido();
    void preguntasDeArchivo_data();
    void preguntasDeArchivo();
    void archivoFaltanteSePasaPorAlto();
    void envioRechazadoQuedaEnLista();
    void conexionCortadaDuranteElEnvio();
    void nombreEscritoEnMayusculas();
    void iconoVacioLlegaSinIcono();
    void entradaQuitadaDuranteLaSubida();
    void avanceDeUnArchivoGrande();
    void reinicioRestauraAmbasListas();
    void recibirSinEnviar();
};

void PruebaEnvio::cadaTipoASuCarpeta_data()
{
    QTest::addColumn<QString>("nombre");
    QTest::addColumn<QString>("carpetaLocal");
    QTest::addColumn<QString>("icono");
    QTest::addColumn<QString>("rutaPre");
    QTest::addColumn<QString>("rutaVal");
    QTest::addColumn<QString>("carpetaServidor");
    QTest::addColumn<QString>("archivoPrev");
    QTest::addColumn<QString>("archivoVal");
    QTest::addColumn<QString>("recepcion");

    const QString yexout = QStringLiteral("/yexout");
    QTest::newRow("M") << M << "val_env"
                       << "2" << AG << AG << AG << "k0123001.045"
                       << "M0123001.err"
                       << "val_rec";
    QTest::newRow("C") << "C0123001.045"
                       << "val_env"
                       << "2" << AG << AG << AG << ""
                       << "C0123001.err"
                       << "val_rec";
    QTest::newRow("D") << "D0123001.045"
                       << "val_env"
                       << "2" << AG << AG << AG << "D0123001.erp"
                       << "D0123001.err"
                       << "val_rec";
    QTest::newRow("E") << "E0123001.045"
                       << "pag_env"
                       << "5" << yexout << yexout << "/yexin"
                       << "ke012301.045"
                       << "a0123001.045"
                       << "pag_rec";
    QTest::newRow("S") << "S0123001.045"
                       << "sag_env"
                       << "8"
                       << ""
                       << "/sagarpaout"
                       << "/sagarpain"
                       << ""
                       << "x0123001.045"
                       << "sag_rec";
    QTest::newRow("minúscula") << "m0123002.045"
                               << "val_env"
                               << "2" << AG << AG << AG << "k0123002.045"
                               << "m0123002.err"
                               << "val_rec";
}

void PruebaEnvio::cadaTipoASuCarpeta()
{
    QFETCH(QString, nombre);
    QFETCH(QString, carpetaLocal);
    QFETCH(QString, icono);
    QFETCH(QString, rutaPre);
    QFETCH(QString, rutaVal);
    QFETCH(QString, carpetaServidor);
    QFETCH(QString, archivoPrev);
    QFETCH(QString, archivoVal);
    QFETCH(QString, recepcion);

    Escena e;
    const QByteArray contenido = "40012 PAGO " + nombre.toLatin1() + "\r\n";
    e.archivo(carpetaLocal, nombre, contenido);
    Programa &p = e.carga();
    e.enLista(nombre, icono, rutaPre, rutaVal);
    if (nombre.startsWith(u'E')) // asked only for a payment file
        e.persona().claves.enqueue(QStringLiteral("Pago123"));
    QSignalSpy enviados(&e.comandos->envio(), &EnvioArchivos::archivoEnviado);

    e.ejecuta(QStringLiteral("enviar"));

    QCOMPARE(e.persona().textos(), QStringList());
    QCOMPARE(e.servidor.lee(carpetaServidor + u'/' + nombre), contenido);
    QCOMPARE(e.nombresEnvio(), QStringList());
    QCOMPARE(p.listaRecepcion().cuenta(), 1);
    const ListaRecepcion::Entrada r = p.listaRecepcion().entrada(0);
    QCOMPARE(r.nombre, nombre);
    QCOMPARE(r.prev, archivoPrev.isEmpty() ? QStringLiteral("X") : QString());
    QCOMPARE(r.val, QString());
    if (!e.oficina.enServidor()) {
        QCOMPARE(r.hora, Vb::horaAmPm(QTime(10, 30), false));
    } else { // the office's clock, the server's: taken before the upload
        const QTime ahora = e.programa().ahoraOficina().time();
        QVERIFY2(r.hora == Vb::horaAmPm(ahora, false) || r.hora == Vb::horaAmPm(ahora.addSecs(-60), false),
                 qPrintable(r.hora));
    }
    QCOMPARE(r.rutaPrev, archivoPrev.isEmpty() ? QString() : rutaPre);
    QCOMPARE(r.rutaVal, rutaVal);
    QCOMPARE(r.archivoPrev, archivoPrev);
    QCOMPARE(r.archivoVal, archivoVal);
    QCOMPARE(QDir::cleanPath(r.rutaDest), QDir::cleanPath(e.oficina.carpeta(recepcion)));
    QCOMPARE(r.icono, icono);
    QCOMPARE(enviados.count(), 1);
    QCOMPARE(enviados.at(0).at(1).toString(), carpetaServidor);
    // The bulletins were refreshed with the update account before the broker's session.
    QCOMPARE(e.servidor.usuarios(), (QStringList {QStringLiteral("actualizador"), QStringLiteral("ag0123")}));
    QVERIFY(e.ciclo->habilitado());
    QVERIFY(!p.eftpEnvio.conectado());
}

void PruebaEnvio::soloArchivosDelDiaEnEspera()
{
    Escena e;
    for (const char *n : {"M0123001.044", "M0123002.045"})
        e.archivo(QStringLiteral("val_env"), QString::fromLatin1(n));
    Programa &p = e.carga();
    e.enLista(QStringLiteral("M0123001.044"), QStringLiteral("2"), AG, AG);
    e.enLista(QStringLiteral("M0123000.err"), QStringLiteral("2"), QString(), QString(), QStringLiteral("R"));
    e.enLista(QStringLiteral("M0123002.045"), QStringLiteral("2"), AG, AG);
    e.enLista(QStringLiteral("k0123000.045"), QStringLiteral("1"), QString(), QString(), QStringLiteral("K"));
    e.enLista(QStringLiteral("X0123003.045"), QString(), QString(), QString()); // no send rule

    e.ejecuta(QStringLiteral("enviar"));

    QCOMPARE(e.persona().textos(), QStringList());
    QCOMPARE(e.nombresRecepcion(), QStringList {QStringLiteral("M0123002.045")});
    QCOMPARE(e.nombresEnvio(), (QStringList {QStringLiteral("M0123001.044"), QStringLiteral("M0123000.err"),
                                             QStringLiteral("k0123000.045"), QStringLiteral("X0123003.045")}));
    QVERIFY(!e.servidor.existe(AG + QStringLiteral("/M0123001.044")));
    QVERIFY(e.ciclo->habilitado());

    // Only files of other days: nothing is sent, no message, the cycle starts.
    Escena otra;
    otra.archivo(QStringLiteral("val_env"), QStringLiteral("M0123001.044"));
    otra.carga();
    otra.enLista(QStringLiteral("M0123001.044"), QStringLiteral("2"), AG, AG);
    otra.ejecuta(QStringLiteral("enviar"));
    QCOMPARE(otra.persona().textos(), QStringList());
    QCOMPARE(otra.nombresEnvio(), QStringList {QStringLiteral("M0123001.044")});
    QVERIFY(otra.ciclo->habilitado());
    Q_UNUSED(p);
}

void PruebaEnvio::claveDePago_data()
{
    QTest::addColumn<QByteArray>("enServidor"); // the payment-password file; empty: none
    QTest::addColumn<bool>("conPago"); // an E file waits in the send list
    QTest::addColumn<QStringList>("tecleadas"); // typed in the prompt; then it is cancelled
    QTest::addColumn<QStringList>("enviados");
    QTest::addColumn<int>("pedidas");
    QTest::addColumn<QString>("pideClave");

    const QByteArray n = archivoPago("N", QStringLiteral("Otra1"));
    const QByteArray s = archivoPago("S", QStringLiteral("Otra1"));
    const QString e = QStringLiteral("E0123001.045");
    QTest::newRow("sin archivo, sin pago") << QByteArray() << false << QStringList() << QStringList {M} << 0 << "N";
    QTest::newRow("N, sin pago") << n << false << QStringList() << QStringList {M} << 0 << "N";
    QTest::newRow("S aceptada") << s << false << QStringList {QStringLiteral("Otra1")} << QStringList {M} << 1 << "S";
    QTest::newRow("S cancelada") << s << false << QStringList() << QStringList() << 1 << "S";
    QTest::newRow("S distingue mayúsculas")
        << s << false << QStringList {QStringLiteral("otra1"), QStringLiteral("Otra1")} << QStringList {M} << 2 << "S";
    QTest::newRow("N con pago aceptada") << n << true << QStringList {QStringLiteral("Otra1")} << QStringList {M, e}
                                         << 1 << "S";
    QTest::newRow("sin archivo con pago cancelada")
        << QByteArray() << true << QStringList() << QStringList() << 1 << "S";
    QTest::newRow("S con pago aceptada") << s << true << QStringList {QStringLiteral("Otra1")} << QStringList {M, e}
                                         << 1 << "S";
    QTest::newRow("bandera desconocida") << archivoPago("X", QStringLiteral("Otra1")) << false << QStringList()
                                         << QStringList() << 0 << "X";
}

void PruebaEnvio::claveDePago()
{
    QFETCH(QByteArray, enServidor);
    QFETCH(bool, conPago);
    QFETCH(QStringList, tecleadas);
    QFETCH(QStringList, enviados);
    QFETCH(int, pedidas);
    QFETCH(QString, pideClave);

    Escena e;
    if (!enServidor.isEmpty())
        e.servidor.escribe(QStringLiteral("/update/cfps0123.rgs"), enServidor);
    e.archivo(QStringLiteral("val_env"), M);
    e.archivo(QStringLiteral("pag_env"), QStringLiteral("E0123001.045"));
    Programa &p = e.carga();
    e.enLista(M, QStringLiteral("2"), AG, AG);
    if (conPago)
        e.enLista(QStringLiteral("E0123001.045"), QStringLiteral("5"), QStringLiteral("/yexout"),
                  QStringLiteral("/yexout"));
    for (const QString &t : tecleadas)
        e.persona().claves.enqueue(t);
    // Every prompt not answered above is cancelled.
    for (qsizetype i = tecleadas.size(); i < pedidas; ++i)
        e.persona().claves.enqueue(std::nullopt);

    e.ejecuta(QStringLiteral("enviar"));

    QCOMPARE(e.nombresRecepcion(), enviados);
    QCOMPARE(e.persona().clavesPedidas, pedidas);
    QCOMPARE(p.valores().PideClave, pideClave);
    QCOMPARE(p.valores().ClavePago, enServidor.isEmpty() ? QStringLiteral("Pago123") : QStringLiteral("Otra1"));
    const int erroneas = tecleadas.size() > 1 ? tecleadas.size() - 1 : 0;
    QCOMPARE(e.persona().textos(), QStringList(erroneas, QStringLiteral("Contraseña de pago electrónico no válida")));
    // Nothing sent means nothing moved: the send list is as it was.
    if (enviados.isEmpty())
        QCOMPARE(e.nombresEnvio().size(), conPago ? 2 : 1);
    QVERIFY(!QFile::exists(p.carpetas().enTrabajo(QStringLiteral("cfps0123.rgs"))));
    QVERIFY(e.ciclo->habilitado());
}

void PruebaEnvio::loginRechazado()
{
    Escena e;
    e.archivo(QStringLiteral("val_env"), M);
    e.carga();
    e.enLista(M, QStringLiteral("2"), AG, AG);
    e.servidor.rechazaLogin();

    e.ejecuta(QStringLiteral("enviar"));

    QCOMPARE(e.persona().textos(), QStringList {QStringLiteral("Usuario o Contraseña no aceptado")});
    QCOMPARE(e.persona().mensajes.at(0).icono, Dialogos::Icono::Critico);
    QCOMPARE(e.persona().mensajes.at(0).titulo, Dialogos::nombreProducto());
    QCOMPARE(e.nombresEnvio(), QStringList {M});
    QCOMPARE(e.nombresRecepcion(), QStringList());
    QVERIFY(!e.ciclo->habilitado());
}

void PruebaEnvio::servidorCaido()
{
    Escena e;
    e.archivo(QStringLiteral("val_env"), M);
    // A port where nothing listens.
    e.oficina.sql(QStringLiteral("UPDATE PARAMETROS SET Host_Internet = '127.0.0.1:1'"));
    Programa &p = e.carga();
    e.enLista(M, QStringLiteral("2"), AG, AG);

    e.ejecuta(QStringLiteral("enviar"));

    // The bulletin refresh before it fails silently; the send reports once.
    QCOMPARE(e.persona().textos(), QStringList {ReporteConexion::textoSinConexion(p.parametros())});
    QVERIFY(e.persona().textos().at(0).endsWith(
        QStringLiteral("\r\n\r\nRevisa tu Conexión de Red o tu Contraseña de Acceso")));
    QCOMPARE(e.nombresEnvio(), QStringList {M});
}

void PruebaEnvio::preguntasDeArchivo_data()
{
    QTest::addColumn<QString>("estorbo"); // what is in the way
    QTest::addColumn<Respuesta>("respuesta");
    QTest::addColumn<QString>("pregunta");
    QTest::addColumn<bool>("subido");
    QTest::addColumn<bool>("enRecepcion");

    const QString q68 = QStringLiteral(
        "La ruta o directorio del archivo : M0123001.045 no se encuentra, ¿deseas reintentar el envío?");
    const QString q70 = QStringLiteral("Archivo : M0123001.045 se encuentra bloqueado, ¿deseas reintentar el envío?");
    // A send folder that is not there (68), a folder where the copy in
    // TendalTmp goes (70 before the upload), a folder where a response name
    // must be deleted (70 after the upload).
    QTest::newRow("68 No") << "carpeta" << Respuesta::No << q68 << false << false;
    QTest::newRow("68 Sí") << "carpeta" << Respuesta::Si << q68 << true << true;
    QTest::newRow("70 antes No") << "copia" << Respuesta::No << q70 << false << false;
    QTest::newRow("70 antes Sí") << "copia" << Respuesta::Si << q70 << true << true;
    QTest::newRow("70 después No") << "respuesta" << Respuesta::No << q70 << true << true;
    QTest::newRow("70 después Sí") << "respuesta" << Respuesta::Si << q70 << true << true;
}

void PruebaEnvio::preguntasDeArchivo()
{
    QFETCH(QString, estorbo);
    QFETCH(Respuesta, respuesta);
    QFETCH(QString, pregunta);
    QFETCH(bool, subido);
    QFETCH(bool, enRecepcion);

    Escena e;
    e.archivo(QStringLiteral("val_env"), M);
    Programa &p = e.carga();
    e.enLista(M, QStringLiteral("2"), AG, AG);
    const QString carpeta = e.oficina.carpeta(QStringLiteral("val_env"));
    const QString apartada = carpeta + QStringLiteral(".fuera");
    QString estorbando;
    if (estorbo == u"carpeta")
        QVERIFY(QDir().rename(carpeta, apartada));
    else
        estorbando = p.carpetas().enTemporal(estorbo == u"copia" ? M : QStringLiteral("M0123001.err"));
    if (!estorbando.isEmpty())
        QVERIFY(QDir().mkpath(estorbando + QStringLiteral("/dentro")));
    // Yes: the person first clears the way, then answers.
    e.persona().respuestas.enqueue(respuesta);
    e.persona().alMostrar = [&](const DialogosGuion::Mensaje &) {
        if (respuesta != Respuesta::Si)
            return;
        if (estorbo == u"carpeta")
            QDir().rename(apartada, carpeta);
        else
            QDir(estorbando).removeRecursively();
    };

    e.ejecuta(QStringLiteral("enviar"));

    QCOMPARE(e.persona().textos(), QStringList {pregunta});
    QCOMPARE(e.persona().mensajes.at(0).icono, Dialogos::Icono::Ninguno);
    QCOMPARE(e.persona().mensajes.at(0).botones, Dialogos::Botones::SiNo);
    QCOMPARE(e.servidor.existe(AG + u'/' + M), subido);
    QCOMPARE(e.nombresRecepcion(), enRecepcion ? QStringList {M} : QStringList());
    if (enRecepcion) {
        QCOMPARE(e.nombresEnvio(), QStringList());
    } else {
        // Not uploaded: it still waits in the send list with its "E".
        QCOMPARE(e.nombresEnvio(), QStringList {M});
        QCOMPARE(p.listaEnvio().celda(0, ListaEnvio::Estado), QStringLiteral("E"));
    }
}

// A file gone from its send folder, or a name no server takes (a line
// break), is passed over with a message and never blocks the files after it;
// it stays in the send list. The copy of each file in TendalTmp goes once
// its upload is done.
void PruebaEnvio::archivoFaltanteSePasaPorAlto()
{
    Escena e;
    const QString otro = QStringLiteral("M0123003.045");
    const QString conSalto = QStringLiteral("M0123\n04.045");
    e.archivo(QStringLiteral("val_env"), M);
    e.archivo(QStringLiteral("val_env"), otro);
    e.archivo(QStringLiteral("val_env"), conSalto);
    Programa &p = e.carga();
    e.enLista(M, QStringLiteral("2"), AG, AG);
    e.enLista(QStringLiteral("M0123002.045"), QStringLiteral("2"), AG, AG); // not in the folder
    e.enLista(conSalto, QStringLiteral("2"), AG, AG);
    e.enLista(otro, QStringLiteral("2"), AG, AG);

    e.ejecuta(QStringLiteral("enviar"));

    const QStringList textos = e.persona().textos();
    QCOMPARE(textos.size(), 2);
    QVERIFY2(textos.at(0).startsWith(QStringLiteral("No se encontró el archivo M0123002.045 en "))
                 && textos.at(0).endsWith(QStringLiteral("; no se envió y sigue en la lista de envío.")),
             qPrintable(textos.at(0)));
    QVERIFY2(textos.at(1).startsWith(QStringLiteral("El archivo «M0123?04.045» no se envió")),
             qPrintable(textos.at(1)));
    QCOMPARE(e.nombresRecepcion(), (QStringList {M, otro}));
    QCOMPARE(e.nombresEnvio(), (QStringList {QStringLiteral("M0123002.045"), conSalto}));
    QVERIFY(e.servidor.existe(AG + QStringLiteral("/") + otro));
    QCOMPARE(QDir(p.carpetas().temporal()).entryList(QDir::Files | QDir::Hidden), QStringList());
    // Nothing of it is claimed: the next send passes them over again.
    ListaEnvio guardada(&p.diario());
    guardada.restaura();
    QCOMPARE(Escena::nombres(guardada), e.nombresEnvio());
    e.persona().mensajes.clear();
    e.ejecuta(QStringLiteral("enviar"));
    QCOMPARE(e.persona().textos().size(), 2);
}

void PruebaEnvio::envioRechazadoQuedaEnLista()
{
    Escena e;
    e.archivo(QStringLiteral("val_env"), M);
    Programa &p = e.carga();
    e.enLista(M, QStringLiteral("2"), AG, AG);
    e.servidor.rechazaEnvios(553);

    e.ejecuta(QStringLiteral("enviar"));

    QCOMPARE(e.persona().textos().size(), 1);
    QVERIFY(e.persona().textos().at(0).startsWith(QStringLiteral("Error No. ")));
    QCOMPARE(e.persona().mensajes.at(0).icono, Dialogos::Icono::Critico);
    QCOMPARE(e.nombresEnvio(), QStringList {M});
    QCOMPARE(e.nombresRecepcion(), QStringList());
    // The copy made for the failed upload does not stay behind.
    QCOMPARE(QDir(p.carpetas().temporal()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

void PruebaEnvio::conexionCortadaDuranteElEnvio()
{
    Escena e;
    e.archivo(QStringLiteral("val_env"), M, QByteArray(512 * 1024, 'x'));
    Programa &p = e.carga();
    e.enLista(M, QStringLiteral("2"), AG, AG);
    e.servidor.cortaTras(64 * 1024);

    e.ejecuta(QStringLiteral("enviar"));

    // The person is told that the send stopped, and the file whose upload
    // broke off is not taken as sent.
    QCOMPARE(e.persona().textos().size(), 1);
    QVERIFY(e.persona().textos().at(0).startsWith(QStringLiteral("Error No. 1000\r\nDescripcion: ")));
    QCOMPARE(e.nombresEnvio(), QStringList {M});
    QCOMPARE(p.listaEnvio().celda(0, ListaEnvio::Estado), QStringLiteral("E"));
    QCOMPARE(e.nombresRecepcion(), QStringList());
    QVERIFY(!p.eftpEnvio.conectado());
    QVERIFY(!e.comandos->ocupado());
}

void PruebaEnvio::nombreEscritoEnMayusculas()
{
    // A typed name is listed upper-cased; the office's file may be in lower case.
    Escena e;
    e.archivo(QStringLiteral("val_env"), QStringLiteral("m0123003.045"), "MINUSCULAS\r\n");
    e.carga();
    e.enLista(QStringLiteral("M0123003.045"), QStringLiteral("2"), AG, AG);
    e.ejecuta(QStringLiteral("enviar"));
    QCOMPARE(e.persona().textos(), QStringList());
    QCOMPARE(e.servidor.lee(AG + QStringLiteral("/M0123003.045")), QByteArray("MINUSCULAS\r\n"));
}

void PruebaEnvio::iconoVacioLlegaSinIcono()
{
    Escena e;
    e.archivo(QStringLiteral("val_env"), M);
    Programa &p = e.carga();
    e.enLista(M, QString(), AG, AG);

    e.ejecuta(QStringLiteral("enviar"));

    QCOMPARE(e.persona().textos(), QStringList());
    QCOMPARE(e.nombresRecepcion(), QStringList {M});
    QCOMPARE(p.listaRecepcion().data(p.listaRecepcion().index(0, 0), ListaArchivos::RolIcono).toInt(), -1);
    QCOMPARE(e.nombresEnvio(), QStringList());
}

void PruebaEnvio::entradaQuitadaDuranteLaSubida()
{
    // The person removes the entry while its file is uploading: the file has
    // left all the same, so it is listed for reception with the response
    // folders and the icon the entry had.
    Escena e;
    e.archivo(QStringLiteral("val_env"), M, QByteArray(600000, 'x'));
    Programa &p = e.carga();
    e.enLista(M, QStringLiteral("2"), AG, AG);
    e.servidor.lento(200000); // the server pauses about two seconds in the middle
    QTimer::singleShot(300, [&p] { p.listaEnvio().quita(0); });

    e.ejecuta(QStringLiteral("enviar"));

    QCOMPARE(e.persona().textos(), QStringList());
    QCOMPARE(e.servidor.lee(AG + QLatin1Char('/') + M).size(), 600000);
    QCOMPARE(e.nombresRecepcion(), QStringList {M});
    const ListaRecepcion::Entrada r = p.listaRecepcion().entrada(0);
    QCOMPARE(r.rutaPrev, AG);
    QCOMPARE(r.rutaVal, AG);
    QCOMPARE(r.icono, QStringLiteral("2"));
    QCOMPARE(e.nombresEnvio(), QStringList());
}

void PruebaEnvio::avanceDeUnArchivoGrande()
{
    // A file over 1 MB tells how far its upload went, from 0 to the whole;
    // a small one says nothing.
    const QString pequeno = QStringLiteral("M0123002.045");
    const qint64 total = 2048 * 1024;
    Escena e;
    e.archivo(QStringLiteral("val_env"), M, QByteArray(total, 'x'));
    e.archivo(QStringLiteral("val_env"), pequeno, QByteArray(900 * 1024, 'y'));
    e.carga();
    e.enLista(M, QStringLiteral("2"), AG, AG);
    e.enLista(pequeno, QStringLiteral("2"), AG, AG);
    e.servidor.lento(768 * 1024); // the server pauses about two seconds in the middle
    QSignalSpy avance(&e.comandos->envio(), &EnvioArchivos::avanceEnvio);

    e.ejecuta(QStringLiteral("enviar"));

    QCOMPARE(e.nombresRecepcion(), (QStringList {M, pequeno}));
    QVERIFY2(avance.count() >= 3, qPrintable(QString::number(avance.count())));
    qint64 anterior = -1;
    for (const QList<QVariant> &senal : std::as_const(avance)) {
        QCOMPARE(senal.at(0).toString(), M);
        QCOMPARE(senal.at(2).toLongLong(), total);
        QVERIFY(senal.at(1).toLongLong() >= anterior);
        anterior = senal.at(1).toLongLong();
    }
    QCOMPARE(avance.first().at(1).toLongLong(), 0);
    QCOMPARE(avance.last().at(1).toLongLong(), total);
    // Read from the transfer while the server paused (on loopback the
    // kernel's buffers take the whole file at once, so no value in between).
    QVERIFY(std::any_of(avance.cbegin() + 1, avance.cend() - 1,
                        [](const QList<QVariant> &senal) { return senal.at(1).toLongLong() > 0; }));
}

void PruebaEnvio::reinicioRestauraAmbasListas()
{
    Escena e;
    e.archivo(QStringLiteral("val_env"), M);
    e.carga();
    e.enLista(M, QStringLiteral("2"), AG, AG);
    e.enLista(QStringLiteral("M0123001.044"), QStringLiteral("2"), AG, AG);
    e.ejecuta(QStringLiteral("enviar"));
    const ListaRecepcion::Entrada antes = e.programa().listaRecepcion().entrada(0);

    // A new start on the same office.
    Programa p(Carpetas(e.oficina.trabajo(), e.oficina.ini()), e.oficina.reloj, e.oficina.dialogos);
    p.carga();
    QCOMPARE(Escena::nombres(p.listaEnvio()), QStringList {QStringLiteral("M0123001.044")});
    QCOMPARE(p.listaRecepcion().cuenta(), 1);
    const ListaRecepcion::Entrada despues = p.listaRecepcion().entrada(0);
    QCOMPARE(despues.nombre, antes.nombre);
    QCOMPARE(despues.archivoPrev, antes.archivoPrev);
    QCOMPARE(despues.archivoVal, antes.archivoVal);
    QCOMPARE(despues.rutaDest, antes.rutaDest);
    QCOMPARE(despues.hora, antes.hora);
}

void PruebaEnvio::recibirSinEnviar()
{
    Escena e;
    Programa &p = e.carga();
    e.enLista(M, QStringLiteral("2"), AG, AG);
    e.enLista(QStringLiteral("E0123001.045"), QStringLiteral("5"), QStringLiteral("/yexout"),
              QStringLiteral("/yexout"));
    e.enLista(QStringLiteral("k0123000.045"), QStringLiteral("1"), QString(), QString(), QStringLiteral("K"));
    // A folder where a response name must be deleted: asked, No moves it all the same.
    QVERIFY(QDir().mkpath(p.carpetas().enTemporal(QStringLiteral("M0123001.err/dentro"))));

    e.persona().claves.enqueue(std::nullopt); // the prompt is cancelled: the payment file stays
    e.persona().respuestas.enqueue(Dialogos::Respuesta::No);
    e.ejecuta(QStringLiteral("recibir"));

    QCOMPARE(e.persona().clavesPedidas, 1);
    QCOMPARE(e.persona().textos(), QStringList {QStringLiteral(
                                       "Archivo : M0123001.045 se encuentra bloqueado, ¿deseas reintentar el envío?")});
    QCOMPARE(e.nombresRecepcion(), QStringList {M});
    QCOMPARE(e.nombresEnvio(), (QStringList {QStringLiteral("E0123001.045"), QStringLiteral("k0123000.045")}));
    QCOMPARE(e.servidor.usuarios(), QStringList()); // no session at all
    QVERIFY(e.ciclo->habilitado());

    // Accepted, the payment file moves too; files of other days as well.
    e.persona().mensajes.clear();
    e.persona().claves.enqueue(QStringLiteral("Pago123"));
    e.ejecuta(QStringLiteral("recibir"));
    QCOMPARE(e.nombresRecepcion(), (QStringList {M, QStringLiteral("E0123001.045")}));
    QCOMPARE(p.listaRecepcion().entrada(1).archivoPrev, QStringLiteral("ke012301.045"));
    QCOMPARE(e.nombresEnvio(), QStringList {QStringLiteral("k0123000.045")});

    // An empty send list.
    Escena vacia;
    vacia.carga();
    vacia.ejecuta(QStringLiteral("recibir"));
    QCOMPARE(vacia.persona().textos(),
             QStringList {QStringLiteral("Debes incluir al menos un archivo en la lista de recepción!!!")});
    QCOMPARE(vacia.persona().mensajes.at(0).icono, Dialogos::Icono::Informacion);
    QVERIFY(!vacia.ciclo->habilitado());
}

QTEST_GUILESS_MAIN(PruebaEnvio)
#include "PruebaEnvio.moc"
