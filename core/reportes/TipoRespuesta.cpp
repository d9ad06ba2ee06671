#include "core/reportes/TipoRespuesta.h"

namespace {

struct Entrada {
    char16_t letra;
    const char *columna;
    TipoRespuesta::Creador crea;
    TipoRespuesta::Contador cuenta;
};

// Names ending in "err" (lower case), by their first letter.
const Entrada kValidacion[] = {
    {u'M', "val_rec", creaFormatoM, erroresM},
    {u'T', "tra_rec", creaFormatoT, erroresT},
    {u'C', "val_rec", creaFormatoC, erroresC},
    {u'D', "val_rec", creaFormatoD, erroresD},
};

// Any other name, by its first letter, once the prevalidation responses
// (first letter K, or extension ERP in any case) are set apart.
const Entrada kOtras[] = {
    {u'A', "pag_rec", creaFormatoA, erroresA},  {u'R', "pag_rec", creaFormatoR, erroresR},
    {u'X', "sag_rec", creaFormatoX, erroresX},  {u'P', "api_rec", creaFormatoP, erroresP},
    {u'Q', "prof_rec", creaFormatoQ, erroresQ},
};

} // namespace

TipoRespuesta::TipoRespuesta(Clase clase, QChar letra, QString columna, Creador crea, Contador cuenta)
    : m_clase(clase)
    , m_letra(letra)
    , m_columna(std::move(columna))
    , m_crea(crea)
    , m_cuenta(cuenta)
{
}

TipoRespuesta TipoRespuesta::reconoce(const QString &nombre)
{
    const QChar primera = nombre.isEmpty() ? QChar() : nombre.front().toUpper();
    const QStringView extension = QStringView(nombre).right(3);
    const auto busca = [&](const auto &tabla, Clase sinLetra) {
        for (const Entrada &e : tabla)
            if (primera == QChar(e.letra))
                return TipoRespuesta(Clase::Formato, primera, QString::fromLatin1(e.columna), e.crea, e.cuenta);
        return TipoRespuesta(sinLetra);
    };
    if (extension == u"err")
        return busca(kValidacion, Clase::SoloEncabezado);
    if (primera == u'K' || extension.compare(u"ERP", Qt::CaseInsensitive) == 0)
        return TipoRespuesta(Clase::SinCambios, primera);
    return busca(kOtras, Clase::Ninguna);
}
