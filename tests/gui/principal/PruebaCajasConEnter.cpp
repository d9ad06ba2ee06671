// The boxes of the main window closed with Enter, on a real display with a
// window manager, as a clerk closes them: the key goes down while the box
// is up and comes up once the box has gone and the main window has the
// focus again. That late release must do nothing in the main window (it
// used to add the agency file again: the same box for ever, or a sent
// payment file back in the send list).
//
// The program starts an X server and openbox of its own and runs itself on
// them; xdotool types the keys through the X server.
#include "core/principal/ComandosBarra.h"
#include "core/principal/Principal.h"
#include "core/recepcion/CicloRecepcion.h"
#include "gui/comun/DialogosVentana.h"
#include "gui/principal/frmPreVal.h"
#include "tests/soporte/ArchivoPrueba.h"
#include "tests/soporte/Oficina.h"
#include "tests/soporte/PantallaX.h"
#include "tests/soporte/ServidorFtp.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <cstdio>

namespace {

// Types keys through the X server, as the keyboard does.
bool xdotool(const QStringList &argumentos)
{
    return QProcess::execute(QStringLiteral("xdotool"), argumentos) == 0;
}

// The person at the keyboard: every message box that comes up active is
// closed with Enter, the key released only once the box has gone and the
// main window is active again. After a few boxes in a row, Escape ends a
// loop of boxes, so that a fault shows as a count instead of a hang.
class Respondedor : public QObject
{
public:
    explicit Respondedor(QWidget &principal)
        : m_principal(principal)
    {
        qApp->installEventFilter(this);
        m_reloj.setInterval(10);
        connect(&m_reloj, &QTimer::timeout, this, &Respondedor::mira);
        m_reloj.start();
    }

    QStringList cajas; // the text of every box closed, in order
    // Nothing is pending: no box is up, and the last key is up and was seen.
    bool enReposo() const { return m_estado == Estado::Espera && !QApplication::activeModalWidget(); }

protected:
    bool eventFilter(QObject *objeto, QEvent *evento) override
    {
        if (evento->type() == QEvent::KeyRelease && objeto->isWidgetType()) {
            const auto *tecla = static_cast<QKeyEvent *>(evento);
            if (tecla->key() == Qt::Key_Return && !tecla->isAutoRepeat())
                ++m_sueltas;
        }
        return false;
    }

private:
    enum class Estado { Espera, Cierre, Suelta };
    static constexpr int kMaximo = 3;

    void mira()
    {
        switch (m_estado) {
        case Estado::Espera: {
            auto *caja = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!caja || !caja->isActiveWindow())
                return;
            cajas << caja->text();
            if (cajas.size() > kMaximo) {
                xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
                return;
            }
            m_sueltasAntes = m_sueltas;
            xdotool({QStringLiteral("keydown"), QStringLiteral("Return")});
            m_estado = Estado::Cierre;
            return;
        }
        case Estado::Cierre:
            if (QApplication::activeModalWidget() || QApplication::activeWindow() != &m_principal)
                return;
            xdotool({QStringLiteral("keyup"), QStringLiteral("Return")});
            m_estado = Estado::Suelta;
            return;
        case Estado::Suelta:
            // The release reached the window; whatever it did is done by now.
            if (m_sueltas > m_sueltasAntes)
                m_estado = Estado::Espera;
            return;
        }
    }

    QWidget &m_principal;
    QTimer m_reloj;
    Estado m_estado = Estado::Espera;
    int m_sueltas = 0;
    int m_sueltasAntes = 0;
};

// The office of patente 123 with real message boxes, pointed at a real FTP
// server with nothing to collect.
struct Escritorio {
    Oficina oficina;
    ServidorFtp servidor;
    DialogosVentana dialogos;
    std::unique_ptr<Programa> programa;
    std::unique_ptr<CicloRecepcion> ciclo;
    std::unique_ptr<ComandosBarra> comandos;
    std::unique_ptr<Principal> principal;
    std::unique_ptr<frmPreVal> ventana;

    Escritorio()
    {
        const QString envio = oficina.carpeta(QStringLiteral("val_env"));
        for (const char *n : {"M0123001.045", "M0123002.045", "M0123003.045"})
            creaArchivo(envio, QString::fromLatin1(n));
        servidor.apunta(oficina);
        programa = std::make_unique<Programa>(Carpetas(oficina.trabajo(), oficina.ini()), oficina.reloj, dialogos,
                                              oficina.limitesFtp);
        programa->carga();
        ciclo = std::make_unique<CicloRecepcion>(*programa);
        comandos = std::make_unique<ComandosBarra>(*programa, *ciclo);
        principal = std::make_unique<Principal>(*programa, *ciclo);
        ventana = std::make_unique<frmPreVal>(*programa, *principal, *comandos);
    }
    ~Escritorio()
    {
        ventana.reset();
        principal.reset();
        comandos.reset();
        ciclo.reset();
    }

    QStringList nombres(ListaArchivos &lista) const
    {
        QStringList n;
        for (int i = 0; i < lista.cuenta(); ++i)
            n << lista.celda(i, 0);
        return n;
    }
    QStringList envio() const { return nombres(programa->listaEnvio()); }
    QStringList recepcion() const { return nombres(programa->listaRecepcion()); }
};

} // namespace

class PruebaCajasConEnter : public QObject
{
    Q_OBJECT

private slots:
    void cierraConEnter_data()
    {
        QTest::addColumn<QString>("caso");
        QTest::addColumn<QString>("caja");
        QTest::newRow("ya en la lista") << "agencia"
                                        << "El archivo ya esta en la lista de envío!!!";
        QTest::newRow("nombre desconocido") << "nombre"
                                            << "El archivo juliano no existe en las rutas configuradas.";
        QTest::newRow("quitar: No") << "quitar"
                                    << "¿Deseas eliminar el archivo M0123001.045 de la lista de envío?";
        QTest::newRow("detener: No") << "detener"
                                     << "¿Deseas detener la recepción de archivos en proceso?";
    }
    // Each box closed with Enter leaves both lists as they were, and comes
    // up once.
    void cierraConEnter()
    {
        QFETCH(QString, caso);
        QFETCH(QString, caja);
        Escritorio e;
        frmPreVal &w = *e.ventana;
        // M0123001.045 waits to be sent; M0123002.045 was sent and awaits
        // its responses.
        e.programa->listaEnvio().agrega(
            {QStringLiteral("M0123001.045"), QStringLiteral("E"), QStringLiteral("2"), {}, {}});
        e.programa->listaRecepcion().agrega(
            {QStringLiteral("M0123002.045"), {}, {}, QStringLiteral("10:31"), {}, {}, {}, {}, {}, {}});
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        const QStringList envio = e.envio();
        const QStringList recepcion = e.recepcion();
        Respondedor persona(w);

        QListView *agencia = w.lvwArchivos();
        if (caso == u"agencia") {
            // Enter on a file that is in the send list already.
            agencia->setFocus();
            agencia->setCurrentIndex(agencia->model()->index(0, 0));
            QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("Return")}));
        } else if (caso == u"nombre") {
            w.txtPreval()->setFocus();
            QVERIFY(xdotool({QStringLiteral("type"), QStringLiteral("M0123999.045")}));
            QTRY_COMPARE(w.txtPreval()->text(), QStringLiteral("M0123999.045"));
            QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("Return")}));
        } else if (caso == u"quitar") {
            w.lvwPreVal(0)->setCurrentIndex(w.lvwPreVal(0)->model()->index(0, 0));
            w.cmdPreVal()->setFocus();
            QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("Return")}));
        } else {
            // Detener with the agency list's file M0123002.045 chosen: the
            // file already sent, which a late Enter would queue again.
            e.ciclo->habilita();
            agencia->setFocus();
            agencia->setCurrentIndex(agencia->model()->index(1, 0));
            QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("ctrl+d")}));
        }
        QTRY_VERIFY_WITH_TIMEOUT(!persona.cajas.isEmpty() && persona.enReposo(), 30000);
        QCOMPARE(persona.cajas.size(), 1);
        QVERIFY2(persona.cajas.first().startsWith(caja), qPrintable(persona.cajas.first()));
        QCOMPARE(e.envio(), envio);
        QCOMPARE(e.recepcion(), recepcion);
    }
};

int main(int argc, char **argv)
{
    if (!PantallaX::enPantallaPropia()) {
        QCoreApplication app(argc, argv);
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()
            || QStandardPaths::findExecutable(QStringLiteral("openbox")).isEmpty()) {
            std::fprintf(stderr, "Faltan xdotool u openbox: scripts/setup los instala\n");
            return 1;
        }
        PantallaX pantalla;
        if (pantalla.display().isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(pantalla.error()));
            return 1;
        }
        return pantalla.ejecuta(QCoreApplication::applicationFilePath(), app.arguments().mid(1));
    }
    QApplication app(argc, argv);
    PruebaCajasConEnter prueba;
    return QTest::qExec(&prueba, argc, argv);
}

#include "PruebaCajasConEnter.moc"
