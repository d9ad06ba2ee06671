#pragma once

#include "core/reportes/DestinoReporte.h"

class QTextStream;

// A report target that writes the report to a stream as it is built (the
// command line's standard output), so that a report of any size needs only
// the memory of one piece. The header is held back until the body starts or
// the build ends, since a response shown unchanged replaces it. A failure
// half-way is written after the lines already out.
class DestinoFlujo : public DestinoReporte
{
public:
    explicit DestinoFlujo(QTextStream &flujo);

    void vacia() override;
    void ponTexto(const QString &texto) override;
    void agregaTexto(const QString &texto) override;
    void muestraSinCambios(const QString &contenido) override;
    void falla(const QString &texto) override;
    void termina() override;

private:
    void escribeEncabezado();

    QTextStream &m_flujo;
    QString m_encabezado;
};
