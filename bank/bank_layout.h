// The two file layouts that the program knows: the sound bank archive it
// reads and the WAV file it writes for each entry.
#pragma once

#include <cstdint>

// The banks, looked for in the current directory in this order.
constexpr const char* MusicBankName = "music_p.lsd";
constexpr const char* SoundBankName = "sound_p.lsd";

// An archive is a 32-bit lead field and then entries back to back up to the
// end of the file. An entry is a name field that ends at its first zero byte
// (or fills all 32 bytes), a signed 32-bit length field L, the 16-byte body
// of a WAVE format chunk, and L + 2 sample bytes.
constexpr int32_t LeadFieldSize = 4;
constexpr int32_t NameFieldSize = 32;
constexpr int32_t FormatBlockSize = 16;

// A WAV file is a 44-byte header, the format block inside it, then the
// sample block: L + 46 bytes in all. The tags are the little-endian values
// whose bytes spell them.
constexpr int32_t RiffTag = 0x46464952;    // "RIFF"
constexpr int32_t WaveTag = 0x45564157;    // "WAVE"
constexpr int32_t FormatTag = 0x20746D66;  // "fmt "
constexpr int32_t DataTag = 0x61746164;    // "data"

constexpr const char* WavExtension = ".wav";

// The length field's sums wrap as 32-bit values, as they do in the file.
constexpr int32_t WrappedSum(int32_t length, int32_t add) {
    return static_cast<int32_t>(static_cast<uint32_t>(length) + static_cast<uint32_t>(add));
}
constexpr int32_t RiffSize(int32_t length) { return WrappedSum(length, 38); }
constexpr int32_t SampleBlockSize(int32_t length) { return WrappedSum(length, 2); }
// The size of a complete WAV file, in 64-bit arithmetic that cannot wrap.
constexpr int64_t WavFileSize(int32_t length) { return static_cast<int64_t>(length) + 46; }
