#pragma once

#include <QString>

// Where a revision report is written: the main window's report box, or the
// command line's output. The report builder talks to it in at most three
// steps, always in this order:
//   1. vacia()                        the previous content is discarded
//   2. ponTexto(encabezado)           the header replaces the content
//   3. agregaTexto(cuerpo)            the body is appended, once
// or, for a response shown unchanged:
//   1. vacia()
//   2. ponTexto(encabezado)
//   3. muestraSinCambios(contenido)   the file's whole text replaces everything
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
    // Appends the text to the current content.
    virtual void agregaTexto(const QString &texto) = 0;
    // Replaces the whole content by the text of a response file shown
    // unchanged, already decoded from Windows-1252, line breaks as in the file.
    virtual void muestraSinCambios(const QString &contenido) = 0;
};
