// The main window on a whole office: what it shows after start-up, the
// clicks and keys it forwards, and printing the report to a PDF file.
#include "gui/principal/BarraEstado.h"
#include "core/recepcion/CicloRecepcion.h"
#include "gui/principal/CuadroReporte.h"
#include "gui/comun/Iconos.h"
#include "core/principal/Principal.h"
#include "gui/principal/ModeloIconos.h"
#include "gui/principal/frmPreVal.h"
#include "tests/soporte/ArchivoPrueba.h"
#include "tests/soporte/Oficina.h"
#include "tests/soporte/Omision.h"
#include "core/principal/ComandosBarra.h"
#include "core/envio/EnvioArchivos.h"

#include <QAbstractItemModelTester>
#include <QCoro/QCoroTask>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QLineEdit>
#include <QThreadPool>
#include <QListView>
#include <QPrinter>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QTimer>
#include <QTreeView>

namespace {

// The office of patente 123 on 14 February 2026 with a few julian files and
// two responses, started as the desktop program starts it.
struct Ventana {
    Oficina oficina;
    Programa &programa;
    CicloRecepcion ciclo;
    ComandosBarra comandos;
    Principal principal;
    frmPreVal ventana;

    static Programa &prepara(Oficina &o)
    {
        const QString saai = o.carpeta(QStringLiteral("val_env"));
        for (const char *n : {"M0123001.045", "m0123002.045", "M0123001.046", "D0123001.045"})
            creaArchivo(saai, QString::fromLatin1(n));
        creaArchivo(o.carpeta(QStringLiteral("val_rec")), QStringLiteral("k0123001.045"),
                    "LINEA UNO DEL ACUSE\r\nLINEA DOS DEL ACUSE\r\nLINEA TRES DEL ACUSE\r\n");
        return o.carga();
    }

    Ventana()
        : programa(prepara(oficina))
        , ciclo(programa)
        , comandos(programa, ciclo)
        , principal(programa, ciclo)
        , ventana(programa, principal, comandos)
    {
        ventana.show();
        expuesta = QTest::qWaitForWindowExposed(&ventana);
    }
    bool expuesta = false;
    DialogosGuion &dialogos() { return oficina.dialogos; }
    ListaEnvio &envio() { return programa.listaEnvio(); }
    void recibe(const QString &nombre, const QString &hora = QString())
    {
        programa.listaRecepcion().agrega({nombre, {}, {}, hora, {}, {}, {}, {}, {}, {}});
    }

    void clic(QAbstractItemView *vista, int fila)
    {
        const QRect r = vista->visualRect(vista->model()->index(fila, 0));
        QTest::mouseClick(vista->viewport(), Qt::LeftButton, {}, r.center());
    }
    void dobleClic(QAbstractItemView *vista, int fila)
    {
        const QRect r = vista->visualRect(vista->model()->index(fila, 0));
        QTest::mouseClick(vista->viewport(), Qt::LeftButton, {}, r.center());
        QTest::mouseDClick(vista->viewport(), Qt::LeftButton, {}, r.center());
    }
};

QString textoPdf(const QString &ruta)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), ruta, QStringLiteral("-")});
    if (!p.waitForFinished(30000))
        return QStringLiteral("<pdftotext no terminó>");
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

class PruebafrmPreVal : public QObject
{
    Q_OBJECT

private slots:
    // The status bar follows the receive cycle.
    void avisosDelCiclo()
    {
        Ventana v;
        v.ventana.sigueCiclo(v.ciclo);
        BarraEstado *barra = v.ventana.stbPrincipal();
        QCOMPARE(barra->aviso(), QString());
        v.recibe(QStringLiteral("M0123001.045"));
        v.ciclo.habilita();
        QCOMPARE(barra->aviso(), QStringLiteral("Esperando 1 respuesta"));
        emit v.ciclo.esperandoRespuestas(4);
        QCOMPARE(barra->aviso(), QStringLiteral("Esperando 4 respuestas"));
        emit v.ciclo.sinConexion(QDateTime(QDate(2026, 2, 14), QTime(12, 27, 6)));
        QCOMPARE(barra->aviso(),
                 QStringLiteral("Sin conexión con el servidor desde 12:27:06; se reintenta cada 5 segundos"));
        QCoro::waitFor(v.ciclo.detiene());
        QCOMPARE(barra->aviso(), QStringLiteral("Recepción detenida"));
        QCOMPARE(v.programa.listaRecepcion().cuenta(), 0);
    }

    // Entries removed by hand: the count follows them, and with the last
    // one gone nothing is awaited.
    void avisosAlQuitarYSinEnvio()
    {
        Ventana v;
        v.ventana.sigueCiclo(v.ciclo);
        BarraEstado *barra = v.ventana.stbPrincipal();
        v.recibe(QStringLiteral("M0123001.045"));
        v.recibe(QStringLiteral("M0123002.045"));
        v.ciclo.habilita();
        QCOMPARE(barra->aviso(), QStringLiteral("Esperando 2 respuestas"));
        v.dialogos().respuestas << Dialogos::Respuesta::Si << Dialogos::Respuesta::Si;
        v.principal.quitaRecepcion(0);
        QCOMPARE(barra->aviso(), QStringLiteral("Esperando 1 respuesta"));
        v.principal.quitaRecepcion(0);
        QVERIFY(!v.ciclo.habilitado());
        QCOMPARE(barra->aviso(), QStringLiteral("Ninguna respuesta en espera"));
    }

    // A send in the clear though TLS was asked for when offered: the status
    // bar says so while it runs and after it, until the next command.
    void avisoSinCifrar()
    {
        Ventana v;
        frmPreVal &w = v.ventana;
        const QString texto = QStringLiteral("El servidor no ofrece conexión cifrada (TLS): los archivos de este envío "
                                             "van sin cifrar.");
        emit v.comandos.ocupadoCambiado(true);
        emit v.comandos.envio().enviandoArchivo(QStringLiteral("M0123001.344"), 1, 2);
        emit v.comandos.envio().envioSinCifrar(texto);
        QCOMPARE(w.stbPrincipal()->aviso(), texto);
        emit v.comandos.envio().enviandoArchivo(QStringLiteral("M0123002.344"), 2, 2);
        QCOMPARE(w.stbPrincipal()->aviso(), QStringLiteral("Enviando M0123002.344 (2 de 2) sin cifrar…"));
        emit v.comandos.ocupadoCambiado(false);
        QCOMPARE(w.stbPrincipal()->aviso(), texto);
        emit v.comandos.ocupadoCambiado(true);
        emit v.comandos.ocupadoCambiado(false);
        QCOMPARE(w.stbPrincipal()->aviso(), QString());
    }

    // A send shows a busy cursor and the file it takes; the lists show how
    // many entries they hold, and the reception list has column titles.
    void avisosDelEnvioYCuentas()
    {
        Ventana v;
        frmPreVal &w = v.ventana;
        emit v.comandos.ocupadoCambiado(true);
        QCOMPARE(w.cursor().shape(), Qt::BusyCursor);
        emit v.comandos.envio().enviandoArchivo(QStringLiteral("M0123001.344"), 2, 6);
        QCOMPARE(w.stbPrincipal()->aviso(), QStringLiteral("Enviando M0123001.344 (2 de 6)…"));
        // A large upload's progress shows beside the notice until the send ends.
        const QProgressBar &avance = w.stbPrincipal()->avance();
        QVERIFY(avance.isHidden());
        emit v.comandos.envio().avanceEnvio(QStringLiteral("M0123001.344"), 3 * 1024 * 1024, 4 * 1024 * 1024);
        QVERIFY(!avance.isHidden());
        QCOMPARE(avance.value(), 750);
        QCOMPARE(avance.text(), QLocale::system().formattedDataSize(3 * 1024 * 1024) + QStringLiteral(" de ")
                                    + QLocale::system().formattedDataSize(4 * 1024 * 1024));
        emit v.comandos.ocupadoCambiado(false);
        QCOMPARE(w.cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(w.stbPrincipal()->aviso(), QString());
        QVERIFY(avance.isHidden());

        QCOMPARE(w.findChild<QLabel *>(QStringLiteral("lblCuentaAgencia"))->text(), QStringLiteral("2 archivos"));
        const auto titulo = [&](int lista, int columna) {
            return w.lvwPreVal(lista)->model()->headerData(columna, Qt::Horizontal).toString();
        };
        QVERIFY(!w.lvwPreVal(1)->isHeaderHidden());
        QCOMPARE(titulo(0, 0), QStringLiteral("Lista de envío (0)"));
        v.envio().agrega({QStringLiteral("M0123001.045"), QStringLiteral("E"), QStringLiteral("2"), {}, {}});
        QCOMPARE(titulo(0, 0), QStringLiteral("Lista de envío (1)"));
        v.recibe(QStringLiteral("M0123002.045"), QStringLiteral("10:31 a. m."));
        QCOMPARE(titulo(1, 0), QStringLiteral("En espera de respuesta (1)"));
        QCOMPARE(titulo(1, 3), QStringLiteral("Hora"));
    }

    void inicio()
    {
        Ventana v;
        frmPreVal &w = v.ventana;
        QCOMPARE(w.windowTitle(), QStringLiteral(" PROGRAMA DE TENDAL A VALIDACIÓN - VERSIÓN " TENDAL_VERSION_PROYECTO
                                                 "  |  PATENTE 0123 - AGENTE DE PRUEBA"));
        QCOMPARE(w.stbPrincipal()->panel(1), QLocale::system().toString(QDate(2026, 2, 14), QLocale::LongFormat));
        QCOMPARE(w.stbPrincipal()->panel(2), QStringLiteral("Día Juliano:  045"));
        QCOMPARE(w.stbPrincipal()->panel(3), BarraEstado::hora(QTime(10, 30)));
        v.oficina.reloj.fija(QDateTime(QDate(2026, 2, 14), QTime(16, 5, 0)));
        QTRY_COMPARE_WITH_TIMEOUT(w.stbPrincipal()->panel(3), BarraEstado::hora(QTime(16, 5)), 3000);
        QCOMPARE(w.stbPrincipal()->panel(2), QStringLiteral("Día Juliano:  045"));

        QCOMPARE(v.principal.PatronActual(), QStringLiteral("M0123*.045"));
        QAbstractItemModel *agencia = w.lvwArchivos()->model();
        QCOMPARE(agencia->rowCount(), 2);
        QCOMPARE(agencia->index(0, 0).data().toString(), QStringLiteral("M0123001.045"));
        QCOMPARE(agencia->index(1, 0).data().toString(), QStringLiteral("m0123002.045"));

        const QStringList textos = {QStringLiteral("Archivos  A&gencia"), QStringLiteral("Archivos &Norvelia (NORV)"),
                                    QStringLiteral("RE&VISIÓN DE ARCHIVOS"), QStringLiteral("&Tipo de Archivo"),
                                    QStringLiteral("Buscar &Por")};
        for (int i = 0; i < 5; ++i)
            QCOMPARE(w.lblPreVal(i)->text(), textos[i]);
        QCOMPARE(w.cboPreVal(0)->currentText(), QStringLiteral("DÍA ACTUAL"));
        QCOMPARE(w.cboPreVal(0)->count(), 2);
        QCOMPARE(w.cboPreVal(1)->currentText(), QStringLiteral("SAAI M3"));
        QCOMPARE(w.cboPreVal(1)->itemText(1), QStringLiteral("PAGO ELECTRÓNICO"));
        QCOMPARE(w.cboPreVal(1)->count(), 4);

        QCOMPARE(w.cmdPreVal()->toolTip(), QStringLiteral("Elimina un archivo de lista de envío"));
        QCOMPARE(w.cmdPreElm()->toolTip(), QStringLiteral("Elimina un archivo de lista de recepción"));
        QCOMPARE(w.cmdLimpia()->toolTip(), QStringLiteral("Elimina todos los elementos de la lista"));
        QCOMPARE(w.cmdImprime()->toolTip(), QStringLiteral("Imprime el reporte de revisión del archivo (Ctrl+P)"));

        // Only the name is shown in the send list; the name and the time in the reception list.
        for (int c = 0; c < 5; ++c)
            QCOMPARE(w.lvwPreVal(0)->isColumnHidden(c), c != 0);
        for (int c = 0; c < 10; ++c)
            QCOMPARE(w.lvwPreVal(1)->isColumnHidden(c), c != 0 && c != 3);
        QCOMPARE(w.lvwPreVal(0)->model()->headerData(3, Qt::Horizontal).toString(), QStringLiteral("RutaPre"));
        QCOMPARE(w.lvwPreVal(1)->model()->headerData(8, Qt::Horizontal).toString(), QStringLiteral("RutaDest"));
    }

    void barra_data()
    {
        QTest::addColumn<QString>("clave");
        QTest::addColumn<QString>("titulo");
        QTest::addColumn<QString>("ayuda");
        QTest::addColumn<QString>("atajo");
        QTest::newRow("enviar") << "enviar"
                                << "&Enviar/Recibir"
                                << "Envia los archivos a Prevalidación/Validación"
                                << "Ctrl+E";
        QTest::newRow("recibir") << "recibir"
                                 << "&Recibir"
                                 << "Inicia la recepción manual de archivos"
                                 << "Ctrl+R";
        QTest::newRow("detener") << "detener"
                                 << "&Detener"
                                 << "Detiene la recepción de archivos en proceso"
                                 << "Ctrl+D";
        QTest::newRow("caterr") << "caterr"
                                << "&Actualizar Catálogo"
                                << "Actualiza el catálogo de errores"
                                << "Ctrl+U";
        QTest::newRow("parametros") << "parametros"
                                    << "&Configuración"
                                    << "Configuración de rutas de los archivos"
                                    << "Ctrl+,";
        QTest::newRow("salir") << "salir"
                               << "&Salir"
                               << "Cierra el módulo de envío de archivos M3"
                               << "Ctrl+Q";
    }
    // Each command: its "&" letter, its shortcut (named in its tooltip), and
    // its button in the Tab order.
    void barra()
    {
        QFETCH(QString, clave);
        QFETCH(QString, titulo);
        QFETCH(QString, ayuda);
        QFETCH(QString, atajo);
        Ventana v;
        QAction *a = v.ventana.boton(clave);
        QVERIFY(a);
        QCOMPARE(a->text(), titulo);
        QCOMPARE(a->shortcut().toString(), atajo);
        QCOMPARE(a->toolTip(), ayuda + QStringLiteral(" (") + atajo + u')');
        QVERIFY(!a->icon().isNull());
        QVERIFY(a->isVisible());
        QVERIFY(v.ventana.tlbPreVal()->widgetForAction(a)->focusPolicy() & Qt::TabFocus);
    }

    // The main path with the keys alone: choose a file, add it with Enter,
    // send with the shortcut; Enter on a focused button presses it.
    void soloTeclado()
    {
        Ventana v;
        frmPreVal &w = v.ventana;
        QSignalSpy ocupado(&v.comandos, &ComandosBarra::ocupadoCambiado);
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QListView *agencia = w.lvwArchivos();
        agencia->setFocus();
        QTest::keyClick(agencia, Qt::Key_Down);
        QTest::keyClick(agencia, Qt::Key_Down);
        QTest::keyClick(agencia, Qt::Key_Return);
        QCOMPARE(v.envio().cuenta(), 1);
        QCOMPARE(v.envio().celda(0, ListaEnvio::Nombre), agencia->currentIndex().data().toString());
        // The release of an Enter pressed in another window (a box that has
        // just closed) adds nothing and asks nothing.
        QTest::keyRelease(agencia, Qt::Key_Return);
        QCOMPARE(v.envio().cuenta(), 1);
        QVERIFY(v.dialogos().mensajes.isEmpty());
        QTest::keyClick(&w, Qt::Key_E, Qt::ControlModifier);
        QVERIFY(ocupado.size() >= 1);
        QCOMPARE(ocupado.first().at(0).toBool(), true);
        QTRY_VERIFY_WITH_TIMEOUT(!v.comandos.ocupado(), 20000);

        // This office has no server: the send failed and the file waits.
        QCOMPARE(v.envio().celda(0, ListaEnvio::Estado), QStringLiteral("E"));

        // Enter on the focused removal button asks about the selected entry.
        v.dialogos().mensajes.clear();
        w.lvwPreVal(0)->setCurrentIndex(w.lvwPreVal(0)->model()->index(0, 0));
        w.cmdPreVal()->setFocus();
        v.dialogos().respuestas.enqueue(Dialogos::Respuesta::No);
        QTest::keyClick(w.cmdPreVal(), Qt::Key_Return);
        QCOMPARE(v.dialogos().mensajes.size(), 1);
        QVERIFY(v.dialogos().mensajes.last().texto.startsWith(QStringLiteral("¿Deseas eliminar el archivo")));
    }

    void iconos()
    {
        for (int n = 1; n <= Iconos::kLista; ++n) {
            const QIcon icono = Iconos::lista(n);
            QVERIFY2(!icono.isNull(), qPrintable(QString::number(n)));
            const QImage imagen = icono.pixmap(16, 16).toImage();
            QVERIFY(!imagen.isNull());
            QVERIFY2(imagen.pixelColor(8, 8).alpha() > 0, qPrintable(QString::number(n))); // something is drawn
        }
        QVERIFY(Iconos::lista(0).isNull());
        QVERIFY(Iconos::lista(14).isNull());

        Ventana v;
        v.envio().agrega({QStringLiteral("E0123001.045"), QStringLiteral("E"), QStringLiteral("5"), {}, {}});
        v.envio().agrega({QStringLiteral("X0123001.045"), QStringLiteral("E"), QString(), {}, {}});
        QAbstractItemModel *modelo = v.ventana.lvwPreVal(0)->model();
        QAbstractItemModelTester probador(modelo, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QAbstractItemModelTester probadorRecepcion(v.ventana.lvwPreVal(1)->model(),
                                                   QAbstractItemModelTester::FailureReportingMode::QtTest);
        QVERIFY(modelo->index(0, 0).data(Qt::DecorationRole).value<QIcon>().cacheKey() == Iconos::lista(5).cacheKey());
        QVERIFY(!modelo->index(1, 0).data(Qt::DecorationRole).isValid());
        QVERIFY(!modelo->index(0, 1).data(Qt::DecorationRole).isValid());
        v.envio().quita(0);
        v.recibe(QStringLiteral("M0123001.045"), QStringLiteral("10:30 a. m."));
        v.programa.listaRecepcion().limpia();
    }

    void selectoresYNombre()
    {
        Ventana v;
        frmPreVal &w = v.ventana;
        emit w.cboPreVal(1)->activated(3);
        QCOMPARE(v.principal.TipoActual(), QStringLiteral("D"));
        QCOMPARE(w.lvwArchivos()->model()->rowCount(), 1);
        emit w.cboPreVal(0)->activated(1);
        QCOMPARE(v.principal.PatronActual(), QStringLiteral("D0123*.0*;D0123*.1*;D0123*.2*;D0123*.3*"));

        // Enter in an empty name box does nothing; with a name it adds the file.
        QTest::keyClick(w.txtPreval(), Qt::Key_Return);
        QVERIFY(v.dialogos().mensajes.isEmpty());
        QTest::keyClicks(w.txtPreval(), QStringLiteral("m0123001.045"));
        QCOMPARE(v.principal.texto(), QStringLiteral("m0123001.045"));
        QTest::keyClick(w.txtPreval(), Qt::Key_Return);
        QCOMPARE(v.envio().cuenta(), 1);
        QCOMPARE(v.envio().entrada(0).nombre, QStringLiteral("M0123001.045"));
        QCOMPARE(w.txtPreval()->text(), QString());

        // The search button with an unknown name: the message, the text stays.
        QTest::keyClicks(w.txtPreval(), QStringLiteral("M0123999.045"));
        QTest::mouseClick(w.cmdBuscar(), Qt::LeftButton);
        QCOMPARE(v.dialogos().textos(),
                 QStringList(QStringLiteral("El archivo juliano no existe en las rutas configuradas.")));
        QCOMPARE(w.txtPreval()->text(), QStringLiteral("M0123999.045"));
    }

    void dobleClicYQuitar()
    {
        Ventana v;
        QVERIFY(v.expuesta);
        frmPreVal &w = v.ventana;
        v.dobleClic(w.lvwArchivos(), 1);
        QCOMPARE(v.envio().cuenta(), 1);
        QCOMPARE(v.envio().entrada(0).nombre, QStringLiteral("m0123002.045"));
        v.dobleClic(w.lvwArchivos(), 1);
        QCOMPARE(v.envio().cuenta(), 1);
        QCOMPARE(v.dialogos().textos(), QStringList(QStringLiteral("El archivo ya esta en la lista de envío!!!")));

        // Delete in the reception list does nothing; in the send list it asks.
        v.recibe(QStringLiteral("M0123001.045"));
        w.lvwPreVal(1)->setCurrentIndex(w.lvwPreVal(1)->model()->index(0, 0));
        QTest::keyClick(w.lvwPreVal(1), Qt::Key_Delete);
        QCOMPARE(v.dialogos().mensajes.size(), 1);

        v.clic(w.lvwPreVal(0), 0);
        v.dialogos().respuestas.enqueue(Dialogos::Respuesta::No);
        QTest::keyClick(w.lvwPreVal(0), Qt::Key_Delete);
        QCOMPARE(v.dialogos().mensajes.last().texto,
                 QStringLiteral("¿Deseas eliminar el archivo m0123002.045 de la lista de envío?"));
        QCOMPARE(v.envio().cuenta(), 1);
        v.dialogos().respuestas.enqueue(Dialogos::Respuesta::Si);
        QTest::mouseClick(w.cmdPreVal(), Qt::LeftButton);
        QCOMPARE(v.envio().cuenta(), 0);

        // The reception list's button asks about the selected entry.
        v.dialogos().respuestas.enqueue(Dialogos::Respuesta::Si);
        QTest::mouseClick(w.cmdPreElm(), Qt::LeftButton);
        QCOMPARE(v.dialogos().mensajes.last().texto,
                 QStringLiteral("¿Deseas eliminar el archivo M0123001.045 de la lista de recepción?"));
        QCOMPARE(v.programa.listaRecepcion().cuenta(), 0);
        QVERIFY(!v.ciclo.habilitado());
    }

    void teclasYCierre()
    {
        Ventana v;
        frmPreVal &w = v.ventana;
        QSignalSpy ocupado(&v.comandos, &ComandosBarra::ocupadoCambiado);
        QTest::keyClick(w.txtPreval(), Qt::Key_A, Qt::ControlModifier); // "agregar"
        QVERIFY(!ocupado.isEmpty());
        QCOMPARE(ocupado.first().first().toBool(), true);
        QTRY_VERIFY(!v.comandos.ocupado());
        ocupado.clear();
        QTest::keyClick(w.txtPreval(), Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
        QTest::keyClick(w.txtPreval(), Qt::Key_A);
        // A release whose press went elsewhere (a box that has closed) does nothing.
        QTest::keyRelease(w.txtPreval(), Qt::Key_A, Qt::ControlModifier);
        QVERIFY(ocupado.isEmpty());
        QVERIFY(v.dialogos().mensajes.isEmpty());

        // Closing asks; No keeps the window.
        bool terminado = false;
        QObject::connect(&v.comandos, &ComandosBarra::salidaConfirmada, &w, [&] {
            terminado = true;
            w.termina();
        });
        v.dialogos().respuestas.enqueue(Dialogos::Respuesta::No);
        QVERIFY(!w.close());
        QCOMPARE(v.dialogos().textos(), QStringList(QStringLiteral("¿Deseas Salir del Sistema?")));
        QCOMPARE(v.dialogos().mensajes[0].icono, Dialogos::Icono::Informacion);
        QVERIFY(w.isVisible());
        QVERIFY(!terminado);
        QTRY_VERIFY(!v.comandos.ocupado());

        v.dialogos().respuestas.enqueue(Dialogos::Respuesta::Si);
        w.close();
        QVERIFY(terminado);
        QVERIFY(!w.isVisible());
    }

    void reporte()
    {
        Ventana v;
        frmPreVal &w = v.ventana;
        v.envio().agrega({QStringLiteral("M0123001.045"), QStringLiteral("E"), QStringLiteral("2"), {}, {}});
        v.envio().agrega({QStringLiteral("k0123001.045"), QStringLiteral("K"), QStringLiteral("1"), {}, {}});
        v.clic(w.lvwPreVal(0), 0);
        QVERIFY(w.rtbPreVal()->document()->isEmpty());
        v.clic(w.lvwPreVal(0), 1);
        QCOMPARE(w.rtbPreVal()->texto(),
                 QStringLiteral("LINEA UNO DEL ACUSE\r\nLINEA DOS DEL ACUSE\r\nLINEA TRES DEL ACUSE\r\n"));

        // Emptying the send list empties the report.
        v.dialogos().respuestas.enqueue(Dialogos::Respuesta::Si);
        QTest::mouseClick(w.cmdLimpia(), Qt::LeftButton);
        QCOMPARE(v.envio().cuenta(), 0);
        QVERIFY(w.rtbPreVal()->document()->isEmpty());
    }

    // A response entry tells whether its report holds errors (tooltip and
    // colour), counted without holding the window; the rules' icons stay.
    void erroresDeRespuestas()
    {
        Ventana v;
        frmPreVal &w = v.ventana;
        const QString valRec = v.oficina.carpeta(QStringLiteral("val_rec"));
        creaArchivo(valRec, QStringLiteral("M0123001.err"),
                    "F3001234ABCD1234\r\nE3001234501001230501\r\nE3001234502001230502\r\n"
                    "A3001234503001230503\r\nE3001234504001230504\r\n");
        creaArchivo(valRec, QStringLiteral("M0123002.err"), "F3001235ABCD1234\r\n");
        v.envio().agrega({QStringLiteral("M0123003.045"), QStringLiteral("E"), QStringLiteral("2"), {}, {}});
        v.envio().agrega({QStringLiteral("M0123001.err"), QStringLiteral("R"), QStringLiteral("2"), {}, {}});
        v.envio().agrega({QStringLiteral("M0123002.err"), QStringLiteral("R"), QStringLiteral("2"), {}, {}});
        v.envio().agrega({QStringLiteral("k0123001.045"), QStringLiteral("K"), QStringLiteral("1"), {}, {}});
        v.programa.listaRecepcion().agrega({QStringLiteral("M0123001.045"),
                                            {},
                                            QStringLiteral("X"),
                                            {},
                                            {},
                                            {},
                                            {},
                                            QStringLiteral("M0123001.err"),
                                            {},
                                            {}});
        const QAbstractItemModel *envio = w.lvwPreVal(0)->model();
        const QAbstractItemModel *recepcion = w.lvwPreVal(1)->model();
        const auto tip = [](const QAbstractItemModel *m, int fila) {
            return m->index(fila, 0).data(Qt::ToolTipRole).toString();
        };
        QTRY_COMPARE(tip(envio, 1), QStringLiteral("4 errores (en rojo: con errores)"));
        QTRY_COMPARE(tip(envio, 2), QStringLiteral("Sin errores"));
        QTRY_COMPARE(tip(recepcion, 0), QStringLiteral("4 errores (en rojo: con errores)"));
        QCOMPARE(tip(envio, 0), QString()); // waiting to be sent
        QCOMPARE(tip(envio, 3), QString()); // shown unchanged: nothing to count
        QVERIFY(envio->index(1, 0).data(Qt::ForegroundRole).isValid());
        QVERIFY(!envio->index(2, 0).data(Qt::ForegroundRole).isValid());
        for (int fila = 0; fila < 4; ++fila)
            QVERIFY(!envio->index(fila, 0).data(Qt::DecorationRole).value<QIcon>().isNull());

        // A late file is drawn in another colour than a response with
        // errors; the titles' tooltip says what each colour means.
        static_cast<ModeloIconos *>(w.lvwPreVal(1)->model())
            ->marcaFilas({0}, QStringLiteral("Sin respuesta desde hace más de 30 minutos"));
        const auto color = [](const QAbstractItemModel *m, int fila) {
            return m->index(fila, 0).data(Qt::ForegroundRole).value<QBrush>().color();
        };
        QVERIFY(color(recepcion, 0) != color(envio, 1));
        QCOMPARE(tip(recepcion, 0),
                 QStringLiteral("Sin respuesta desde hace más de 30 minutos (en naranja: demorado)"));
        for (const QAbstractItemModel *m : {envio, recepcion}) {
            const QString leyenda = m->headerData(0, Qt::Horizontal, Qt::ToolTipRole).toString();
            QVERIFY2(leyenda.contains(QStringLiteral("En rojo")) && leyenda.contains(QStringLiteral("En naranja")),
                     qPrintable(leyenda));
        }
    }

    // The report box follows the current entry of the send list, moved by
    // the keys or by a change of the list; Enter on an agency file adds it.
    void reporteSigueLaSeleccion()
    {
        Ventana v;
        frmPreVal &w = v.ventana;
        creaArchivo(v.oficina.carpeta(QStringLiteral("val_rec")), QStringLiteral("k0123002.045"), "SEGUNDO ACUSE\r\n");
        v.envio().agrega({QStringLiteral("k0123001.045"), QStringLiteral("K"), QStringLiteral("1"), {}, {}});
        v.envio().agrega({QStringLiteral("k0123002.045"), QStringLiteral("K"), QStringLiteral("1"), {}, {}});
        QTreeView *lista = w.lvwPreVal(0);
        v.clic(lista, 0);
        QVERIFY(w.rtbPreVal()->texto().startsWith(QStringLiteral("LINEA UNO")));
        lista->setFocus();
        QTest::keyClick(lista, Qt::Key_Down);
        QCOMPARE(w.rtbPreVal()->texto(), QStringLiteral("SEGUNDO ACUSE\r\n"));
        QTest::keyClick(lista, Qt::Key_Up);
        QVERIFY(w.rtbPreVal()->texto().startsWith(QStringLiteral("LINEA UNO")));

        // Enter on the agency list: the file joins the send list.
        w.lvwArchivos()->setFocus();
        w.lvwArchivos()->setCurrentIndex(w.lvwArchivos()->model()->index(0, 0));
        QTest::keyClick(w.lvwArchivos(), Qt::Key_Return);
        QCOMPARE(v.envio().cuenta(), 3);
        QCOMPARE(v.envio().celda(2, ListaEnvio::Nombre), QStringLiteral("M0123001.045"));

        // The current entry leaves the list: the box follows the new one.
        v.envio().quita(0);
        QCOMPARE(w.rtbPreVal()->texto(), QStringLiteral("SEGUNDO ACUSE\r\n"));
        lista->setCurrentIndex(lista->model()->index(1, 0)); // a file not sent yet: no report
        QVERIFY(w.rtbPreVal()->document()->isEmpty());
    }

    // A large report loads without holding the window: it is built off the
    // window's thread and goes into the box in slices. Another selection
    // abandons it; a build that fails half-way shows the header and the
    // failure text.
    void reporteGrande()
    {
        Ventana v;
        frmPreVal &w = v.ventana;
        const QString valRec = v.oficina.carpeta(QStringLiteral("val_rec"));
        constexpr int kLineas = 20000;
        QByteArray grande;
        QByteArray malo;
        for (int i = 1; i <= kLineas; ++i) {
            grande += "E3001234501001230501\r\n";
            malo += i == 15000 ? "E30012345010012X0501\r\n" : "E3001234501001230501\r\n";
        }
        creaArchivo(valRec, QStringLiteral("M0123001.err"), grande);
        creaArchivo(valRec, QStringLiteral("M0123002.err"), malo);
        v.envio().agrega({QStringLiteral("M0123001.err"), QStringLiteral("R"), QStringLiteral("2"), {}, {}});
        v.envio().agrega({QStringLiteral("M0123002.err"), QStringLiteral("R"), QStringLiteral("2"), {}, {}});
        v.envio().agrega({QStringLiteral("k0123001.045"), QStringLiteral("K"), QStringLiteral("1"), {}, {}});
        QTreeView *lista = w.lvwPreVal(0);
        const auto cargando = [&] {
            return v.principal.cargandoReporte() || w.rtbPreVal()->cargando();
        };
        int pulsos = 0;
        QTimer pulso;
        connect(&pulso, &QTimer::timeout, [&] { ++pulsos; });
        pulso.start(5);

        v.clic(lista, 0);
        QVERIFY(cargando());
        const int antes = pulsos;
        QTRY_VERIFY_WITH_TIMEOUT(!cargando(), 60000);
        QVERIFY(pulsos > antes); // the window's loop ran while it loaded
        const QString texto = w.rtbPreVal()->texto();
        QVERIFY(texto.startsWith(QStringLiteral("Programa de Tendal  -  Revisión Archivo: M0123001.ERR")));
        QCOMPARE(texto.count(QStringLiteral("Pedimento: 3001234    Error")), kLineas);

        v.clic(lista, 1);
        QVERIFY(cargando());
        v.clic(lista, 2); // shown at once
        QVERIFY(!cargando());
        // Every worker done and what they posted delivered: the abandoned
        // report, had it not been abandoned, would be in the box now.
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        QCOMPARE(w.rtbPreVal()->texto(),
                 QStringLiteral("LINEA UNO DEL ACUSE\r\nLINEA DOS DEL ACUSE\r\nLINEA TRES DEL ACUSE\r\n"));

        v.clic(lista, 1);
        QTRY_VERIFY_WITH_TIMEOUT(!cargando(), 60000);
        const QString fallo = w.rtbPreVal()->texto();
        QVERIFY(fallo.startsWith(QStringLiteral("Programa de Tendal  -  Revisión Archivo: M0123002.ERR")));
        QVERIFY(fallo.contains(QStringLiteral("en la línea 15000:")));
        QCOMPARE(fallo.count(u'\n'), 3);
    }

    // Printing wraps every line at the page width and loses no character;
    // no page number is added.
    void imprimeLineasLargas()
    {
        OMITE_SI_FALTA(QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()
                           ? QStringLiteral("pdftotext (poppler-utils) is not installed: scripts/setup installs it")
                           : QString());
        Ventana v;
        frmPreVal &w = v.ventana;
        QStringList palabras;
        for (int i = 0; i < 60; ++i)
            palabras << QStringLiteral("palabra%1").arg(i, 2, 10, QLatin1Char('0'));
        const QString corrido = QStringLiteral("SINESPACIOS") + QString(200, u'x') + QStringLiteral("FINAL");
        creaArchivo(v.oficina.carpeta(QStringLiteral("val_rec")), QStringLiteral("k0123003.045"),
                    (palabras.join(u' ') + QStringLiteral("\r\n") + corrido + QStringLiteral("\r\n")).toLatin1());
        v.envio().agrega({QStringLiteral("k0123003.045"), QStringLiteral("K"), QStringLiteral("1"), {}, {}});
        v.clic(w.lvwPreVal(0), 0);
        QTemporaryDir dir;
        const QString salida = dir.filePath(QStringLiteral("largo.pdf"));
        v.dialogos().impresiones << [&](QPrinter &impresora) {
            impresora.setOutputFormat(QPrinter::PdfFormat);
            impresora.setOutputFileName(salida);
            return true;
        };
        w.cmdImprime_Click();
        QProcess p;
        p.start(QStringLiteral("pdftotext"), {salida, QStringLiteral("-")});
        QVERIFY(p.waitForFinished(30000));
        const QString texto = QString::fromUtf8(p.readAllStandardOutput());
        for (const QString &palabra : std::as_const(palabras))
            QVERIFY2(texto.contains(palabra), qPrintable(palabra + QStringLiteral(" falta en:\n") + texto));
        QString sinSaltos = texto;
        sinSaltos.remove(u'\n');
        QVERIFY2(sinSaltos.contains(corrido), qPrintable(texto));
        const QStringList lineas = texto.split(u'\n');
        QVERIFY2(!lineas.contains(QStringLiteral("1")), qPrintable(texto));
    }

    // The report box shows control characters visibly and never as markup.
    void cuadroReporte()
    {
        CuadroReporte c;
        c.vacia();
        c.ponTexto(QStringLiteral("<b>uno</b>\r\n"));
        c.agregaTexto(QStringLiteral("dos") + QChar(0) + QStringLiteral("tres\rcuatro\nfin"));
        c.termina();
        QCOMPARE(c.toPlainText(),
                 QStringLiteral("<b>uno</b>\ndos") + QChar(0x2400) + QStringLiteral("tres\ncuatro\nfin"));
        // A failure after pieces of the body: header and failure text only.
        c.vacia();
        c.ponTexto(QStringLiteral("<b>uno</b>\r\n"));
        c.agregaTexto(QStringLiteral("dos\r\n"));
        c.agregaTexto(QStringLiteral("cinco\r\n"));
        c.falla(QStringLiteral("No se pudo leer\r\n"));
        c.termina();
        QCOMPARE(c.texto(), QStringLiteral("<b>uno</b>\r\nNo se pudo leer\r\n"));
        c.vacia();
        QVERIFY(c.document()->isEmpty());

        // A long report goes in by slices, which never split a CR LF, even
        // in lines longer than a slice's piece; emptying the box ends a load.
        QString largo;
        for (int n : {16383, 16383, 16384, 16385, 40000})
            largo += QString(n, u'x') + QStringLiteral("\r\n");
        for (int i = 0; i < 20000; ++i)
            largo += QStringLiteral("línea %1\r\n").arg(i);
        c.ponTexto(QStringLiteral("H\r\n"));
        c.agregaTexto(largo);
        c.termina();
        QVERIFY(c.cargando());
        QSignalSpy cargado(&c, &CuadroReporte::cargado);
        QVERIFY(cargado.wait());
        QCOMPARE(c.texto(), QStringLiteral("H\r\n") + largo);
        QCOMPARE(c.document()->blockCount(), 1 + 5 + 20000 + 1);
        c.vacia();
        c.ponTexto(QStringLiteral("H\r\n"));
        c.agregaTexto(largo);
        c.termina();
        c.vacia();
        QVERIFY(!c.cargando());
        // The parts are added by a zero timer: two turns of the loop would
        // run it had it not stopped.
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        QVERIFY(c.document()->isEmpty());
    }

    void imprime()
    {
        OMITE_SI_FALTA(QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()
                           ? QStringLiteral("pdftotext (poppler-utils) is not installed: scripts/setup installs it")
                           : QString());
        Ventana v;
        frmPreVal &w = v.ventana;
        QTemporaryDir dir;
        QString salida;
        const int &dialogos = v.dialogos().impresionesPedidas;
        const auto aPdf = [&](QPrinter &impresora) {
            impresora.setOutputFormat(QPrinter::PdfFormat);
            impresora.setOutputFileName(salida);
            return true;
        };
        v.dialogos().impresiones << aPdf << aPdf;

        // Nothing to print: no dialog.
        w.cmdImprime_Click();
        QCOMPARE(dialogos, 0);

        v.envio().agrega({QStringLiteral("k0123001.045"), QStringLiteral("K"), QStringLiteral("1"), {}, {}});
        v.clic(w.lvwPreVal(0), 0);

        salida = dir.filePath(QStringLiteral("completo.pdf"));
        QTest::mouseClick(w.cmdImprime(), Qt::LeftButton);
        QCOMPARE(dialogos, 1);
        QString texto = textoPdf(salida);
        QVERIFY2(texto.contains(QStringLiteral("LINEA UNO DEL ACUSE")), qPrintable(texto));
        QVERIFY(texto.contains(QStringLiteral("LINEA TRES DEL ACUSE")));

        // Only the selection.
        QTextCursor cursor(w.rtbPreVal()->document());
        cursor.movePosition(QTextCursor::NextBlock);
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        w.rtbPreVal()->setTextCursor(cursor);
        salida = dir.filePath(QStringLiteral("seleccion.pdf"));
        w.cmdImprime_Click();
        texto = textoPdf(salida);
        QVERIFY2(texto.contains(QStringLiteral("LINEA DOS DEL ACUSE")), qPrintable(texto));
        QVERIFY(!texto.contains(QStringLiteral("LINEA UNO")));
        QVERIFY(!texto.contains(QStringLiteral("LINEA TRES")));

        // A cancelled dialog prints nothing; a printer that fails ends quietly.
        salida = dir.filePath(QStringLiteral("cancelado.pdf"));
        v.dialogos().impresiones << [](QPrinter &) {
            return false;
        };
        w.cmdImprime_Click();
        QVERIFY(!QFile::exists(salida));
        v.dialogos().impresiones << [&](QPrinter &impresora) {
            impresora.setOutputFormat(QPrinter::PdfFormat);
            impresora.setOutputFileName(dir.filePath(QStringLiteral("no/existe/x.pdf")));
            return true;
        };
        QTest::ignoreMessage(QtWarningMsg, "QPainter::begin(): Returned false");
        w.cmdImprime_Click();
        QVERIFY(v.dialogos().mensajes.isEmpty());
        QVERIFY(w.rtbPreVal()->texto().startsWith(QStringLiteral("LINEA UNO")));
    }
};

QTEST_MAIN(PruebafrmPreVal)
#include "PruebafrmPreVal.moc"
