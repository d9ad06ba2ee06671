#include "transfer/ComandosBarra.h"

#include "core/Dialogos.h"
#include "core/Programa.h"
#include "core/SesionFtp.h"
#include "mainwindow/CicloRecepcion.h"

// The window commands; sending and receiving come with the sending work.
ComandosBarra::ComandosBarra(Programa &programa, CicloRecepcion &ciclo, QObject *parent)
    : QObject(parent)
    , m_programa(programa)
    , m_ciclo(ciclo)
{
}

ComandosBarra::~ComandosBarra() = default;

QCoro::Task<> ComandosBarra::Ejecuta_Comando(QString clave)
{
    if (m_ocupado)
        co_return;
    m_ocupado = true;
    emit ocupadoCambiado(true);
    if (clave == u"caterr") {
        if (muestraActualizacion)
            muestraActualizacion();
    } else if (clave == u"parametros") {
        if (muestraParametros)
            muestraParametros();
    } else if (clave == u"salir") {
        if (m_programa.dialogos().pregunta(QStringLiteral("¿Deseas Salir del Sistema?"), Dialogos::Icono::Informacion) && termina)
            termina();
    }
    co_await SesionFtp::Desconecta_FTP(m_programa.eftpEnvio);
    m_ocupado = false;
    emit ocupadoCambiado(false);
}
