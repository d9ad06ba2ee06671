#pragma once

#include <QString>
#include <QStringList>

// The file list box behind the agency file list (filPreVal): the files of
// one folder whose names match a pattern, sorted by name without regard to
// case. Folders and hidden files are not listed.
class ListadoCarpeta
{
public:
    const QString &carpeta() const { return m_carpeta; }
    void ponCarpeta(const QString &carpeta) { m_carpeta = carpeta; }
    const QString &patron() const { return m_patron; }
    void ponPatron(const QString &patron) { m_patron = patron; }

    // Reads the folder again. False (and no files) when the folder does not
    // exist or is not set.
    bool relee();
    const QStringList &archivos() const { return m_archivos; }
    // Files of the folder whose names are not valid UTF-8 and would match
    // the pattern (read with U+FFFD where the bytes are not text): they
    // cannot be listed, opened by name or sent. Each is written with its
    // unreadable bytes as \xHH, as a message shows it.
    const QStringList &ilegibles() const { return m_ilegibles; }

private:
    QString m_carpeta;
    QString m_patron;
    QStringList m_archivos;
    QStringList m_ilegibles;
};
