#pragma once

#include <QString>

// Where a revision report is written: the main window's report box, or the
// command line's output. The report builder talks to it in this order:
//   1. vacia()                        the previous content is discarded
//   2. ponTexto(encabezado)           the header replaces the content
//   3. agregaTexto(parte)             the body, appended piece after piece as
//                                     the response file is read (each piece
//                                     whole lines; the last one may be empty)
//   4. termina()                      the report is complete
// or, for a response shown unchanged:
//   1. vacia()
//   2. ponTexto(encabezado)
//   3. muestraSinCambios(contenido)   the file's whole text replaces everything
//   4. termina()
// A build that cannot complete calls falla(texto) after the header (and after
// any pieces of the body already appended) and then termina().
// Every text uses CR LF as its line break. All texts are plain text, never
// markup: an implementation shows each character as it stands (a "<" or a
// NUL included).
class DestinoReporte
{
public:
    virtual ~DestinoReporte() = default;

    // Empties the target and resets its font to not bold.
    virtual void vacia() = 0;
    // Replaces the whole content by the text.
    virtual void ponTexto(const QString &texto) = 0;
    // Appends a piece of the body to the current content.
    virtual void agregaTexto(const QString &texto) = 0;
    // Replaces the whole content by the text of a response file shown
    // unchanged, already decoded from Windows-1252, line breaks as in the file.
    virtual void muestraSinCambios(const QString &contenido) = 0;
    // The build stopped: the report is the header followed by the failure
    // text. A target that keeps its content drops the pieces of the body it
    // received; one that already wrote them out appends the text after them.
    virtual void falla(const QString &texto) = 0;
    // The build is over, on every way out.
    virtual void termina() { }
    // True when the report is no longer wanted: the builder stops after the
    // next piece of the body (and still calls termina()).
    virtual bool abandonado() const { return false; }
};
