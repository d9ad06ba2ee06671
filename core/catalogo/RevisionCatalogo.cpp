#include "core/catalogo/RevisionCatalogo.h"

#include "core/base/Ocupacion.h"
#include "core/base/TareaSuelta.h"
#include "core/catalogo/ActualizacionCatalogo.h"
#include "core/base/Dialogos.h"
#include "core/base/ErrorTendal.h"
#include "core/base/Funciones.h"
#include "core/oficina/Programa.h"
#include "core/servidor/SesionFtp.h"
#include "core/base/Vb.h"
#include "core/servidor/ReporteConexion.h"

#include <QCoreApplication>
#include <QCoro/QCoroSignal>
#include <QDir>
#include <QFileInfo>

RevisionCatalogo::RevisionCatalogo(Programa &programa, ActualizacionCatalogo &actualizacion, QObject *parent)
    : QObject(parent)
    , m_programa(programa)
    , m_actualizacion(actualizacion)
{
    m_temporizador.setInterval(2000);
    m_temporizador.setTimerType(Qt::PreciseTimer);
    connect(&m_temporizador, &QTimer::timeout, this, &RevisionCatalogo::alDisparar);
}

RevisionCatalogo::~RevisionCatalogo() = default;

void RevisionCatalogo::arma()
{
    m_temporizador.start();
}

QCoro::Task<> RevisionCatalogo::termina()
{
    m_temporizador.stop();
    if (!m_enCurso)
        co_return;
    // Its failures are silent: the session cut short ends it at once.
    co_await m_programa.eftpPrincipal.interrumpe();
    while (m_enCurso)
        co_await qCoro(this, &RevisionCatalogo::revisionTerminada);
}

void RevisionCatalogo::alDisparar()
{
    m_temporizador.stop();
    TareaSuelta::inicia(QStringLiteral("la revisión del catálogo de errores"), Revisa_Catalogo(),
                        m_programa.dialogos());
}

QCoro::Task<> RevisionCatalogo::Revisa_Catalogo()
{
    if (m_enCurso)
        co_return;
    // Cleared on every way out of the check, which then tells it ended.
    const Ocupacion enCurso(m_enCurso, [this](bool ocupado) {
        if (!ocupado)
            emit revisionTerminada();
    });
    ControlFtp &ftp = m_programa.eftpPrincipal;
    const QString archivo = ActualizacionCatalogo::archivoVersionCatalogo();
    const QString local = QDir(m_programa.carpetas().trabajo()).filePath(archivo);
    try {
        co_await SesionFtp::Conecta_FTP(ftp, true, m_programa);
        Funciones::Borra_Archivo(local);
        co_await SesionFtp::Recibe_Archivo(ftp, m_programa.carpetas().trabajo(), m_programa.valores().yex_update,
                                           archivo);
        // eftpPrincipal is shared with the bulletins and the password windows:
        // its session ends here, not after the question and the update run.
        co_await SesionFtp::Desconecta_FTP(ftp);
        if (QFileInfo(local).isFile()) {
            const QString linea = ActualizacionCatalogo::primeraLinea(local);
            Funciones::Borra_Archivo(local);
            const qint32 publicada = Vb::largo(ActualizacionCatalogo::versionTexto(linea));
            if (publicada > m_programa.parametros().entero(QStringLiteral("vererr"))) {
                const auto respuesta = m_programa.dialogos().mensaje(
                    QStringLiteral(
                        "Existe una versión actualizada del catálogo de errores, ¿Deseas descargar la actualización?"),
                    Dialogos::nombreProducto(), Dialogos::Icono::Informacion, Dialogos::Botones::SiNo);
                if (respuesta == Dialogos::Respuesta::Si) {
                    emit actualizacionAceptada();
                    co_await m_actualizacion.Movimientos(QStringLiteral("recibir"));
                    // An update that failed has said why; it is not announced as done.
                    const bool actualizado = !m_actualizacion.terminoConError();
                    QCoreApplication::processEvents();
                    co_await m_actualizacion.Movimientos(QStringLiteral("salir"));
                    if (actualizado)
                        m_programa.dialogos().mensaje(QStringLiteral("Catálogo de errores actualizado correctamente"),
                                                      Dialogos::nombreProducto(), Dialogos::Icono::Ninguno,
                                                      Dialogos::Botones::Aceptar);
                }
            }
            Funciones::Borra_Archivo(local);
        }
    } catch (const ErrorTendal &e) {
        ReporteConexion::reporta(ReporteConexion::Llamador::RevisionCatalogo, e, m_programa);
    }
    try {
        Funciones::Borra_Archivo(local);
    } catch (const ErrorTendal &) {
    }
    try {
        co_await SesionFtp::Desconecta_FTP(ftp);
    } catch (const ErrorTendal &) {
    }
}
