#pragma once

#include <QString>

// Owner-only files and folders: the office database, its folder, the
// start-up file and the work folder hold the passwords (scrambled, not
// encrypted), so nobody else on the machine may read them.
namespace Permisos {

// Leaves a file readable and writable by its owner only (0600), a folder
// also searchable (0700). False when the change was refused.
bool soloDueno(const QString &ruta);
// True when ruta exists and others than its owner may read, write or enter it.
bool abiertoAOtros(const QString &ruta);
// An office database that others may read is left to its owner only; the
// notice to show then, or an empty text when nothing changed.
QString restringeBase(const QString &ruta);

// No core dump of this process ever reaches a disk, and no other program of
// the same user may read its memory: both would hold the passwords in
// clear. Called first thing by main().
void sinVolcados();

} // namespace Permisos
