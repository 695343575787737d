// Writing a bank from WAV files: a lead field of 0, then one entry per file
// in the order given.
#pragma once

#include <cstdint>

#include "pack/bank_file.h"
#include "pack/pack_failure.h"

// Returns true when the bank is in place; else fills `failure`.
bool PackBank(const char* bankPath, const char* const* wavPaths, int32_t wavCount,
              PackFailure* failure);
