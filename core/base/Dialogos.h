#pragma once

#include <QString>
#include <functional>
#include <optional>

class QPrinter;

// The one way the system reaches the person at the keyboard. The windows
// show message boxes, the command line writes to stderr and answers from its
// flags, the tests answer from a script and record every message.
class Dialogos
{
public:
    enum class Icono { Ninguno, Critico, Pregunta, Exclamacion, Informacion };
    // SiNo: Sí is the default button; NoSi: the same buttons with No the
    // default, for a question whose Sí loses something.
    enum class Botones { Aceptar, SiNo, NoSi };
    enum class Respuesta { Aceptar, Si, No };

    virtual ~Dialogos() = default;

    // A message box. With Botones::Aceptar the answer is always Aceptar.
    virtual Respuesta mensaje(const QString &texto, const QString &titulo, Icono icono, Botones botones) = 0;

    // The payment-password prompt ("  Contraseña de Validación"): the typed
    // text, or nothing when the user cancelled.
    virtual std::optional<QString> pideClave() = 0;
    // The prompt asked until a typed text is taken: each text goes to
    // acepta (which says why it is refused); a refused text leaves the
    // prompt open with its box emptied. False when the person cancelled.
    // By default one pideClave() per attempt; the window keeps one prompt.
    virtual bool confirmaClave(const std::function<bool(const QString &)> &acepta);

    // The folder picker, opened at inicial: the chosen folder, or nothing
    // when the person cancelled.
    virtual std::optional<QString> eligeCarpeta(const QString &inicial) = 0;
    // The file picker, opened at inicial (a file or a folder) with the name
    // filters of filtro ("Certificados (*.pem);;Todos los archivos (*)"):
    // the chosen file, or nothing when the person cancelled.
    virtual std::optional<QString> eligeArchivo(const QString &inicial, const QString &filtro) = 0;

    // The print dialog for impresora (its print range already says whether
    // only the selection is to be printed): true to print, false when the
    // person cancelled.
    virtual bool preparaImpresion(QPrinter &impresora) = 0;

    // The save-file picker for a PDF, opened with sugerido: the chosen file,
    // or nothing when the person cancelled (the command line always cancels).
    virtual std::optional<QString> eligeArchivoPdf(const QString &sugerido)
    {
        (void)sugerido;
        return std::nullopt;
    }

    // Shortcuts with the product name as title.
    void error(const QString &texto);
    void aviso(const QString &texto);
    bool pregunta(const QString &texto, Icono icono = Icono::Pregunta);
    // A question whose Sí removes or stops something: No is the default.
    bool preguntaDestructiva(const QString &texto);

    // The title of every message box of the system that names one.
    static QString nombreProducto() { return QStringLiteral(" PROGRAMA DE TENDAL A VALIDACIÓN"); }
    // The default title: the program's title.
    static QString tituloPrograma();
};
