#include "core/principal/ComandosBarra.h"

#include "core/base/Ocupacion.h"
#include "core/base/TareaSuelta.h"
#include "core/boletines/Boletines.h"
#include "core/base/Dialogos.h"
#include "core/base/ErrorTendal.h"
#include "core/oficina/Programa.h"
#include "core/servidor/SesionFtp.h"
#include "core/recepcion/CicloRecepcion.h"
#include "core/envio/EnvioArchivos.h"

#include <QCoro/QCoroSignal>

ComandosBarra::ComandosBarra(Programa &programa, CicloRecepcion &ciclo, QObject *parent)
    : QObject(parent)
    , m_programa(programa)
    , m_ciclo(ciclo)
    , m_boletines(std::make_unique<Boletines>(programa))
    , m_envio(std::make_unique<EnvioArchivos>(programa, ciclo, *m_boletines))
{
}

ComandosBarra::~ComandosBarra() = default;

// The question of "detener", with what stopping costs.
QString ComandosBarra::textoDetener() const
{
    QString texto = QStringLiteral("¿Deseas detener la recepción de archivos en proceso?");
    const int archivos = m_programa.listaRecepcion().cuenta();
    if (archivos > 0)
        texto += QStringLiteral("\r\n\r\n")
                 + (archivos == 1 ? QStringLiteral("1 archivo espera respuesta: saldrá")
                                  : QStringLiteral("%1 archivos esperan respuesta: saldrán").arg(archivos))
                 + QStringLiteral(" de la lista de recepción y sus respuestas ya no se recogerán.");
    return texto;
}

QCoro::Task<> ComandosBarra::Ejecuta_Comando(QString clave)
{
    // While a command runs, a second one starts nothing; once the program
    // ends, none starts.
    if (m_ocupado || m_cerrado)
        co_return;
    const Ocupacion ocupado(m_ocupado, [this](bool o) { emit ocupadoCambiado(o); });
    std::exception_ptr fallo;
    try {
        co_await ejecuta(clave);
    } catch (...) {
        fallo = std::current_exception();
    }
    // The common exit of every key, whatever way the command ended.
    try {
        co_await SesionFtp::Desconecta_FTP(m_programa.eftpEnvio);
    } catch (const ErrorTendal &) {
    }
    if (fallo)
        std::rethrow_exception(fallo);
}

void ComandosBarra::inicia(const QString &clave)
{
    TareaSuelta::inicia(QStringLiteral("el comando «%1»").arg(clave), Ejecuta_Comando(clave), m_programa.dialogos());
}

QCoro::Task<> ComandosBarra::termina()
{
    m_cerrado = true;
    if (!m_ocupado)
        co_return;
    // The send (and the bulletins it refreshes) stops at once: a file whose
    // upload is cut stays in the send list, its claim let go.
    m_envio->interrumpe();
    co_await m_programa.eftpEnvio.interrumpe();
    co_await m_programa.eftpPrincipal.interrumpe();
    while (m_ocupado)
        co_await qCoro(this, &ComandosBarra::ocupadoCambiado);
}

QCoro::Task<> ComandosBarra::ejecuta(QString clave)
{
    if (clave == u"enviar") {
        co_await m_envio->Envia();
    } else if (clave == u"recibir") {
        co_await m_envio->RecibeSinEnviar();
    } else if (clave == u"detener") {
        if (m_ciclo.habilitado() && m_programa.dialogos().preguntaDestructiva(textoDetener()))
            co_await m_ciclo.detiene();
    } else if (clave == u"caterr") {
        emit actualizacionPedida();
    } else if (clave == u"parametros") {
        emit parametrosPedidos();
    } else if (clave == u"historial") {
        emit historialPedido();
    } else if (clave == u"salir") {
        if (m_programa.dialogos().pregunta(QStringLiteral("¿Deseas Salir del Sistema?"), Dialogos::Icono::Informacion))
            emit salidaConfirmada();
    }
}
