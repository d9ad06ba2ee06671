#include "mainwindow/ListadoCarpeta.h"

#include "mainwindow/PatronArchivos.h"

#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>
#include <vector>

bool ListadoCarpeta::relee()
{
    m_archivos.clear();
    if (m_carpeta.isEmpty() || !QFileInfo(m_carpeta).isDir())
        return false;
    const PatronArchivos patron(m_patron);
    // Each name is folded once: the folded text serves the match and the sort.
    std::vector<std::pair<QString, QString>> hallados;
    QDirIterator it(m_carpeta, QDir::Files);
    while (it.hasNext()) {
        it.next();
        QString nombre = it.fileName();
        QString doblado = PatronArchivos::dobla(nombre);
        if (patron.coincideDoblado(doblado))
            hallados.emplace_back(std::move(doblado), std::move(nombre));
    }
    std::sort(hallados.begin(), hallados.end());
    m_archivos.reserve(qsizetype(hallados.size()));
    for (auto &par : hallados)
        m_archivos.append(std::move(par.second));
    return true;
}
