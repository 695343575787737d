// Reading a RIFF WAVE file front to back, for what one bank entry needs: the
// 16-byte PCM block of its "fmt " chunk and its one "data" chunk. Other
// chunks are read past, with the pad byte that follows a chunk of odd length.
// The size in the RIFF header is not trusted: writers that stream often
// leave it wrong, so the chunks run to the end of the file.
#pragma once

#include <cstdint>

#include "bank/bank_layout.h"
#include "pack/pack_texts.h"
#include "runtime/files/file_handle.h"

struct WavHead {
    unsigned char format[FormatBlockSize];
    int32_t dataSize;  // 1 or more; the entry's length field is two less
    bool convertible;  // refused for what its samples are, which a converter changes
};

// Reads from the start of the file up to the first byte of the data chunk,
// whose bytes are then the caller's to take. The format must be PCM that
// means what it says, or extensible PCM, packed as the plain PCM block it
// equals; a 16-byte block equal to `own` (an entry's format, or none) is
// taken whatever it says, as lsd2wav wrote it. Returns the reason to refuse
// the file, or None.
Reason ReadWavHead(FileHandle* wav, const unsigned char* own, WavHead* head);

// The bytes that open a WAV file, and whether they say RIFF and WAVE.
constexpr int32_t RiffHeaderSize = 12;
bool IsRiffWaveHeader(const unsigned char* riff);
// Reads them from the file; whether they do.
bool ReadRiffWaveHeader(FileHandle* file);

// Reads the rest of the file once all `head.dataSize` bytes of the data chunk
// have been taken. Returns the reason to refuse the file, or None.
Reason ReadWavTail(FileHandle* wav, const WavHead& head);
