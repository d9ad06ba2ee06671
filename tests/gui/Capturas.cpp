// Draws the windows as the documentation shows them, from the desktop
// program itself: the main window after start-up with files listed and a
// report shown, the configuration window in edit mode, and the history with
// a response's report. Run by
// scripts/capturas on an office made by `tendal init`:
//   tendal_capturas --ini FILE --workdir DIR --salida DIR
// Messages go to stderr instead of boxes, so that nothing waits for a person.
#include "gui/escritorio/Escritorio.h"
#include "gui/configuracion/frmParametros.h"
#include "gui/historial/frmHistorial.h"
#include "cli/DialogosConsola.h"
#include "gui/principal/frmPreVal.h"
#include "gui/comun/Ubicacion.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QTabWidget>
#include <QTextStream>
#include <QTimer>
#include <QTreeView>

namespace {

template<typename T> T *ventana()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *t = qobject_cast<T *>(w))
            return t;
    return nullptr;
}

void espera(int ms)
{
    QEventLoop bucle;
    QTimer::singleShot(ms, &bucle, &QEventLoop::quit);
    bucle.exec();
}

bool guarda(QWidget &w, const QString &ruta)
{
    espera(400);
    return w.grab().save(ruta);
}

// The main window with the last response of the send list shown, then the
// configuration window in edit mode on each tab.
int captura(const QString &salida)
{
    frmPreVal *principal = ventana<frmPreVal>();
    frmParametros *parametros = ventana<frmParametros>();
    if (!principal || !parametros)
        return 2;
    // As large as the screen lets it be (at 200% the window opens smaller).
    principal->resize(1366, 740);
    Ubicacion::ajustaAPantalla(*principal);
    QTreeView *envio = principal->lvwPreVal(0);
    const QModelIndex respuesta = envio->model()->index(envio->model()->rowCount() - 1, 0);
    envio->setCurrentIndex(respuesta);
    emit envio->clicked(respuesta);
    if (!guarda(*principal, QDir(salida).filePath(QStringLiteral("ventana-principal.png"))))
        return 3;

    parametros->muestra();
    parametros->boton(1)->trigger(); // Modificar
    if (!guarda(*parametros, QDir(salida).filePath(QStringLiteral("configuracion-generales.png"))))
        return 3;
    parametros->sstParametros()->setCurrentIndex(1);
    if (!guarda(*parametros, QDir(salida).filePath(QStringLiteral("configuracion-directorios.png"))))
        return 3;
    parametros->boton(5)->trigger(); // Cancelar

    frmHistorial *historial = principal->findChild<frmHistorial *>();
    if (!historial)
        return 2;
    historial->muestra();
    historial->resize(1100, 640);
    Ubicacion::ajustaAPantalla(*historial);
    QTreeView *lista = historial->lvwHistorial();
    lista->expandAll();
    // The last response of the first transmission that has one.
    for (int i = 0; i < lista->model()->rowCount(); ++i) {
        const QModelIndex fila = lista->model()->index(i, 0);
        if (const int hijos = lista->model()->rowCount(fila); hijos > 0) {
            const QModelIndex respuesta = lista->model()->index(hijos - 1, 0, fila);
            lista->setCurrentIndex(respuesta);
            historial->muestraReporte(respuesta);
            break;
        }
    }
    if (!guarda(*historial, QDir(salida).filePath(QStringLiteral("historial.png"))))
        return 3;
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const qsizetype i = args.indexOf(QStringLiteral("--salida"));
    const QString salida = i >= 0 && i + 1 < args.size() ? args.at(i + 1) : QStringLiteral(".");
    QTextStream err(stderr);
    DialogosConsola dialogos(err, false);
    QTimer::singleShot(0, &app, [&] { QCoreApplication::exit(captura(salida)); });
    return Escritorio::ejecuta(app, args, dialogos);
}
