#pragma once

#include <QCoro/QCoroTask>

class ActualizacionCatalogo;
class CicloRecepcion;
class ComandosBarra;
class Principal;
class RevisionCatalogo;

// The ordered end of the desktop program, after its event loop returned and
// before any of its objects is destroyed: each running piece of work is
// stopped and awaited, in this order, so that nothing resumes into an object
// that is gone and nothing is left half recorded:
//
//  1. the tool bar: no command starts any more; a send under way is cut
//     short (its file stays in the send list, its claim let go) and
//     awaited. First, because the end of a send may start the receive
//     cycle again.
//  2. the receive cycle: its timer stops and a tick under way is cut short
//     and awaited; the reception list keeps every file it awaits.
//  3. the catalogue: an update run (and the version check that started it)
//     is cut short, an installation rolled back at its next step (the
//     installed catalogue stays), and awaited.
//  4. the report and error-count workers: the report in progress is
//     abandoned, waiting counts dropped, and both workers joined.
class Apagado
{
public:
    Apagado(ComandosBarra &comandos, CicloRecepcion &ciclo, ActualizacionCatalogo &actualizacion,
            RevisionCatalogo &revision, Principal &principal);

    QCoro::Task<> termina();

private:
    ComandosBarra &m_comandos;
    CicloRecepcion &m_ciclo;
    ActualizacionCatalogo &m_actualizacion;
    RevisionCatalogo &m_revision;
    Principal &m_principal;
};
