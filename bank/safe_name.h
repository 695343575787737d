// Names from an archive decide where files are written. A name stays inside
// the current directory unless it is rooted or climbs with a ".." element;
// such a name is refused, never rewritten.
#pragma once

#include "platform/path_conventions.h"

// Why a name is refused, if it is.
enum class NameFault { None, Rooted, ClimbsUp, Colon, DeviceName, ReservedCharacter, ControlByte };

// What lsd2wav refuses to write, on a platform that reads paths by
// `conventions`.
NameFault FindNameFault(const char* name, const PathConventions& conventions);
bool IsSafeOutputName(const char* name, const PathConventions& conventions);

// What a new bank may not hold, on any platform: whatever lsd2wav on Windows
// refuses, and whatever Windows itself cannot create there (a separator, one
// of < > : " | ? *, a control byte), so that every lsd2wav extracts every
// entry to the file it is named after.
NameFault FindNewNameFault(const char* fileName);
