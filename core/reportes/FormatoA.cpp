#include "core/reportes/FormatoRespuesta.h"

#include "core/reportes/CatalogoErrores.h"
#include "core/reportes/CuerpoReporte.h"
#include "core/reportes/LineaRespuesta.h"

namespace {

// A rejection: a line of 78 characters or fewer.
bool esError(const LineaRespuesta &l)
{
    return l.largo() <= 78;
}

// A responses (electronic payment): one record per line, an accepted
// payment when the line is longer than 78 characters, a rejection otherwise.
class FormatoA : public FormatoRespuesta
{
public:
    explicit FormatoA(CatalogoErrores &catalogo)
        : m_catalogo(catalogo)
    {
    }

    void procesa(const LineaRespuesta &l, CuerpoReporte &c) override
    {
        if (!esError(l)) {
            c << u"Pedimento: " << l.posiciones(37, 43) << u"  -  Operación: " << l.posiciones(92, 105)
              << u" -  Fecha: " << l.posiciones(76, 83) << u"  -  Hora: " << l.posiciones(84, 91);
            c.salto();
            c << u"Línea de Captura: " << l.posiciones(6, 25) << u"  -  Transacción SAT: " << l.posiciones(106, 125);
            c.salto(2);
            return;
        }
        c << u"Pedimento: " << l.posiciones(37, 43) << u" - Error: " << l.posiciones(76, 78);
        c.salto();
        c.descripcion(m_catalogo.buscaB(l.numero(76, 78, u"Error")), u"Descripción: ", CuerpoReporte::Forma::TalCual, 2,
                      0);
    }

    void pedimentos(const LineaRespuesta &l, QStringList &numeros) const override
    {
        if (l.largo() > 0)
            numeros << l.posiciones(37, 43).toString();
    }

private:
    CatalogoErrores &m_catalogo;
};

} // namespace

int erroresA(const LineaRespuesta &linea)
{
    return esError(linea) ? 1 : 0;
}

std::unique_ptr<FormatoRespuesta> creaFormatoA(CatalogoErrores &catalogo)
{
    return std::make_unique<FormatoA>(catalogo);
}
