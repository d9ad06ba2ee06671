#pragma once

#include "core/reportes/DestinoReporte.h"

#include <QTextEdit>

// The report box rtbPreVal: the revision report as plain text in a fixed
// font, read-only, selectable for printing a part of it.
class CuadroReporte : public QTextEdit, public DestinoReporte
{
    Q_OBJECT
public:
    explicit CuadroReporte(QWidget *parent = nullptr);

    void vacia() override;
    void ponTexto(const QString &texto) override;
    void agregaTexto(const QString &texto) override;
    void muestraSinCambios(const QString &contenido) override;
    void falla(const QString &texto) override;

    // The text as the report builder wrote it, with CR LF line breaks.
    QString texto() const;

    // Report text as the box shows it: every line break (CR LF, CR or LF)
    // one paragraph, and the control characters that draw nothing shown
    // by their visible symbol.
    static QString paraMostrar(const QString &texto);

private:
    int m_finEncabezado = 0; // where the body starts in the document
};
