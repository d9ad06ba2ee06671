#pragma once

#include <QCoro/QCoroTask>
#include <QObject>
#include <QString>
#include <memory>

class Boletines;
class CicloRecepcion;
class EnvioArchivos;
class Programa;

// The tool bar commands of the main window: Ejecuta_Comando(clave) with the
// keys "enviar", "recibir", "detener", "caterr", "parametros", "salir",
// "agregar" and any other. Every key ends through the common exit, which
// closes eftpEnvio. While a command runs the tool bar starts no second one
// (the receive cycle's ticks still run, on their own session). What only the
// windows can do (show another window, end the program) is asked for by a
// signal, which the composition root connects.
class ComandosBarra : public QObject
{
    Q_OBJECT
public:
    ComandosBarra(Programa &programa, CicloRecepcion &ciclo, QObject *parent = nullptr);
    ~ComandosBarra() override;

    QCoro::Task<> Ejecuta_Comando(QString clave);
    // The same started from a window: it runs on by itself, and whatever
    // ends it (any exception) is told to the person and leaves the tool bar
    // free again.
    void inicia(const QString &clave);
    // The program ends: no command starts any more, and one that runs is
    // stopped (a send is cut short, leaving its files in the send list) and
    // awaited.
    QCoro::Task<> termina();
    bool ocupado() const { return m_ocupado; }

    // The bulletins refreshed by every send (their ticker state is what the
    // windows mirror) and the send procedure.
    Boletines &boletines() { return *m_boletines; }
    EnvioArchivos &envio() { return *m_envio; }

signals:
    void actualizacionPedida(); // "caterr": the catalogue update window
    void parametrosPedidos(); // "parametros": the configuration window (modal)
    void historialPedido(); // "historial": the history window
    void salidaConfirmada(); // "salir", confirmed: the program ends
    void ocupadoCambiado(bool ocupado);

private:
    QCoro::Task<> ejecuta(QString clave);
    QString textoDetener() const;

    Programa &m_programa;
    CicloRecepcion &m_ciclo;
    std::unique_ptr<Boletines> m_boletines;
    std::unique_ptr<EnvioArchivos> m_envio;
    bool m_ocupado = false;
    bool m_cerrado = false;
};
