// The walk over the sound bank: one WAV file per entry, front to back.
#pragma once

#include <cstdint>

#include "runtime/files/file_handle.h"

// Extracts the music bank, or else the sound bank, from the current
// directory, announcing each file and ending with one status line. Prints
// nothing when neither bank is there.
void ExtractAll();

// Moves n bytes from source to target through one zero-filled scratch block.
// Returns 0 when no block can be had, nothing is read or nothing is written,
// else 1: a short read still writes all n bytes, the missing ones as zeros.
int32_t CopyBlock(FileHandle* source, FileHandle* target, int32_t n);
