#include "core/base/Permisos.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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
    if (!abiertoAOtros(ruta) || !soloDueno(ruta))
        return {};
    return QStringLiteral("Otros usuarios de este equipo podían leer la base de datos %1, que guarda las "
                          "contraseñas; ahora solo su dueño puede leerla y escribirla.")
        .arg(QDir::toNativeSeparators(ruta));
}

} // namespace Permisos
