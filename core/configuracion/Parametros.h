#pragma once

#include <QObject>
#include <QString>
#include <array>

class Programa;

// What the configuration window decides, without its widgets: view and edit
// modes (which tool bar buttons show, whether the inputs are enabled),
// Guarda_Datos and Ejecuta_Accion with their record work, and the folder
// pickers' initial folder. The inputs themselves are the configuration
// fields (CamposConfiguracion), which the window mirrors.
class Parametros : public QObject
{
    Q_OBJECT
public:
    // The ten tool bar buttons, numbered from 1; separators count.
    struct Boton {
        QString titulo;
        QString clave;
        QString ayuda;
        bool separador = false;
    };
    static constexpr int kBotones = 10;
    static const std::array<Boton, kBotones> &botones();

    explicit Parametros(Programa &programa, QObject *parent = nullptr);

    // Visibility of button n (1 to 10).
    bool botonVisible(int n) const { return m_visible.at(n - 1); }
    // Inputs 2 to 12, the list, the check box and the picker buttons.
    bool camposHabilitados() const { return m_habilitados; }

    // Copies the fields into the configuration record without saving it.
    void Guarda_Datos();
    // Buttons 1 to 3 visible = vista, 4 and 5 = not vista.
    void Muestra_Botones(bool vista);
    void Habilita_Campos(bool activo);
    // The tool bar command of the window.
    void Ejecuta_Accion(const QString &accion);

    // Folder picker n (0 to 7) of the folder fields (val_env ... sag_rec):
    // the program's Dialogos shows the picker from an initial folder; the
    // field changes only when a folder was chosen.
    void Elige_Carpeta(int n);
    const QString &carpetaInicial() const { return m_carpetaInicial; }
    // The picker of the certificate file, opened at the file named (or the
    // folder of the last folder picker): the field changes only when a file
    // was chosen.
    void Elige_Certificado();

signals:
    // What only the windows can do: "salir" hides the configuration window,
    // "password" opens the change of payment password, "envyex" starts the
    // password recovery request.
    void ocultaPedido();
    void cambioPasswordPedido();
    void solicitudPasswordPedida();
    void modoCambiado();
    // The configuration was saved.
    void guardado();
    // Inputs became enabled: the window moves the focus to the list.
    void camposActivados();

private:
    void guarda();

    Programa &m_programa;
    std::array<bool, kBotones> m_visible {true, true, true, false, false, true, true, true, true, true};
    bool m_habilitados = false;
    QString m_carpetaInicial;
};
