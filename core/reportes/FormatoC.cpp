#include "core/reportes/FormatoRespuesta.h"

#include "core/reportes/CatalogoErrores.h"
#include "core/reportes/CuerpoReporte.h"
#include "core/reportes/LineaRespuesta.h"

namespace {

// The label of an ERRORESC class; none outside 1 to 3.
QStringView etiquetaClase(int tipo)
{
    switch (tipo) {
    case 1:
        return u"Error Normativo: ";
    case 2:
        return u"Error Sintáctico-Catalógico: ";
    case 3:
        return u"Error Técnico: ";
    default:
        return {};
    }
}

// A field that is a number when it reads as one, and 0 otherwise.
qint16 numeroOCero(const LineaRespuesta &l, int n, QStringView nombre)
{
    return LineaRespuesta::esNumero(l.campoCopiado(n)) ? l.campoNumero(n, nombre) : qint16(0);
}

// Every line but the signature line ("200...") is an error.
bool esError(const LineaRespuesta &l)
{
    return !l.texto().startsWith(u"200");
}

// C responses: bar-separated header lines ("200") and error lines.
class FormatoC : public FormatoRespuesta
{
public:
    explicit FormatoC(CatalogoErrores &catalogo)
        : m_catalogo(catalogo)
    {
    }

    void procesa(const LineaRespuesta &l, CuerpoReporte &c) override
    {
        if (!esError(l)) {
            c << u"Patente: " << l.campoCopiado(2) << u"   CURP: " << l.campoCopiado(3) << u"   Folio: "
              << l.campoCopiado(4) << u"   Firma: ";
            // The signature: everything after the fourth bar, bars left out.
            for (QChar ch : l.trasBarra(4))
                if (ch != u'|')
                    c << QStringView(&ch, 1);
            c.salto(2);
            return;
        }
        const qint16 registro = numeroOCero(l, 1, u"Registro");
        const qint16 tipo = l.campoNumero(5, u"T. Error");
        const qint16 campo = l.campoNumero(6, u"Campo");
        const qint16 clave = numeroOCero(l, 7, u"Clave");
        c << u"Registro: " << registro << u"   Folio: " << l.campoCopiado(2) << u"   Pos. Reg. Act: "
          << l.campoCopiado(3) << u"   Pos. Reg. Arch: " << l.campoCopiado(4) << u"   T. Error: " << tipo
          << u"   Campo: " << campo << u"   Clave: " << clave;
        c.salto();
        const auto fila = m_catalogo.buscaC(clave);
        c.descripcion(fila ? std::optional(fila->descripcion) : std::nullopt,
                      fila ? etiquetaClase(fila->tipo) : QStringView(), CuerpoReporte::Forma::Oracion, 2, 0);
    }

private:
    CatalogoErrores &m_catalogo;
};

} // namespace

int erroresC(const LineaRespuesta &linea)
{
    return esError(linea) ? 1 : 0;
}

std::unique_ptr<FormatoRespuesta> creaFormatoC(CatalogoErrores &catalogo)
{
    return std::make_unique<FormatoC>(catalogo);
}
