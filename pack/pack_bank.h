// Writing a bank from WAV files: a lead field of 0, then one entry per file
// in the order given.
#pragma once

#include <cstdint>

#include "pack/bank_file.h"
#include "pack/pack_failure.h"
#include "pack/wav_reader.h"

// Returns true when the bank is in place; else fills `failure`.
bool PackBank(const char* bankPath, const char* const* wavPaths, int32_t wavCount,
              PackFailure* failure);

// Opens a WAV file and reads it up to its samples; on a refusal fills
// `failure` (naming `wavPath`) and returns none.
FileHandle* OpenWav(const char* wavPath, const unsigned char* own, WavHead* head,
                    PackFailure* failure);
// Copies the `n` samples of a WAV file into the bank. With `old` (the bank
// as it was, at the entry's samples, which are n bytes too) it reads along and
// sets `differs` (false on entry) when they are not the same; once they
// differ it reads past the rest.
bool CopyData(FileHandle* wav, const char* wavPath, FileHandle* bank, const char* bankPath,
              int32_t n, PackFailure* failure, FileHandle* old, bool* differs);
// Checks what follows the samples and closes the file; whether it is good.
bool CloseWav(FileHandle* wav, const char* wavPath, const WavHead& head, PackFailure* failure);
