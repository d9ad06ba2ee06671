#pragma once

#include "core/reportes/DestinoReporte.h"

#include <QPlainTextEdit>
#include <QTimer>

// The report box rtbPreVal: the revision report as plain text in a fixed
// font, read-only, selectable for printing a part of it. It keeps the report
// as the builder writes it and shows it when the build is over (termina):
// a long report goes into the box in slices of a few milliseconds, each
// followed by a return to the event loop, so the window keeps painting while
// it loads; the first slice is shown at once. vacia() ends a load in
// progress.
class CuadroReporte : public QPlainTextEdit, public DestinoReporte
{
    Q_OBJECT
public:
    explicit CuadroReporte(QWidget *parent = nullptr);

    void vacia() override;
    void ponTexto(const QString &texto) override;
    void agregaTexto(const QString &texto) override;
    void muestraSinCambios(const QString &contenido) override;
    void falla(const QString &texto) override;
    void termina() override;

    // The text the box shows, with CR LF line breaks.
    QString texto() const;
    // A report is still going into the box.
    bool cargando() const { return m_carga.isActive(); }

    // Report text as the box shows it: every line break (CR LF, CR or LF)
    // one paragraph, and the control characters that draw nothing shown
    // by their visible symbol.
    static QString paraMostrar(QStringView texto);

signals:
    // The whole report is in the box.
    void cargado();

private:
    void cargaParte();

    QString m_texto; // the report as written, until it is in the box
    qsizetype m_largoEncabezado = 0;
    qsizetype m_mostrado = 0; // how much of m_texto the box holds
    QTimer m_carga;
};
