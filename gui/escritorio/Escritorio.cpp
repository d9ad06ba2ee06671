#include "gui/escritorio/Escritorio.h"
#include "gui/escritorio/Apagado.h"

#include "core/boletines/Boletines.h"
#include "gui/boletines/TiraBoletin.h"
#include "gui/boletines/frmPrincipal.h"
#include "core/catalogo/ActualizacionCatalogo.h"
#include "core/catalogo/RevisionCatalogo.h"
#include "gui/catalogo/frmActCatErr.h"
#include "core/configuracion/Parametros.h"
#include "core/configuracion/SolicitaPassword.h"
#include "gui/configuracion/frmParametros.h"
#include "core/base/Carpetas.h"
#include "core/base/ErrorTendal.h"
#include "core/oficina/Programa.h"
#include "core/base/Reloj.h"
#include "core/recepcion/CicloRecepcion.h"
#include "gui/comun/DialogosVentana.h"
#include "core/principal/Principal.h"
#include "gui/principal/frmPreVal.h"
#include "core/envio/CambioPassword.h"
#include "core/principal/ComandosBarra.h"
#include "gui/envio/frmCambPassword.h"
#include "gui/historial/frmHistorial.h"

#include <QAbstractButton>
#include <QCoro/QCoroTask>
#include <QApplication>
#include <QLibraryInfo>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSettings>
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
    Principal principal(programa, ciclo);

    frmParametros ventanaParametros(programa, parametros);
    frmPreVal ventana(programa, principal, comandos);

    ventana.sigueCiclo(ciclo);
    QObject::connect(&comandos, &ComandosBarra::parametrosPedidos, &ventanaParametros, &frmParametros::muestra);
    // The history window (tool bar "historial", not modal).
    frmHistorial ventanaHistorial(programa, &ventana);
    QObject::connect(&comandos, &ComandosBarra::historialPedido, &ventanaHistorial, &frmHistorial::muestra);

    // The catalogue update window (tool bar "caterr", not modal) and the
    // version check, armed once: 2 s after start a newer catalogue is offered.
    ActualizacionCatalogo actualizacion(programa);
    frmActCatErr ventanaActualizacion(actualizacion, &ventana);
    const auto muestraActualizacion = [&] {
        ventanaActualizacion.show();
        ventanaActualizacion.raise();
        ventanaActualizacion.activateWindow();
    };
    QObject::connect(&comandos, &ComandosBarra::actualizacionPedida, &ventanaActualizacion, muestraActualizacion);
    RevisionCatalogo revision(programa, actualizacion);
    QObject::connect(&revision, &RevisionCatalogo::actualizacionAceptada, &ventanaActualizacion, muestraActualizacion);
    QObject::connect(&comandos, &ComandosBarra::salidaConfirmada, &ventana, [&] {
        ventana.termina();
        QCoreApplication::exit(0);
    });

    // The bulletins of every send: the hidden bulletin window and the strip
    // of the main window, both on the ticker's state.
    frmPrincipal ventanaBoletines(comandos.boletines().estado());
    ventana.addToolBar(Qt::BottomToolBarArea, new TiraBoletin(comandos.boletines().estado(), &ventana));

    // The payment password: its change and its recovery request, from the
    // configuration window (one at a time on eftpPrincipal).
    CambioPassword cambioPassword(programa);
    frmCambPassword ventanaCambio(cambioPassword, &ventanaParametros);
    QObject::connect(&ventanaCambio, &frmCambPassword::cambioTerminado, &ventanaParametros, [&](bool cambiado) {
        if (cambiado)
            ventanaParametros.avisa(QStringLiteral("Contraseña de pago cambiada"));
    });
    SolicitaPassword solicitud(programa);
    QObject::connect(&parametros, &Parametros::cambioPasswordPedido, &ventanaCambio, [&] {
        if (!solicitud.enCurso())
            ventanaCambio.open();
    });
    QObject::connect(&parametros, &Parametros::solicitudPasswordPedida, &parametros, [&] {
        if (!ventanaCambio.enCurso())
            solicitud.inicia();
    });

    // The main window's size, position and splitters, beside the start-up
    // file (normally the user's own ~/.config/tendal).
    QSettings ajustes(QFileInfo(programa.carpetas().ini()).dir().filePath(QStringLiteral("ventanas.ini")),
                      QSettings::IniFormat);
    ventana.restauraGeometria(ajustes);
    ventana.show();
    revision.arma();
    // On a database opened read only the lists and the reports are shown,
    // and nothing is fetched that could not be recorded.
    if (programa.conexion().soloLectura())
        dialogos.aviso(programa.conexion().errorSoloLectura().descripcion());
    else if (programa.listaRecepcion().cuenta() > 0)
        ciclo.habilita();
    const int salida = app.exec();
    ventana.guardaGeometria(ajustes);
    // Every piece of work still running ends before its objects go.
    QCoro::waitFor(Apagado(comandos, ciclo, actualizacion, revision, principal).termina());
    return salida;
}

} // namespace Escritorio
