#include "core/reportes/LineaRespuesta.h"

#include "core/base/ErrorTendal.h"
#include "core/base/Vb.h"

namespace {

// Fast path for the usual field: up to four ASCII digits, nothing else. Any
// other text goes through the general conversion.
std::optional<qint16> digitosCortos(QStringView texto)
{
    if (texto.isEmpty() || texto.size() > 4)
        return std::nullopt;
    int valor = 0;
    for (QChar c : texto) {
        const char16_t u = c.unicode();
        if (u < u'0' || u > u'9')
            return std::nullopt;
        valor = valor * 10 + (u - u'0');
    }
    return qint16(valor);
}

QString descripcionPosiciones(qsizetype desde, qsizetype hasta, QStringView nombre)
{
    if (desde == hasta)
        return QStringLiteral("el campo %1 (posición %2)").arg(nombre).arg(desde);
    return QStringLiteral("el campo %1 (posiciones %2 a %3)").arg(nombre).arg(desde).arg(hasta);
}

// The text of a field as a message shows it: at most 40 characters, control
// characters as "?".
QString muestra(QStringView texto)
{
    QString t = texto.left(40).toString();
    for (QChar &c : t)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = u'?';
    if (texto.size() > 40)
        t += QStringLiteral("...");
    return t;
}

QString descripcionBarras(int n, QStringView nombre)
{
    return QStringLiteral("el campo %1 (%2)").arg(n).arg(nombre);
}

} // namespace

QChar LineaRespuesta::caracter(qsizetype posicion) const
{
    if (posicion < 1 || posicion > m_texto.size())
        return {};
    return m_texto[posicion - 1];
}

bool LineaRespuesta::empiezaCon(QChar letra, Qt::CaseSensitivity cs) const
{
    if (m_texto.isEmpty())
        return false;
    const QChar primera = m_texto.front();
    return cs == Qt::CaseSensitive ? primera == letra : primera.toUpper() == letra.toUpper();
}

QStringView LineaRespuesta::posiciones(qsizetype desde, qsizetype hasta) const
{
    if (desde < 1 || hasta < desde || desde > m_texto.size())
        return {};
    return m_texto.mid(desde - 1, hasta - desde + 1);
}

QStringView LineaRespuesta::desde(qsizetype posicion) const
{
    if (posicion < 1 || posicion > m_texto.size())
        return {};
    return m_texto.mid(posicion - 1);
}

qint16 LineaRespuesta::numero(qsizetype desde, qsizetype hasta, QStringView nombre) const
{
    const QStringView texto = posiciones(desde, hasta);
    if (const auto rapido = digitosCortos(texto))
        return *rapido;
    return numero(texto, descripcionPosiciones(desde, hasta, nombre));
}

qsizetype LineaRespuesta::barra(int n) const
{
    qsizetype desde = 0;
    for (int i = 0; i < n; ++i) {
        const qsizetype j = m_texto.indexOf(u'|', desde);
        if (j < 0)
            return -1;
        if (i == n - 1)
            return j;
        desde = j + 1;
    }
    return -1;
}

std::optional<QStringView> LineaRespuesta::campo(int n) const
{
    if (n < 1)
        return std::nullopt;
    const qsizetype cierre = barra(n);
    if (cierre < 0)
        return std::nullopt;
    const qsizetype apertura = n == 1 ? -1 : m_texto.lastIndexOf(u'|', cierre - 1);
    return m_texto.mid(apertura + 1, cierre - apertura - 1);
}

QStringView LineaRespuesta::campoCopiado(int n) const
{
    return campo(n).value_or(QStringView());
}

qint16 LineaRespuesta::campoNumero(int n, QStringView nombre) const
{
    const auto texto = campo(n);
    if (!texto)
        throw ErrorTendal(ErrorTendal::TiposNoCoinciden,
                          QStringLiteral("la línea no trae %1").arg(descripcionBarras(n, nombre)));
    if (const auto rapido = digitosCortos(*texto))
        return *rapido;
    return numero(*texto, descripcionBarras(n, nombre));
}

QStringView LineaRespuesta::trasBarra(int n) const
{
    const qsizetype j = barra(n);
    return j < 0 ? QStringView() : m_texto.mid(j + 1);
}

QStringView LineaRespuesta::trasUltimaBarra() const
{
    return m_texto.mid(m_texto.lastIndexOf(u'|') + 1);
}

bool LineaRespuesta::esNumero(QStringView texto)
{
    return digitosCortos(texto).has_value() || Vb::esNumerico(texto.toString());
}

qint16 LineaRespuesta::numero(QStringView texto, const QString &descripcionCampo)
{
    if (texto.trimmed().isEmpty())
        throw ErrorTendal(ErrorTendal::TiposNoCoinciden, QStringLiteral("%1 está vacío").arg(descripcionCampo));
    try {
        return Vb::entero(texto.toString());
    } catch (const ErrorTendal &e) {
        if (e.numero() == ErrorTendal::Desbordamiento)
            throw ErrorTendal(e.numero(), QStringLiteral("%1 «%2» no cabe en un número de 16 bits (de -32768 a 32767)")
                                              .arg(descripcionCampo, muestra(texto)));
        throw ErrorTendal(e.numero(), QStringLiteral("%1 «%2» no es un número").arg(descripcionCampo, muestra(texto)));
    }
}
