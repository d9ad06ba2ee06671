#pragma once

#include <QCoro/QCoroTask>
#include <QObject>
#include <QTimer>

class Programa;

// The receive cycle on its timer tmrPreVal and the control eftpRecepcion:
// every tick logs in with the broker's account, downloads the responses that
// have appeared for the entries of the reception list, stores them in the
// reception folders, lists them in the send list ("K", "R") and drops the
// entries whose both responses are in. The first tick comes 2000 ms after
// the timer is first enabled, every later one 5000 ms after the previous.
// A tick never starts while another runs.
class CicloRecepcion : public QObject
{
    Q_OBJECT
public:
    explicit CicloRecepcion(Programa &programa, QObject *parent = nullptr);
    ~CicloRecepcion() override;

    // tmrPreVal.Enabled
    void habilita();
    void deshabilita();
    bool habilitado() const;
    int intervalo() const; // 2000 until the first tick, then 5000

    // One tick, as the timer runs it (also for the command line and tests).
    QCoro::Task<> tick();
    bool enCurso() const { return m_enCurso; }

signals:
    // A response was received and listed (name of the response file).
    void respuestaRecibida(const QString &archivo);
    // The state of the timer changed.
    void estadoCambiado(bool habilitado);
    // A tick ended.
    void tickTerminado();

private:
    Programa &m_programa;
    QTimer m_tmrPreVal;
    bool m_enCurso = false;
};
