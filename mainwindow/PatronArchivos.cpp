#include "mainwindow/PatronArchivos.h"

namespace {

// Wildcard match with one backtracking point: the last "*" seen.
bool coincideParte(QStringView patron, QStringView nombre)
{
    qsizetype p = 0, n = 0;
    qsizetype estrella = -1, desde = 0;
    while (n < nombre.size()) {
        if (p < patron.size() && (patron[p] == u'?' || patron[p] == nombre[n])) {
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
        if (!limpia.isEmpty())
            m_partes << limpia.toCaseFolded();
    }
}

bool PatronArchivos::coincide(const QString &nombre) const
{
    return coincideDoblado(dobla(nombre));
}

bool PatronArchivos::coincideDoblado(const QString &nombreDoblado) const
{
    if (m_partes.isEmpty())
        return true;
    for (const QString &parte : m_partes)
        if (coincideParte(parte, nombreDoblado))
            return true;
    return false;
}
