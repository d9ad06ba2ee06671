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

// X responses (SAGARPA): bar-separated result and error lines, told apart
// by the first character without regard to case.
class FormatoX : public FormatoRespuesta
{
public:
    explicit FormatoX(CatalogoErrores &catalogo)
        : m_catalogo(catalogo)
    {
    }

    void procesa(const LineaRespuesta &l, CuerpoReporte &c) override
    {
        if (l.empiezaCon(u'R', Qt::CaseInsensitive)) {
            c << u"ID. Operación: " << l.campoCopiado(3) << u"     Resultado: " << l.trasUltimaBarra();
            c.salto(2);
            return;
        }
        if (!esError(l))
            return;
        const qint16 tipo = l.campoNumero(2, u"Tipo");
        const qint16 codigo = l.campoNumero(3, u"Código");
        const qint16 linea = l.campoNumero(4, u"Línea");
        c << u"Error   Tipo: " << tipo << u"    Código: " << codigo << u"    Línea: " << linea << u"    Registro: "
          << l.campoCopiado(5);
        c.salto();
        c.descripcion(m_catalogo.buscaS(tipo, codigo), u"Descripción: ", CuerpoReporte::Forma::TalCual, 2, 1);
    }

private:
    CatalogoErrores &m_catalogo;
};

} // namespace

int erroresX(const LineaRespuesta &linea)
{
    return esError(linea) ? 1 : 0;
}

std::unique_ptr<FormatoRespuesta> creaFormatoX(CatalogoErrores &catalogo)
{
    return std::make_unique<FormatoX>(catalogo);
}
