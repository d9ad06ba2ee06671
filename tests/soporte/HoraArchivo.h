#pragma once

#include <QDateTime>
#include <QFile>
#include <QString>

#include <sys/stat.h>
#include <sys/time.h>

// The modification time of a file on a test server's disk, which is what the
// server gives for it (MDTM): a file the server "wrote" at another moment
// is a file whose time is set so.
inline QDateTime horaDe(const QString &ruta)
{
    struct stat s {
    };
    if (::stat(QFile::encodeName(ruta).constData(), &s) != 0)
        qFatal("no se pudo leer la hora de %s", qPrintable(ruta));
    return QDateTime::fromSecsSinceEpoch(s.st_mtim.tv_sec, Qt::UTC);
}

inline void fijaHora(const QString &ruta, const QDateTime &hora)
{
    const timeval tiempos[2] = {{time_t(hora.toSecsSinceEpoch()), 0}, {time_t(hora.toSecsSinceEpoch()), 0}};
    if (::utimes(QFile::encodeName(ruta).constData(), tiempos) != 0)
        qFatal("no se pudo fijar la hora de %s", qPrintable(ruta));
}
