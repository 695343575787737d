// Names from an archive decide where files are written. A name stays inside
// the current directory unless it is rooted or climbs with a ".." element;
// such a name is refused, never rewritten.
#pragma once

#include "platform/path_conventions.h"

// Why a name is refused, if it is.
enum class NameFault { None, Rooted, ClimbsUp, Colon, DeviceName };

NameFault FindNameFault(const char* name, const PathConventions& conventions);
bool IsSafeOutputName(const char* name, const PathConventions& conventions);
