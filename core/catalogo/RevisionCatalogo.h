#pragma once

#include <QCoro/QCoroTask>
#include <QObject>
#include <QTimer>

#include <functional>

class ActualizacionCatalogo;
class Programa;

// The one-shot catalogue version check of the main window: its timer
// tmrCatError (2000 ms, disabled when created) calls Revisa_Catalogo, which
// asks the server's update folder over eftpPrincipal, with the update
// account, for the published catalogue version ("revact.txt") and, when it
// is above vererr, offers the update; on Yes the update window is shown, its
// run goes ("recibir", then "salir") and "Catálogo de errores actualizado
// correctamente" follows. Every failure of the check itself is silent. The
// session of eftpPrincipal, which the bulletins and the password windows
// share, closes as soon as the list is in, before the question.
//
// The desktop program arms the timer once at start, so a newer catalogue is
// offered 2 s after start-up, once; the tick disables the timer before it
// does anything else, so it never fires twice.
class RevisionCatalogo : public QObject
{
    Q_OBJECT
public:
    RevisionCatalogo(Programa &programa, ActualizacionCatalogo &actualizacion, QObject *parent = nullptr);
    ~RevisionCatalogo() override;

    // tmrCatError.Enabled
    void arma();
    bool armado() const { return m_temporizador.isActive(); }
    int intervalo() const { return m_temporizador.interval(); }
    bool enCurso() const { return m_enCurso; }

    QCoro::Task<> Revisa_Catalogo();
    // The program ends: the timer stops, and a check under way is cut short
    // and awaited (an update run it started ends by its own termina()).
    QCoro::Task<> termina();

signals:
    // The person accepted the newer catalogue: the update window shows
    // (not modal) while it downloads.
    void actualizacionAceptada();
    // A check ended (whatever its outcome).
    void revisionTerminada();

private:
    void alDisparar();

    Programa &m_programa;
    ActualizacionCatalogo &m_actualizacion;
    QTimer m_temporizador;
    bool m_enCurso = false;
};
