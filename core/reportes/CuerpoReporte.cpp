#include "core/reportes/CuerpoReporte.h"

#include "core/base/Vb.h"

#include <cmath>

CuerpoReporte::CuerpoReporte(const QLocale &locale)
    : m_locale(locale)
{
}

CuerpoReporte &CuerpoReporte::operator<<(qint16 numero)
{
    m_texto.append(QString::number(numero));
    return *this;
}

CuerpoReporte &CuerpoReporte::salto(int veces)
{
    for (int i = 0; i < veces; ++i)
        m_texto.append(u"\r\n");
    return *this;
}

QString CuerpoReporte::enOracion(QStringView descripcion)
{
    if (descripcion.isEmpty())
        return {};
    return descripcion.left(1).toString() + descripcion.mid(1).toString().toLower();
}

CuerpoReporte &CuerpoReporte::oracion(QStringView descripcion)
{
    // As enOracion, written straight into the body.
    if (!descripcion.isEmpty()) {
        m_texto.append(descripcion.left(1));
        m_texto.append(descripcion.mid(1).toString().toLower());
    }
    return *this;
}

CuerpoReporte &CuerpoReporte::importe(QStringView campo, Importe formato)
{
    const QString texto = campo.toString();
    bool ok = Vb::esNumerico(texto);
    const double valor = ok ? QLocale::c().toDouble(texto.trimmed(), &ok) : 0.0;
    if (!ok || !std::isfinite(valor)) {
        m_texto.append(campo);
        return *this;
    }
    QLocale locale = m_locale;
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    if (formato == Importe::Entero) {
        m_texto.append(locale.toString(valor, 'f', 0));
        return *this;
    }
    if (valor < 0)
        m_texto.append(u'-');
    m_texto.append(u" $");
    m_texto.append(locale.toString(std::fabs(valor), 'f', 2));
    return *this;
}

void CuerpoReporte::descripcion(const std::optional<QString> &fila, QStringView etiqueta, Forma forma,
                                int saltosConFila, int saltosSinFila)
{
    if (!fila) {
        salto(saltosSinFila);
        return;
    }
    m_texto.append(etiqueta);
    if (forma == Forma::Oracion)
        oracion(*fila);
    else
        m_texto.append(*fila);
    salto(saltosConFila);
}
