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

private:
    QString m_carpeta;
    QString m_patron;
    QStringList m_archivos;
};
