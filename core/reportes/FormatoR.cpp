#include "core/reportes/FormatoRespuesta.h"

#include "core/reportes/CatalogoErrores.h"
#include "core/reportes/CuerpoReporte.h"
#include "core/reportes/LineaRespuesta.h"

namespace {

// A record of 66 characters (or one of a run) that is an error: no "@" in
// position 8.
bool esError(const LineaRespuesta &l)
{
    return l.caracter(8) != u'@';
}

// R responses (electronic payment): records of fixed layout. A line of 66
// characters is one record, a line of 9 one error record; any other line is
// a run of records each ended by a line feed (files whose lines end with a
// lone LF), and the text after the last line feed is not reported.
class FormatoR : public FormatoRespuesta
{
public:
    explicit FormatoR(CatalogoErrores &catalogo)
        : m_catalogo(catalogo)
    {
    }

    void procesa(const LineaRespuesta &l, CuerpoReporte &c) override
    {
        if (l.largo() == 66) {
            registro(l, c);
            return;
        }
        if (l.largo() == 9) {
            error(l, c);
            return;
        }
        const QStringView texto = l.texto();
        qsizetype inicio = 0;
        for (qsizetype lf = texto.indexOf(u'\n'); lf >= 0; lf = texto.indexOf(u'\n', inicio)) {
            registro(LineaRespuesta(texto.mid(inicio, lf - inicio)), c);
            inicio = lf + 1;
        }
    }

    void pedimentos(const LineaRespuesta &l, QStringList &numeros) const override
    {
        if (l.largo() == 66 || l.largo() == 9) {
            numeros << l.posiciones(1, 7).toString();
            return;
        }
        const QStringView texto = l.texto();
        qsizetype inicio = 0;
        for (qsizetype lf = texto.indexOf(u'\n'); lf >= 0; lf = texto.indexOf(u'\n', inicio)) {
            numeros << LineaRespuesta(texto.mid(inicio, lf - inicio)).posiciones(1, 7).toString();
            inicio = lf + 1;
        }
    }

private:
    void registro(const LineaRespuesta &r, CuerpoReporte &c)
    {
        if (esError(r)) {
            error(r, c);
            return;
        }
        c << u"Pedimento: " << r.posiciones(1, 7) << u"    Firma: " << r.posiciones(9, 16) << u"    Total Pag. Efvo: ";
        c.importe(r.posiciones(43, 54), CuerpoReporte::Importe::Entero);
        c << u"    Total Contrib: ";
        c.importe(r.posiciones(55, 66), CuerpoReporte::Importe::Entero);
        c.salto(2);
    }

    void error(const LineaRespuesta &r, CuerpoReporte &c)
    {
        c << u"Pedimento: " << r.posiciones(1, 7) << u"    Error: " << r.posiciones(8, 9);
        c.salto();
        c.descripcion(m_catalogo.buscaB(r.numero(8, 9, u"Error")), u"Descripción: ", CuerpoReporte::Forma::TalCual, 2,
                      0);
    }

    CatalogoErrores &m_catalogo;
};

} // namespace

int erroresR(const LineaRespuesta &linea)
{
    if (linea.largo() == 9)
        return 1;
    if (linea.largo() == 66)
        return esError(linea) ? 1 : 0;
    // A run of records, each ended by a line feed.
    int errores = 0;
    const QStringView texto = linea.texto();
    qsizetype inicio = 0;
    for (qsizetype lf = texto.indexOf(u'\n'); lf >= 0; lf = texto.indexOf(u'\n', inicio)) {
        errores += esError(LineaRespuesta(texto.mid(inicio, lf - inicio))) ? 1 : 0;
        inicio = lf + 1;
    }
    return errores;
}

std::unique_ptr<FormatoRespuesta> creaFormatoR(CatalogoErrores &catalogo)
{
    return std::make_unique<FormatoR>(catalogo);
}
