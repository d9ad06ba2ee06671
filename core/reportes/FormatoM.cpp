#include "core/reportes/FormatoRespuesta.h"

#include "core/reportes/CatalogoErrores.h"
#include "core/reportes/CuerpoReporte.h"
#include "core/reportes/LineaRespuesta.h"

namespace {

bool esDigito(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// An error line: a digit in position 2 and E or A first.
bool esError(const LineaRespuesta &l)
{
    return esDigito(l.caracter(2)) && (l.empiezaCon(u'E') || l.empiezaCon(u'A'));
}

// SAAI M3 validation responses (names ending in "err" beginning with M).
// An error line whose line number is not a number repeats the values of the
// previous error line, so they are kept from line to line.
class FormatoM : public FormatoRespuesta
{
public:
    explicit FormatoM(CatalogoErrores &catalogo)
        : m_catalogo(catalogo)
    {
    }

    void procesa(const LineaRespuesta &l, CuerpoReporte &c) override
    {
        if (!esDigito(l.caracter(2))) {
            c << l.texto();
            c.salto();
            return;
        }
        if (esError(l)) {
            error(l, c);
            return;
        }
        if (l.empiezaCon(u'F')) {
            c << u"Pedimento: " << l.posiciones(2, 8) << u"    Firma: " << l.posiciones(9, 16);
            c.salto(2);
        }
    }

    void pedimentos(const LineaRespuesta &l, QStringList &numeros) const override
    {
        if (esDigito(l.caracter(2)) && (l.empiezaCon(u'E') || l.empiezaCon(u'A') || l.empiezaCon(u'F')))
            numeros << l.posiciones(2, 8).toString();
    }

private:
    void error(const LineaRespuesta &l, CuerpoReporte &c)
    {
        if (LineaRespuesta::esNumero(l.posiciones(12, 15))) {
            // Line number 12-15, or 12-16 on lines of 21 characters or more;
            // the type, the field and the number follow it.
            const qsizetype fin = l.largo() >= 21 ? 16 : 15;
            const qint16 linea = l.numero(12, fin, u"Línea");
            const qint16 tipo = l.numero(fin + 1, fin + 1, u"Tipo");
            const qint16 campo = l.numero(fin + 2, fin + 3, u"Campo");
            const qint16 numero = l.numero(fin + 4, fin + 5, u"Número");
            m_linea = linea;
            m_tipo = tipo;
            m_campo = campo;
            m_numero = numero;
        }
        c << u"Pedimento: " << l.posiciones(2, 8) << u"    Error   Reg: " << l.posiciones(9, 11) << u", Tipo: "
          << m_tipo << u", Número: " << m_numero << u", Campo: " << m_campo << u", Línea: " << m_linea;
        c.salto();
        const qint16 registro = CatalogoErrores::usaRegistroYCampo(m_tipo) ? l.numero(9, 11, u"Reg") : qint16(0);
        const auto fila = m_catalogo.buscaM(m_tipo, m_numero, registro, m_campo);
        c.descripcion(fila ? std::optional(fila->descripcion) : std::nullopt,
                      fila ? fila->nombreTipo + QStringLiteral(": ") : QString(), CuerpoReporte::Forma::Oracion, 2, 0);
    }

    CatalogoErrores &m_catalogo;
    qint16 m_linea = 0;
    qint16 m_tipo = 0;
    qint16 m_campo = 0;
    qint16 m_numero = 0;
};

} // namespace

int erroresM(const LineaRespuesta &linea)
{
    return esError(linea) ? 1 : 0;
}

std::unique_ptr<FormatoRespuesta> creaFormatoM(CatalogoErrores &catalogo)
{
    return std::make_unique<FormatoM>(catalogo);
}
