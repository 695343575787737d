// wav2lsd --update BANK: BANK rebuilt from the files that lsd2wav extracted
// from it into the current folder. Each entry keeps its place, its whole name
// field and the lead field, and takes the format and the samples of its file,
// so an untouched folder gives BANK back byte for byte.
#pragma once

#include "pack/pack_failure.h"

// With `verbose`, prints one line per entry that changed once BANK is in
// place. Returns true when it is; else fills `failure`.
bool UpdateBank(const char* bankPath, bool verbose, PackFailure* failure);
