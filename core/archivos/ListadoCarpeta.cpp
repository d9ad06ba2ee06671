#include "core/archivos/ListadoCarpeta.h"

#include "core/archivos/PatronArchivos.h"

#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>

bool ListadoCarpeta::relee()
{
    m_archivos.clear();
    if (m_carpeta.isEmpty() || !QFileInfo(m_carpeta).isDir())
        return false;
    const PatronArchivos patron(m_patron);
    QDirIterator it(m_carpeta, QDir::Files);
    while (it.hasNext()) {
        it.next();
        QString nombre = it.fileName();
        if (patron.coincide(nombre))
            m_archivos.append(std::move(nombre));
    }
    std::sort(m_archivos.begin(), m_archivos.end(),
              [](const QString &a, const QString &b) { return PatronArchivos::menor(a, b); });
    return true;
}
