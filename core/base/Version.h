#pragma once

#include <QString>

// The program's version, "MAYOR.MENOR.REVISION". Its one source is the
// project version of the top CMakeLists.txt; the window title, the default
// message title, `tendal --version` and the package all take it from there.
namespace Version {

QString texto();

} // namespace Version
