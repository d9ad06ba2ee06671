#include "core/archivos/ListadoCarpeta.h"

#include "core/archivos/PatronArchivos.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

namespace {

// A name's bytes as a message shows them: text as it is, each byte that is
// not UTF-8 as \xHH.
QString visibleBytes(const QByteArray &nombre)
{
    QString v;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    for (qsizetype i = 0; i < nombre.size();) {
        // The character that starts here, when it is text (one to four bytes).
        qsizetype largo = 0;
        for (qsizetype n = 1; n <= 4 && i + n <= nombre.size(); ++n) {
            QStringDecoder prueba(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            const QString t = prueba.decode(nombre.mid(i, n));
            if (!prueba.hasError() && !t.isEmpty()) {
                largo = n;
                break;
            }
        }
        if (largo > 0) {
            v += utf8.decode(nombre.mid(i, largo));
            i += largo;
        } else {
            v += QStringLiteral("\\x") + QString::asprintf("%02X", uint(uchar(nombre.at(i))));
            ++i;
        }
    }
    return v;
}

// The names of the folder that are not valid UTF-8 (Qt passes them over)
// and would match the pattern.
QStringList ilegiblesDe(const QString &carpeta, const PatronArchivos &patron)
{
    QStringList ilegibles;
    DIR *d = ::opendir(QFile::encodeName(carpeta).constData());
    if (!d)
        return ilegibles;
    while (const dirent *e = ::readdir(d)) {
        const QByteArray nombre(e->d_name);
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString leido = utf8.decode(nombre);
        if (!utf8.hasError() || !patron.coincide(leido))
            continue;
        struct stat info {
        };
        if (::fstatat(::dirfd(d), e->d_name, &info, 0) == 0 && S_ISREG(info.st_mode))
            ilegibles << visibleBytes(nombre);
    }
    ::closedir(d);
    ilegibles.sort();
    return ilegibles;
}

} // namespace

bool ListadoCarpeta::relee()
{
    m_archivos.clear();
    m_ilegibles.clear();
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
    m_ilegibles = ilegiblesDe(m_carpeta, patron);
    std::sort(m_archivos.begin(), m_archivos.end(),
              [](const QString &a, const QString &b) { return PatronArchivos::menor(a, b); });
    return true;
}
