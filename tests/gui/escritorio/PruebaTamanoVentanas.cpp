// Every window of the desktop program on a 1366x768 screen at 200 %
// (QT_SCALE_FACTOR=2), under a real X server and window manager: it opens
// whole inside the screen, its layout gets at least the room it needs, no
// label, button or list title is cut, and no tool bar button falls into the
// tool bar's overflow menu.
//
// The program starts an X server and openbox of its own and runs itself on
// them at that scale.
#include "core/catalogo/ActualizacionCatalogo.h"
#include "core/configuracion/Parametros.h"
#include "core/envio/CambioPassword.h"
#include "core/principal/ComandosBarra.h"
#include "core/principal/Principal.h"
#include "core/recepcion/CicloRecepcion.h"
#include "gui/catalogo/frmActCatErr.h"
#include "gui/comun/frmPassword.h"
#include "gui/configuracion/frmParametros.h"
#include "gui/envio/frmCambPassword.h"
#include "gui/historial/frmHistorial.h"
#include "gui/principal/frmPreVal.h"
#include "tests/soporte/Oficina.h"
#include "tests/soporte/PantallaX.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>
#include <QToolBar>
#include <QTreeView>
#include <QWindow>

#include <cstdio>

namespace {

QString nombre(const QWidget *w)
{
    QString n = QString::fromLatin1(w->metaObject()->className());
    if (!w->objectName().isEmpty())
        n += u' ' + w->objectName();
    if (const auto *l = qobject_cast<const QLabel *>(w))
        n += QStringLiteral(" «%1»").arg(l->text());
    if (const auto *b = qobject_cast<const QAbstractButton *>(w))
        n += QStringLiteral(" «%1»").arg(b->text());
    return n;
}

// The window's frame as the window system has it now. The widget's own
// frameGeometry() keeps the frame's margins it read first, which may be from
// before the window manager framed the window (none, or a 0x0 frame read
// while it did), and reads them again only when the window moves.
QRect marco(const QWidget &ventana)
{
    return ventana.windowHandle() ? ventana.windowHandle()->frameGeometry() : ventana.frameGeometry();
}

// What does not fit in the window as it is shown.
QStringList cortes(QWidget &ventana)
{
    QStringList fallos;
    const QRect pantalla = ventana.screen()->availableGeometry();
    // A logical pixel of leeway: at 200 % an odd number of the screen's
    // pixels rounds up.
    const QRect m = marco(ventana);
    if (!pantalla.adjusted(-1, -1, 1, 1).contains(m))
        fallos << QStringLiteral("la ventana (%1,%2 %3x%4) sale de la pantalla (%5x%6)")
                      .arg(m.x())
                      .arg(m.y())
                      .arg(m.width())
                      .arg(m.height())
                      .arg(pantalla.width())
                      .arg(pantalla.height());
    const QSize minimo = ventana.minimumSizeHint();
    if (ventana.width() < minimo.width() || ventana.height() < minimo.height())
        fallos << QStringLiteral("la ventana mide %1x%2 y necesita %3x%4")
                      .arg(ventana.width())
                      .arg(ventana.height())
                      .arg(minimo.width())
                      .arg(minimo.height());
    for (QWidget *w : ventana.findChildren<QWidget *>()) {
        if (!w->isVisible() || w->window() != &ventana)
            continue;
        if (qobject_cast<QLabel *>(w) || qobject_cast<QAbstractButton *>(w)) {
            const QSize necesita = w->minimumSizeHint();
            if (w->width() < necesita.width() || w->height() < necesita.height())
                fallos << QStringLiteral("%1 mide %2x%3 y necesita %4x%5")
                              .arg(nombre(w))
                              .arg(w->width())
                              .arg(w->height())
                              .arg(necesita.width())
                              .arg(necesita.height());
        }
        if (auto *barra = qobject_cast<QToolBar *>(w))
            for (QAction *a : barra->actions())
                if (a->isVisible() && !a->isSeparator() && !barra->widgetForAction(a)->isVisible())
                    fallos << QStringLiteral("el botón «%1» no cabe en la barra").arg(a->iconText());
        if (auto *cabecera = qobject_cast<QHeaderView *>(w))
            for (int i = 0; i < cabecera->count(); ++i)
                if (!cabecera->isSectionHidden(i) && cabecera->sectionResizeMode(i) == QHeaderView::Stretch
                    && cabecera->sectionSize(i) < cabecera->sectionSizeHint(i))
                    fallos << QStringLiteral("el título «%1» está cortado (%2 de %3)")
                                  .arg(cabecera->model()->headerData(i, cabecera->orientation()).toString())
                                  .arg(cabecera->sectionSize(i))
                                  .arg(cabecera->sectionSizeHint(i));
    }
    return fallos;
}

// Waits until the window manager has framed the window and it is laid out:
// its frame around its area.
bool mostrada(QWidget &ventana)
{
    if (!QTest::qWaitForWindowExposed(&ventana))
        return false;
    return QTest::qWaitFor(
        [&] {
            const QRect m = marco(ventana);
            return m.width() > ventana.width() && m.height() > ventana.height() && m.contains(ventana.geometry());
        },
        20000);
}

// The windows of one office, as the desktop program builds them (all but
// the bulletin window, which is never shown).
struct Escritorio {
    Oficina oficina;
    Programa &programa = oficina.carga();
    CicloRecepcion ciclo {programa};
    ComandosBarra comandos {programa, ciclo};
    Parametros parametros {programa};
    Principal principal {programa, ciclo};
    frmParametros ventanaParametros {programa, parametros};
    frmPreVal ventana {programa, principal, comandos};
    frmHistorial historial {programa, &ventana};
    ActualizacionCatalogo actualizacion {programa};
    frmActCatErr ventanaActualizacion {actualizacion, &ventana};
    CambioPassword cambio {programa};
    frmCambPassword ventanaCambio {cambio, &ventanaParametros};
    frmPassword clave;
};

} // namespace

class PruebaTamanoVentanas : public QObject
{
    Q_OBJECT

private slots:
    void alDoble()
    {
        QCOMPARE(qgetenv("QT_SCALE_FACTOR"), QByteArray("2"));
        QCOMPARE(QApplication::primaryScreen()->geometry().size(), QSize(683, 384));
        Escritorio e;
        // The main window with entries in both lists: their counts follow their titles.
        e.programa.listaRecepcion().agrega(
            {QStringLiteral("M0123002.045"), {}, {}, QStringLiteral("10:31 a. m."), {}, {}, {}, {}, {}, {}});
        const auto revisa = [](QWidget &ventana) {
            QVERIFY2(mostrada(ventana), qPrintable(nombre(&ventana)));
            // Once the window has laid itself out (a tool bar settles what
            // it shows on the next layout pass).
            (void)QTest::qWaitFor([&] { return cortes(ventana).isEmpty(); }, 2000);
            const QStringList fallos = cortes(ventana);
            QVERIFY2(fallos.isEmpty(), qPrintable(nombre(&ventana) + QStringLiteral(": ") + fallos.join(u"; ")));
        };
        e.ventana.show();
        revisa(e.ventana);
        e.historial.muestra();
        revisa(e.historial);
        e.historial.hide();
        e.ventanaActualizacion.show();
        revisa(e.ventanaActualizacion);
        e.ventanaActualizacion.hide();
        e.ventanaParametros.muestra();
        revisa(e.ventanaParametros);
        // In edit mode the tool bar shows Guardar and Cancelar instead.
        e.parametros.Ejecuta_Accion(QStringLiteral("modificar"));
        QVERIFY(e.parametros.camposHabilitados());
        revisa(e.ventanaParametros);
        e.ventanaCambio.show();
        revisa(e.ventanaCambio);
        e.ventanaCambio.hide();
        e.parametros.Ejecuta_Accion(QStringLiteral("cancelar"));
        e.ventanaParametros.hide();
        e.clave.show();
        revisa(e.clave);
        e.clave.hide();
    }
};

int main(int argc, char **argv)
{
    if (!PantallaX::enPantallaPropia()) {
        QCoreApplication app(argc, argv);
        if (QStandardPaths::findExecutable(QStringLiteral("openbox")).isEmpty()) {
            std::fprintf(stderr, "Falta openbox: scripts/setup lo instala\n");
            return 1;
        }
        PantallaX pantalla(1366, 768);
        if (pantalla.display().isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(pantalla.error()));
            return 1;
        }
        return pantalla.ejecuta(QCoreApplication::applicationFilePath(), app.arguments().mid(1),
                                {{QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("2")}});
    }
    QApplication app(argc, argv);
    PruebaTamanoVentanas prueba;
    return QTest::qExec(&prueba, argc, argv);
}

#include "PruebaTamanoVentanas.moc"
