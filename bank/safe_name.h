// Names from an archive decide where files are written. A name stays inside
// the current directory unless it is rooted or climbs with a ".." element;
// such a name is refused, never rewritten.
#pragma once

#include "platform/path_conventions.h"

bool IsSafeOutputName(const char* name, const PathConventions& conventions);
