#include "core/archivos/PatronArchivos.h"

namespace {

// Wildcard match with one backtracking point, the last "*" seen; the
// pattern is folded already, the name is folded character by character.
bool coincideParte(QStringView patron, QStringView nombre)
{
    qsizetype p = 0, n = 0;
    qsizetype estrella = -1, desde = 0;
    while (n < nombre.size()) {
        if (p < patron.size() && (patron[p] == u'?' || patron[p].unicode() == PatronArchivos::dobla(nombre[n]))) {
            ++p;
            ++n;
        } else if (p < patron.size() && patron[p] == u'*') {
            estrella = p++;
            desde = n;
        } else if (estrella >= 0) {
            p = estrella + 1;
            n = ++desde;
        } else {
            return false;
        }
    }
    while (p < patron.size() && patron[p] == u'*')
        ++p;
    return p == patron.size();
}

} // namespace

PatronArchivos::PatronArchivos(const QString &patron)
{
    for (const QString &parte : patron.split(u';')) {
        const QString limpia = parte.trimmed();
        if (limpia.isEmpty())
            continue;
        QString doblada(limpia.size(), Qt::Uninitialized);
        for (qsizetype i = 0; i < limpia.size(); ++i)
            doblada[i] = QChar(dobla(limpia[i]));
        m_partes << doblada;
    }
}

bool PatronArchivos::coincide(QStringView nombre) const
{
    if (m_partes.isEmpty())
        return true;
    for (const QString &parte : m_partes)
        if (coincideParte(parte, nombre))
            return true;
    return false;
}

bool PatronArchivos::menor(QStringView a, QStringView b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t x = dobla(a[i]);
        const char16_t y = dobla(b[i]);
        if (x != y)
            return x < y;
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}
