#pragma once

#include <QCoro/QCoroTask>
#include <QObject>
#include <QString>
#include <functional>

class CicloRecepcion;
class Programa;

// The tool bar commands of the main window: Ejecuta_Comando(clave) with the
// keys "enviar", "recibir", "detener", "caterr", "parametros", "salir",
// "agregar" and any other. While a command runs the tool bar starts no
// second one. The window plugs in what only it can do (show the other
// windows, end the program) through the hooks.
class ComandosBarra : public QObject
{
    Q_OBJECT
public:
    ComandosBarra(Programa &programa, CicloRecepcion &ciclo, QObject *parent = nullptr);
    ~ComandosBarra() override;

    QCoro::Task<> Ejecuta_Comando(QString clave);
    bool ocupado() const { return m_ocupado; }

    std::function<void()> muestraActualizacion; // "caterr"
    std::function<void()> muestraParametros;    // "parametros" (modal)
    std::function<void()> termina;              // "salir" confirmed

signals:
    void ocupadoCambiado(bool ocupado);

private:
    Programa &m_programa;
    CicloRecepcion &m_ciclo;
    bool m_ocupado = false;
};
