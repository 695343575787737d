// Writing a bank from WAV files: a lead field of 0, then one entry per file
// in the order given.
#pragma once

#include <cstdint>

#include "pack/bank_file.h"
#include "pack/pack_failure.h"

// Returns true when the bank is in place; else fills `failure`.
// With `force`, a BANK that is there is replaced; without, it is refused.
bool PackBank(const char* bankPath, const char* const* wavPaths, int32_t wavCount, bool force,
              PackFailure* failure);
