#pragma once

#include "core/reportes/DestinoReporte.h"

// A report target that keeps the whole report as text.
class DestinoTexto : public DestinoReporte
{
public:
    void vacia() override
    {
        m_texto.clear();
        m_largoEncabezado = 0;
    }
    void ponTexto(const QString &texto) override
    {
        m_texto = texto;
        m_largoEncabezado = texto.size();
    }
    void agregaTexto(const QString &texto) override { m_texto += texto; }
    void muestraSinCambios(const QString &contenido) override { m_texto = contenido; }
    void falla(const QString &texto) override
    {
        m_texto.truncate(m_largoEncabezado);
        m_texto += texto;
    }

    const QString &texto() const { return m_texto; }

private:
    QString m_texto;
    qsizetype m_largoEncabezado = 0;
};
