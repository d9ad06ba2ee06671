#include "core/reportes/FormatoRespuesta.h"

#include "core/reportes/CuerpoReporte.h"
#include "core/reportes/LineaRespuesta.h"

namespace {

// An error line begins with E (either case).
bool esError(const LineaRespuesta &l)
{
    return l.empiezaCon(u'E', Qt::CaseInsensitive);
}

// Q responses: bar-separated signature and error lines, told apart by the
// first character without regard to case; no catalogue. The error text ends
// without a line break, so the next record follows on the same report line.
class FormatoQ : public FormatoRespuesta
{
public:
    void procesa(const LineaRespuesta &l, CuerpoReporte &c) override
    {
        if (l.empiezaCon(u'F', Qt::CaseInsensitive)) {
            const qint16 consecutivo = l.campoNumero(3, u"Consecutivo");
            c << u"Consecutivo: " << consecutivo << u"     Pedimento: " << l.campoCopiado(2) << u"     Firma: "
              << l.campoCopiado(6) << u"     Folio:" << l.campoCopiado(4) << u"     Fecha: " << l.campoCopiado(5);
            c.salto();
            return;
        }
        if (!esError(l))
            return;
        const qint16 consecutivo = l.campoNumero(3, u"Consecutivo");
        const qint16 campo = l.campoNumero(5, u"Campo");
        c << u"Consecutivo: " << consecutivo << u"     Pedimento: " << l.campoCopiado(2) << u"     Error  Registro: "
          << l.campoCopiado(4) << u"    Campo: " << campo << u"    Tipo: " << l.campoCopiado(6) << u"     Línea: "
          << l.campoCopiado(8);
        c.salto();
        c << l.campoCopiado(7);
    }

    void pedimentos(const LineaRespuesta &l, QStringList &numeros) const override
    {
        if (l.empiezaCon(u'F', Qt::CaseInsensitive) || l.empiezaCon(u'E', Qt::CaseInsensitive))
            numeros << l.campoCopiado(2).toString();
    }
};

} // namespace

int erroresQ(const LineaRespuesta &linea)
{
    return esError(linea) ? 1 : 0;
}

std::unique_ptr<FormatoRespuesta> creaFormatoQ(CatalogoErrores &)
{
    return std::make_unique<FormatoQ>();
}
