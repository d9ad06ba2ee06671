#include "core/base/Version.h"

// TENDAL_VERSION is defined for this file alone (core/CMakeLists.txt), so a
// new version rebuilds one source.
QString Version::texto()
{
    return QStringLiteral(TENDAL_VERSION);
}
