#include "core/base/Vb.h"

#include "core/base/ErrorTendal.h"

#include <cmath>

namespace {

bool convierte(const QString &texto, double &valor)
{
    const QString limpio = texto.trimmed();
    if (limpio.isEmpty())
        return false;
    for (QChar c : limpio)
        if (!(c.isDigit() || c == u'.' || c == u'+' || c == u'-'))
            return false;
    bool ok = false;
    valor = QLocale::c().toDouble(limpio, &ok);
    return ok && std::isfinite(valor);
}

qint64 entero(const QString &texto, qint64 minimo, qint64 maximo)
{
    double valor = 0;
    if (!convierte(texto, valor))
        throw ErrorTendal::conNumero(ErrorTendal::TiposNoCoinciden);
    const double redondeado = std::nearbyint(valor); // half to even under the default rounding mode
    if (redondeado < double(minimo) || redondeado > double(maximo))
        throw ErrorTendal::conNumero(ErrorTendal::Desbordamiento);
    return static_cast<qint64>(redondeado);
}

} // namespace

namespace Vb {

qint16 entero(const QString &texto)
{
    return static_cast<qint16>(::entero(texto, -32768, 32767));
}

qint32 largo(const QString &texto)
{
    return static_cast<qint32>(::entero(texto, -2147483648LL, 2147483647LL));
}

bool esNumerico(const QString &texto)
{
    double valor = 0;
    return convierte(texto, valor);
}

QString formato(qint64 numero, const QString &patron)
{
    const int ancho = int(patron.count(u'0'));
    const QString digitos = QString::number(numero < 0 ? -numero : numero).rightJustified(ancho, u'0');
    return numero < 0 ? QStringLiteral("-") + digitos : digitos;
}

QString horaAmPm(const QTime &hora, bool conSegundos, const QLocale &locale)
{
    int h = hora.hour() % 12;
    if (h == 0)
        h = 12;
    QString texto = QStringLiteral("%1:%2").arg(h, 2, 10, QLatin1Char('0')).arg(hora.minute(), 2, 10, QLatin1Char('0'));
    if (conSegundos)
        texto += QStringLiteral(":%1").arg(hora.second(), 2, 10, QLatin1Char('0'));
    texto += u' ';
    texto += hora.hour() < 12 ? locale.amText() : locale.pmText();
    return texto;
}

QDate fecha(const QString &texto)
{
    const QString t = texto.trimmed();
    for (const auto &patron :
         {QStringLiteral("dd/MM/yyyy"), QStringLiteral("d/M/yyyy"), QStringLiteral("yyyy-MM-dd")}) {
        const QDate d = QDate::fromString(t, patron);
        if (d.isValid())
            return d;
    }
    return {};
}

} // namespace Vb
