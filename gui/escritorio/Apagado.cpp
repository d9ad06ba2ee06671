#include "gui/escritorio/Apagado.h"

#include "core/catalogo/ActualizacionCatalogo.h"
#include "core/catalogo/RevisionCatalogo.h"
#include "core/principal/ComandosBarra.h"
#include "core/principal/Principal.h"
#include "core/recepcion/CicloRecepcion.h"

Apagado::Apagado(ComandosBarra &comandos, CicloRecepcion &ciclo, ActualizacionCatalogo &actualizacion,
                 RevisionCatalogo &revision, Principal &principal)
    : m_comandos(comandos)
    , m_ciclo(ciclo)
    , m_actualizacion(actualizacion)
    , m_revision(revision)
    , m_principal(principal)
{
}

QCoro::Task<> Apagado::termina()
{
    co_await m_comandos.termina();
    co_await m_ciclo.termina();
    co_await m_actualizacion.termina();
    co_await m_revision.termina();
    m_principal.terminaTrabajos();
}
