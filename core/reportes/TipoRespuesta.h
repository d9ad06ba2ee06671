#pragma once

#include "core/oficina/CamposConfiguracion.h"
#include "core/reportes/FormatoRespuesta.h"

#include <QString>

// The kind of a response file, decided from its name alone, and where the
// builder finds the file.
class TipoRespuesta
{
public:
    enum class Clase {
        Ninguna, // no kind: the report is left empty
        SoloEncabezado, // an "err" name of no kind: the header only
        SinCambios, // a prevalidation response: shown unchanged
        Formato, // a response rewritten by its format
    };
    using Creador = std::unique_ptr<FormatoRespuesta> (*)(CatalogoErrores &);
    using Contador = int (*)(const LineaRespuesta &);

    // The configuration field whose folder holds the responses shown unchanged
    // (the val_rec folder as the configuration window holds it).
    static constexpr int kCampoSinCambios = CamposConfiguracion::val_rec;

    static TipoRespuesta reconoce(const QString &nombre);

    Clase clase() const { return m_clase; }
    QChar letra() const { return m_letra; }
    // The configuration column of the folder (Formato only).
    const QString &columna() const { return m_columna; }
    std::unique_ptr<FormatoRespuesta> creaFormato(CatalogoErrores &catalogo) const { return m_crea(catalogo); }
    // The errors the format reports for a line (Formato only).
    int errores(const LineaRespuesta &linea) const { return m_cuenta(linea); }

private:
    TipoRespuesta(Clase clase, QChar letra = {}, QString columna = {}, Creador crea = nullptr,
                  Contador cuenta = nullptr);

    Clase m_clase;
    QChar m_letra;
    QString m_columna;
    Creador m_crea;
    Contador m_cuenta;
};
