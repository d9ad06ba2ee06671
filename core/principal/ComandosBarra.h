#pragma once

#include <QCoro/QCoroTask>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class Boletines;
class CicloRecepcion;
class EnvioArchivos;
class Programa;

// The tool bar commands of the main window: Ejecuta_Comando(clave) with the
// keys "enviar", "recibir", "detener", "caterr", "parametros", "salir",
// "agregar" and any other. Every key ends through the common exit, which
// closes eftpEnvio. While a command runs the tool bar starts no second one
// (the receive cycle's ticks still run, on their own session). The window
// plugs in what only it can do (show the other windows, end the program)
// through the hooks.
class ComandosBarra : public QObject
{
    Q_OBJECT
public:
    ComandosBarra(Programa &programa, CicloRecepcion &ciclo, QObject *parent = nullptr);
    ~ComandosBarra() override;

    QCoro::Task<> Ejecuta_Comando(QString clave);
    bool ocupado() const { return m_ocupado; }

    // The bulletins refreshed by every send (their ticker state is what the
    // windows mirror) and the send procedure.
    Boletines &boletines() { return *m_boletines; }
    EnvioArchivos &envio() { return *m_envio; }

    std::function<void()> muestraActualizacion; // "caterr"
    std::function<void()> muestraParametros; // "parametros" (modal)
    std::function<void()> termina; // "salir" confirmed

signals:
    void ocupadoCambiado(bool ocupado);

private:
    QCoro::Task<> ejecuta(QString clave);
    QString textoDetener() const;

    Programa &m_programa;
    CicloRecepcion &m_ciclo;
    std::unique_ptr<Boletines> m_boletines;
    std::unique_ptr<EnvioArchivos> m_envio;
    bool m_ocupado = false;
};
