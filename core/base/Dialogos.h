#pragma once

#include <QString>
#include <optional>

// The one way the system reaches the person at the keyboard. The windows
// show message boxes, the command line writes to stderr and answers from its
// flags, the tests answer from a script and record every message.
class Dialogos
{
public:
    enum class Icono { Ninguno, Critico, Pregunta, Exclamacion, Informacion };
    enum class Botones { Aceptar, SiNo };
    enum class Respuesta { Aceptar, Si, No };

    virtual ~Dialogos() = default;

    // A message box. With Botones::Aceptar the answer is always Aceptar.
    virtual Respuesta mensaje(const QString &texto, const QString &titulo, Icono icono, Botones botones) = 0;

    // The payment-password prompt ("  Contraseña de Validación"): the typed
    // text, or nothing when the user cancelled.
    virtual std::optional<QString> pideClave() = 0;

    // Shortcuts with the product name as title.
    void error(const QString &texto);
    void aviso(const QString &texto);
    bool pregunta(const QString &texto, Icono icono = Icono::Pregunta);

    // The title of every message box of the system that names one.
    static QString nombreProducto() { return QStringLiteral(" PROGRAMA DE TENDAL A VALIDACIÓN"); }
    // The default title: the program's title.
    static QString tituloPrograma();
};
