// Sound bank archives and the WAV files and console text that a run over them
// must produce, all built in memory so that the tests need no binary fixtures.
// Byte strings are std::string: they compare byte for byte and GoogleTest
// prints them with escapes when they differ.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lsdtest {

typedef std::string Bytes;

const size_t kLeadFieldSize = 4;
const size_t kNameFieldSize = 32;
const size_t kLengthFieldSize = 4;
const size_t kFormatBlockSize = 16;
// Name field, length field and format block: everything before the samples.
const size_t kEntryHeadSize = kNameFieldSize + kLengthFieldSize + kFormatBlockSize;
const size_t kWavHeaderSize = 44;

// One archive entry exactly as it is stored. The sample block normally holds
// length + 2 bytes; tests that want a malformed entry may set it otherwise.
struct BankEntry {
    Bytes nameField;  // always kNameFieldSize bytes
    int32_t length;   // the length field L
    Bytes format;     // always kFormatBlockSize bytes
    Bytes samples;
};

enum BankKind { kMusicBank, kSoundBank };

// "music_p.lsd" or "sound_p.lsd".
const char* BankFileName(BankKind kind);
// "Extracting music..." or "Extracting sounds...".
const char* BankHeading(BankKind kind);

// The name field for a name of at most 32 bytes, padded with zero bytes.
Bytes NameField(const std::string& name);
// The name field from raw bytes: cut or zero-padded to exactly 32 bytes.
Bytes RawNameField(const Bytes& raw);
// The name the program must take from a name field: up to the first zero.
std::string EntryName(const BankEntry& entry);
// The file name the program must create for the entry: the name + ".wav".
std::string WavFileName(const BankEntry& entry);

// A 16-byte PCM format block (tag 1) for the given layout; byte rate and
// block alignment follow from it.
Bytes PcmFormat(uint16_t channels, uint32_t sampleRate, uint16_t bitsPerSample);

// `count` deterministic bytes, none of them zero, so that a zero-filled tail
// in an output file cannot pass for real sample data. Different seeds give
// different sequences.
Bytes PatternBytes(size_t count, uint32_t seed);

// An entry named `name` with length field `length`, a 16-bit stereo format
// and max(length + 2, 0) pattern sample bytes drawn from `seed`.
BankEntry MakeEntry(const std::string& name, int32_t length, uint32_t seed);
// The same with the name field given as raw bytes.
BankEntry MakeRawEntry(const Bytes& rawName, int32_t length, uint32_t seed);

// The stored bytes of one entry, or of a whole archive behind a lead field.
Bytes EntryBytes(const BankEntry& entry);
Bytes ArchiveBytes(const std::vector<BankEntry>& entries, uint32_t leadField = 0x4B4E4142);

// The first `size` bytes of `bytes` (all of them when size is larger).
Bytes Truncate(const Bytes& bytes, size_t size);
// `bytes` with every byte from `offset` on replaced by zero.
Bytes ZeroFrom(const Bytes& bytes, size_t offset);

// Little-endian 32-bit value.
Bytes Int32Bytes(uint32_t value);

// The 44-byte header the program writes for length field L and a format
// block; the sums L + 38 and L + 2 wrap at 32 bits.
Bytes WavHeader(int32_t length, const Bytes& format);
// The whole file the program writes for a complete entry: the header and
// L + 2 sample bytes (none when L + 2 is zero or less, for which the program
// stops after the header). Sample bytes missing from the entry count as zero.
Bytes ExpectedWav(const BankEntry& entry);

// Each line followed by this platform's line end, concatenated.
// `lines`, each ended in CR LF, as this platform's programs end them.
Bytes NativeLines(const Bytes& lines);
Bytes ConsoleLines(const std::vector<std::string>& lines);
// The whole console output of a run over `entries` whose walk announces every
// one of them and then ends with `status` ("  ok" or a failure line).
Bytes ExpectedConsole(BankKind kind, const std::vector<BankEntry>& entries,
                      const std::string& status = "  ok");

extern const char* const kStatusOk;
extern const char* const kStatusCannotCreate;
extern const char* const kStatusWriteFailed;

// Writes `bytes` to `path`, replacing it; false when that fails.
bool WriteBytesToFile(const std::string& path, const Bytes& bytes);

}  // namespace lsdtest
