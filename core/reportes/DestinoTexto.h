#pragma once

#include "core/reportes/DestinoReporte.h"

// A report target that keeps the report as text: the command line writes it
// out once the report is built.
class DestinoTexto : public DestinoReporte
{
public:
    void vacia() override { m_texto.clear(); }
    void ponTexto(const QString &texto) override { m_texto = texto; }
    void agregaTexto(const QString &texto) override { m_texto += texto; }
    void muestraSinCambios(const QString &contenido) override { m_texto = contenido; }

    const QString &texto() const { return m_texto; }

private:
    QString m_texto;
};
