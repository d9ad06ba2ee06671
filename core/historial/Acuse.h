#pragma once

#include "core/db/HistorialDiario.h"

#include <QString>

// The receipt of a file sent: what the office uploaded (name, size,
// SHA-256, server folder), when the server accepted it (local time and
// UTC) and each response stored for it with its moment and hash. Plain
// text, printed by the command line and by the history window.
namespace Acuse {
QString titulo();
QString texto(const HistorialDiario::Transmision &t);
} // namespace Acuse
