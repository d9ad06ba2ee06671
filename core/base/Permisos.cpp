#include "core/base/Permisos.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

namespace {

constexpr QFileDevice::Permissions kAjenos = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup
                                             | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;

} // namespace

namespace Permisos {

bool soloDueno(const QString &ruta)
{
    QFileDevice::Permissions permisos = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    if (QFileInfo(ruta).isDir())
        permisos |= QFileDevice::ExeOwner;
    return QFile::setPermissions(ruta, permisos);
}

bool abiertoAOtros(const QString &ruta)
{
    const QFileInfo info(ruta);
    return info.exists() && (info.permissions() & kAjenos);
}

QString restringeBase(const QString &ruta)
{
    // Only the office's own database file: a folder, a link (whose target
    // may be anything) or somebody else's file at that path is left as it is,
    // and the opening of the database then says what is wrong there.
    const QFileInfo info(ruta);
    if (info.isSymLink() || !info.isFile())
        return {};
#ifdef Q_OS_UNIX
    if (info.ownerId() != ::geteuid())
        return {};
#endif
    if (!abiertoAOtros(ruta) || !soloDueno(ruta))
        return {};
    return QStringLiteral("Otros usuarios de este equipo podían leer la base de datos %1, que guarda las "
                          "contraseñas; ahora solo su dueño puede leerla y escribirla.")
        .arg(QDir::toNativeSeparators(ruta));
}

void sinVolcados()
{
#ifdef Q_OS_UNIX
    const rlimit nada {0, 0};
    ::setrlimit(RLIMIT_CORE, &nada);
#endif
#ifdef Q_OS_LINUX
    ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
#endif
}

} // namespace Permisos
