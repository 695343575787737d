// wav2lsd --list BANK: one line per entry, in order, without extracting
// anything: the file that lsd2wav would write, channels, rate, bits and
// sample bytes, and a mark for an entry that is cut short, has no samples or
// has a name that lsd2wav refuses. Control bytes in names are shown escaped:
// the listing is for people.
#pragma once

#include "pack/pack_failure.h"

bool ListBank(const char* bankPath, PackFailure* failure);

