#include "core/reportes/FormatoRespuesta.h"

#include "core/reportes/CatalogoErrores.h"
#include "core/reportes/CuerpoReporte.h"
#include "core/reportes/LineaRespuesta.h"

namespace {

// An error line begins with E (either case).
bool esError(const LineaRespuesta &l)
{
    return l.empiezaCon(u'E', Qt::CaseInsensitive);
}

// P responses: signature lines (fixed positions and bar-separated fields)
// and error lines, told apart by the first character without regard to case.
class FormatoP : public FormatoRespuesta
{
public:
    explicit FormatoP(CatalogoErrores &catalogo)
        : m_catalogo(catalogo)
    {
    }

    void procesa(const LineaRespuesta &l, CuerpoReporte &c) override
    {
        if (l.empiezaCon(u'F', Qt::CaseInsensitive)) {
            c << u"Pedimento: " << l.posiciones(2, 8) << u"     Firma: " << l.posiciones(9, 16) << u"     Importe :";
            c.importe(l.posiciones(31, 40), CuerpoReporte::Importe::Pesos);
            c.salto();
            c << u"RFC: " << l.campoCopiado(2) << u"     NOMBRE: " << l.campoCopiado(3);
            c.salto();
            c << u"DOMICILIO: " << l.campoCopiado(4) << u"   " << l.campoCopiado(5);
            c.salto();
            c << u"CIUDAD   : " << l.campoCopiado(6) << u"   " << l.campoCopiado(7);
            c.salto(2);
            return;
        }
        if (!esError(l))
            return;
        c << u"Pedimento: " << l.posiciones(2, 8) << u"     Error  Registro: " << l.posiciones(9, 10) << u"    Campo: "
          << l.posiciones(11, 12) << u"    Número: " << l.posiciones(13, 15);
        c.salto();
        c.descripcion(m_catalogo.buscaA(l.numero(13, 15, u"Número")), u"Descripción: ", CuerpoReporte::Forma::TalCual,
                      2, 1);
    }

    void pedimentos(const LineaRespuesta &l, QStringList &numeros) const override
    {
        if (l.empiezaCon(u'F', Qt::CaseInsensitive) || l.empiezaCon(u'E', Qt::CaseInsensitive))
            numeros << l.posiciones(2, 8).toString();
    }

private:
    CatalogoErrores &m_catalogo;
};

} // namespace

int erroresP(const LineaRespuesta &linea)
{
    return esError(linea) ? 1 : 0;
}

std::unique_ptr<FormatoRespuesta> creaFormatoP(CatalogoErrores &catalogo)
{
    return std::make_unique<FormatoP>(catalogo);
}
