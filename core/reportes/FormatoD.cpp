#include "core/reportes/FormatoRespuesta.h"

#include "core/reportes/CatalogoErrores.h"
#include "core/reportes/CuerpoReporte.h"
#include "core/reportes/LineaRespuesta.h"

namespace {

// Every line but an empty one or the signature line (F) is an error.
bool esError(const LineaRespuesta &l)
{
    return l.largo() > 0 && !l.empiezaCon(u'F');
}

// D responses: a header line beginning with F, error lines otherwise.
class FormatoD : public FormatoRespuesta
{
public:
    explicit FormatoD(CatalogoErrores &catalogo)
        : m_catalogo(catalogo)
    {
    }

    void procesa(const LineaRespuesta &l, CuerpoReporte &c) override
    {
        if (!esError(l)) {
            if (l.largo() == 0)
                return;
            c << u"Patente: " << l.posiciones(2, 5) << u"   Pedimento: " << l.posiciones(6, 12) << u"   A.G.D.: "
              << l.posiciones(13, 16) << u"   S.D.F.: " << l.posiciones(17, 18) << u"   Folio CC:"
              << l.posiciones(19, 23) << u"   Acuse Electrónico:" << l.posiciones(24, 31);
            c.salto(2);
            return;
        }
        const qint16 registro = l.numero(9, 11, u"Registro");
        const qint16 linea = l.numero(12, 15, u"Línea");
        const QStringView tipo = l.posiciones(16, 16);
        const qint16 numero = l.numero(17, 18, u"Número");
        const QStringView consecutivo = l.posiciones(19, 20);
        const qint16 consecutivoNumero = l.numero(19, 20, u"Consecutivo");
        c << u"Tipo Error: " << tipo << u"  -  Registro: " << registro << u"  -  Número: " << numero
          << u"  -  Consecutivo: " << consecutivo << u"  -  Línea: " << linea;
        c.salto();
        c.descripcion(m_catalogo.buscaD(tipo.toString(), consecutivoNumero, numero), {}, CuerpoReporte::Forma::TalCual,
                      1, 0);
        c.salto();
    }

    void pedimentos(const LineaRespuesta &l, QStringList &numeros) const override
    {
        if (l.empiezaCon(u'F'))
            numeros << l.posiciones(6, 12).toString();
    }

private:
    CatalogoErrores &m_catalogo;
};

} // namespace

int erroresD(const LineaRespuesta &linea)
{
    return esError(linea) ? 1 : 0;
}

std::unique_ptr<FormatoRespuesta> creaFormatoD(CatalogoErrores &catalogo)
{
    return std::make_unique<FormatoD>(catalogo);
}
