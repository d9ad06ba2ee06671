#pragma once

// libmdb, the reader of Access (Jet) files. Its header needs glib first and
// must stay out of every header of ours: include this file in .cpp files only.
#include <glib.h>

#include <mdbtools.h>
