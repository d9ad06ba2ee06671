#include "app/Escritorio.h"

#include "bulletins/Boletines.h"
#include "bulletins/TiraBoletin.h"
#include "bulletins/frmPrincipal.h"
#include "catalog/ActualizacionCatalogo.h"
#include "catalog/RevisionCatalogo.h"
#include "catalog/frmActCatErr.h"
#include "config/Parametros.h"
#include "config/SolicitaPassword.h"
#include "config/frmParametros.h"
#include "core/Carpetas.h"
#include "core/ErrorTendal.h"
#include "core/Programa.h"
#include "core/Reloj.h"
#include "mainwindow/CicloRecepcion.h"
#include "mainwindow/DialogosVentana.h"
#include "mainwindow/PreVal.h"
#include "mainwindow/frmPreVal.h"
#include "transfer/CambioPassword.h"
#include "transfer/ComandosBarra.h"
#include "transfer/frmCambPassword.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTextStream>
#include <QTranslator>

namespace {

QString valorOpcion(const QStringList &args, const QString &nombre)
{
    const qsizetype i = args.indexOf(nombre);
    return i >= 0 && i + 1 < args.size() ? args.at(i + 1) : QString();
}

// Qt's own dialogs (folders, printing) in Spanish when the translation is installed.
void traduceQt(QApplication &app)
{
    auto *traductor = new QTranslator(&app);
    if (traductor->load(QLocale(QLocale::Spanish), QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(traductor);
}

} // namespace

namespace Escritorio {

int ejecuta(QApplication &app, const QStringList &args)
{
    DialogosVentana dialogos;
    return ejecuta(app, args, dialogos);
}

int ejecuta(QApplication &app, const QStringList &args, Dialogos &dialogos)
{
    traduceQt(app);
    RelojSistema reloj;
    Programa programa(
        Carpetas::resuelve(valorOpcion(args, QStringLiteral("--ini")), valorOpcion(args, QStringLiteral("--workdir"))),
        reloj, dialogos);
    try {
        programa.carga();
    } catch (const ErrorTendal &e) {
        QTextStream(stderr) << e.descripcion() << Qt::endl;
        dialogos.error(e.descripcion());
        return 1;
    }

    CicloRecepcion ciclo(programa);
    ComandosBarra comandos(programa, ciclo);
    Parametros parametros(programa);
    PreVal preVal(programa, ciclo);

    frmParametros ventanaParametros(programa, parametros);
    frmPreVal ventana(programa, preVal, comandos);

    QObject::connect(&ciclo, &CicloRecepcion::habilitaCmdPreVal, ventana.cmdPreVal(),
                     [&] { ventana.cmdPreVal()->setEnabled(true); });
    comandos.muestraParametros = [&] {
        ventanaParametros.muestra();
    };

    // The catalogue update window (tool bar "caterr", not modal) and the
    // version check, armed once: 2 s after start a newer catalogue is offered.
    ActualizacionCatalogo actualizacion(programa);
    frmActCatErr ventanaActualizacion(actualizacion, &ventana);
    const auto muestraActualizacion = [&] {
        ventanaActualizacion.show();
        ventanaActualizacion.raise();
        ventanaActualizacion.activateWindow();
    };
    comandos.muestraActualizacion = muestraActualizacion;
    RevisionCatalogo revision(programa, actualizacion);
    revision.muestraVentana = muestraActualizacion;
    comandos.termina = [&] {
        ventana.termina();
        QCoreApplication::exit(0);
    };

    // The bulletins of every send: the hidden bulletin window and the strip
    // of the main window, both on the ticker's state.
    frmPrincipal ventanaBoletines(comandos.boletines().estado());
    ventana.addToolBar(Qt::BottomToolBarArea, new TiraBoletin(comandos.boletines().estado(), &ventana));

    // The payment password: its change and its recovery request, from the
    // configuration window (one at a time on eftpPrincipal).
    CambioPassword cambioPassword(programa);
    frmCambPassword ventanaCambio(cambioPassword, &ventanaParametros);
    SolicitaPassword solicitud(programa);
    parametros.cambiaPassword = [&] {
        if (!solicitud.enCurso())
            ventanaCambio.open();
    };
    parametros.solicitaPassword = [&] {
        if (!ventanaCambio.enCurso())
            solicitud.Solicita_Password();
    };

    ventana.show();
    revision.arma();
    if (programa.listaRecepcion().cuenta() > 0)
        ciclo.habilita();
    return app.exec();
}

} // namespace Escritorio
