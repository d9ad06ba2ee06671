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

    bool coincide(QStringView nombre) const;

    // Order of names without regard to case (names equal but for case in
    // their plain order), as the folder listing sorts them.
    static bool menor(QStringView a, QStringView b);
    // A character folded for comparison without regard to case.
    static char16_t dobla(QChar c)
    {
        const char16_t u = c.unicode();
        if (u < 0x80)
            return u >= u'A' && u <= u'Z' ? char16_t(u + 32) : u;
        return c.toCaseFolded().unicode();
    }

private:
    QStringList m_partes; // folded, blanks around each part removed; none means every name
};
