// wav2lsd --list BANK: one line per entry, in order, without extracting
// anything: the file that lsd2wav would write, channels, rate, bits and
// sample bytes, and a mark for an entry that is cut short, has no samples or
// has a name that lsd2wav refuses. Control bytes in names are shown escaped:
// the listing is for people.
#pragma once

#include "pack/pack_failure.h"

bool ListBank(const char* bankPath, PackFailure* failure);

// The same walk for the page, in one pass and without totals: per entry one
// line of tab-separated fields, the file lsd2wav writes (its bytes in
// hexadecimal), that name as the listing shows it, channels, rate, bits,
// sample bytes (empty when the head is cut) and the listing's marks.
bool ListBankForPage(const char* bankPath, PackFailure* failure);
