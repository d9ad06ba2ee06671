#pragma once

#include <QString>
#include <QStringList>

// A file pattern of the agency file list: one or more patterns separated by
// ";"; a name matches when it matches any of them. "*" stands for any run of
// characters (also none), "?" for exactly one; the match ignores case.
class PatronArchivos
{
public:
    explicit PatronArchivos(const QString &patron = QString());

    bool coincide(const QString &nombre) const;

    // The name as coincideDoblado expects it.
    static QString dobla(const QString &nombre) { return nombre.toCaseFolded(); }
    // Match of a name already folded with dobla().
    bool coincideDoblado(const QString &nombreDoblado) const;

private:
    QStringList m_partes; // folded, blanks around each part removed; none means every name
};
