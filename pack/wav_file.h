// One WAV file that goes into a bank: opened and read up to its samples,
// its samples copied, then what follows them checked as it is closed. A
// refusal names the file as `shown`: the path as given, or an entry's file
// as --list shows it.
#pragma once

#include <cstdint>

#include "pack/pack_failure.h"
#include "pack/wav_reader.h"
#include "runtime/files/file_handle.h"

// Opens the WAV file `path` and reads it up to its samples; on a refusal
// fills `failure` and returns none. `own`: see ReadWavHead.
FileHandle* OpenWav(const char* path, const char* shown, const unsigned char* own, WavHead* head,
                    PackFailure* failure);

// The most bytes of samples that one piece of a copy holds: large enough
// that each piece passes the file buffers in one OS call.
constexpr int32_t CopyPieceSize = 1 << 16;

// Copies the file's `n` samples into the bank, a piece at a time; `take`,
// when given, sees each piece once it is written.
struct PieceTaker {
    void (*take)(void* context, const unsigned char* piece, int32_t n);
    void* context;
};
bool CopyData(FileHandle* wav, const char* shown, FileHandle* bank, int32_t n, PieceTaker taker,
              PackFailure* failure);

// Closes the file; after a copy of every sample (`copied`) it first checks
// what follows them. Whether the file was copied and is good.
bool CloseWav(FileHandle* wav, const char* shown, const WavHead& head, bool copied,
              PackFailure* failure);
