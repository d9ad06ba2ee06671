#pragma once

#include <QStringList>

#include <memory>

class CatalogoErrores;
class CuerpoReporte;
class LineaRespuesta;

// The handler of one response format: it turns each line of the file into
// report text in the body, using the shared rules of LineaRespuesta and
// CuerpoReporte and the catalogue lookups. The report builder reads the file
// and calls it once per line; an object serves one report and may keep what
// the format carries from line to line.
class FormatoRespuesta
{
public:
    virtual ~FormatoRespuesta() = default;
    // Throws ErrorTendal when a number field cannot be read or a lookup fails.
    virtual void procesa(const LineaRespuesta &linea, CuerpoReporte &cuerpo) = 0;
    // The pedimento numbers the line names, where the format carries them
    // (the same positions its report shows after "Pedimento:").
    virtual void pedimentos(const LineaRespuesta &linea, QStringList &numeros) const
    {
        (void)linea;
        (void)numeros;
    }
};

// The number of errors a line reports, by format: the lines its format
// writes as error entries, told apart by the same test the format applies
// while it builds the report (so a count never disagrees with the report).
int erroresM(const LineaRespuesta &linea);
int erroresT(const LineaRespuesta &linea);
int erroresC(const LineaRespuesta &linea);
int erroresD(const LineaRespuesta &linea);
int erroresA(const LineaRespuesta &linea);
int erroresR(const LineaRespuesta &linea);
int erroresX(const LineaRespuesta &linea);
int erroresP(const LineaRespuesta &linea);
int erroresQ(const LineaRespuesta &linea);

// The formats, each in its own file.
std::unique_ptr<FormatoRespuesta> creaFormatoM(CatalogoErrores &catalogo);
std::unique_ptr<FormatoRespuesta> creaFormatoT(CatalogoErrores &catalogo);
std::unique_ptr<FormatoRespuesta> creaFormatoC(CatalogoErrores &catalogo);
std::unique_ptr<FormatoRespuesta> creaFormatoD(CatalogoErrores &catalogo);
std::unique_ptr<FormatoRespuesta> creaFormatoA(CatalogoErrores &catalogo);
std::unique_ptr<FormatoRespuesta> creaFormatoR(CatalogoErrores &catalogo);
std::unique_ptr<FormatoRespuesta> creaFormatoX(CatalogoErrores &catalogo);
std::unique_ptr<FormatoRespuesta> creaFormatoP(CatalogoErrores &catalogo);
std::unique_ptr<FormatoRespuesta> creaFormatoQ(CatalogoErrores &catalogo);
