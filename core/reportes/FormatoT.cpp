#include "core/reportes/FormatoRespuesta.h"

#include "core/reportes/CuerpoReporte.h"
#include "core/reportes/LineaRespuesta.h"

namespace {

// An error line: neither a closing line (C) nor a signature (F).
bool esError(const LineaRespuesta &l)
{
    return l.caracter(8) != u'C' && l.caracter(8) != u'F';
}

// T responses: fixed positions, no catalogue; the character at position 8
// tells the lines apart.
class FormatoT : public FormatoRespuesta
{
public:
    void procesa(const LineaRespuesta &l, CuerpoReporte &c) override
    {
        if (!esError(l)) {
            if (l.caracter(8) == u'F') {
                c << u"Pedimento: " << l.posiciones(1, 7) << u"    Firma: " << l.posiciones(9, 16);
                c.salto(2);
            }
            return;
        }
        const qint16 registro = l.numero(8, 10, u"Registro");
        const qint16 tipoRegistro = l.numero(11, 13, u"Tipo Reg");
        l.numero(14, 15, u"Campo"); // read as a number, not written
        const qint16 clave = l.numero(16, 17, u"Cve. Error");
        const qint16 descripcion
            = LineaRespuesta::numero(l.desde(18), QStringLiteral("el campo Descripción (posición 18 en adelante)"));
        c << u"Pedimento: " << l.posiciones(1, 7) << u"    Error   Reg: " << registro << u", Tipo Reg: " << tipoRegistro
          << u", Cve. Error: " << clave;
        c.salto();
        c << u"Descripción: " << descripcion;
        c.salto(2);
    }

    void pedimentos(const LineaRespuesta &l, QStringList &numeros) const override
    {
        if (l.caracter(8) != u'C')
            numeros << l.posiciones(1, 7).toString();
    }
};

} // namespace

int erroresT(const LineaRespuesta &linea)
{
    return esError(linea) ? 1 : 0;
}

std::unique_ptr<FormatoRespuesta> creaFormatoT(CatalogoErrores &)
{
    return std::make_unique<FormatoT>();
}
