#include "pack/wav_reader.h"

#include <cstring>

#include "platform/little_endian.h"
#include "bank/bank_walk.h"
#include "pack/pack_texts.h"

namespace {

constexpr int32_t ChunkHeaderSize = 8;
// A format chunk that some writers use for plain PCM: the 16 bytes and an
// extra-size field of 0.
constexpr uint32_t LongPcmFormatSize = 18;
// WAVE_FORMAT_EXTENSIBLE: the 16 bytes, an extra size of 22, the valid bits,
// a channel mask and the GUID of the sub-format.
constexpr uint32_t ExtensibleFormatSize = 40;
constexpr int32_t PcmTag = 1;
constexpr int32_t FloatTag = 3;
constexpr int32_t ExtensibleTag = 0xFFFE;
// The GUID of a sub-format after its first two bytes, which hold the tag.
constexpr unsigned char SubFormatGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                                 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

struct Chunk {
    int32_t id;
    uint32_t size;
};

int32_t Uint16At(const unsigned char* at) { return at[0] | at[1] << 8; }

// Reads the next chunk header. Bytes after the last whole chunk that are too
// few for a header are left over by many writers, and end the file; so does
// the pad byte of an odd chunk that is missing before the next chunk, as a
// pad is zero and a chunk's name is not: a non-zero `first` byte read in
// its place starts the header. Whether there was a header.
bool ReadChunkHeader(FileHandle* wav, Chunk* chunk, int first) {
    unsigned char header[ChunkHeaderSize];
    int32_t at = 0;
    if (first > 0) header[at++] = static_cast<unsigned char>(first);
    at += ReadBlock(wav, header + at, ChunkHeaderSize - at);
    if (at != ChunkHeaderSize) return false;
    chunk->id = Int32At(header);
    chunk->size = Uint32At(header + 4);
    return true;
}

// After a chunk of odd size: its pad byte, or, when that is missing, the
// first byte of the next header; -1 at the end of the file, 0 after a pad.
int ReadPad(FileHandle* wav, uint32_t size) {
    if (size % 2 == 0) return 0;
    unsigned char pad;
    return ReadBlock(wav, &pad, 1) == 1 ? pad : -1;
}

// Reads past a chunk and its pad; `*next` gets what ReadPad gave.
Reason SkipChunk(FileHandle* wav, uint32_t size, int* next) {
    PastRead read = ReadPast(wav, size);
    if (read == PastRead::OutOfMemory) return Reason::OutOfMemory;
    if (read == PastRead::Short) return Reason::ChunkPastEnd;
    *next = ReadPad(wav, size);
    return Reason::None;
}

// Whether the 16 bytes describe PCM samples that can be read as they are:
// a channel or more, 8 to 32 bits in whole bytes per channel, and a block
// alignment and byte rate that follow from them.
bool IsSoundPcm(const unsigned char* f) {
    int32_t channels = Uint16At(f + 2);
    uint32_t rate = Uint32At(f + 4);
    uint32_t byteRate = Uint32At(f + 8);
    int32_t align = Uint16At(f + 12);
    int32_t bits = Uint16At(f + 14);
    return channels >= 1 && bits >= 8 && bits <= 32 && align == channels * ((bits + 7) / 8) &&
           static_cast<uint64_t>(byteRate) == static_cast<uint64_t>(rate) * align;
}

Reason RefusedTag(int32_t tag) {
    return tag == FloatTag ? Reason::FloatSamples : Reason::CompressedSamples;
}

// The 16-byte PCM block of the file's format chunk, which is plain PCM of 16
// bytes (or 18 with no extra), or extensible PCM whose samples fill their
// containers, the same samples. `own`, when given, is a block taken as it is.
Reason ReadFormat(FileHandle* wav, uint32_t size, const unsigned char* own,
                       WavHead* head, int* next) {
    if (size < static_cast<uint32_t>(FormatBlockSize)) return Reason::FormatSize;
    unsigned char body[ExtensibleFormatSize] = {};
    int32_t want = size < ExtensibleFormatSize ? static_cast<int32_t>(size)
                                               : static_cast<int32_t>(ExtensibleFormatSize);
    if (ReadBlock(wav, body, want) != want) return Reason::ChunkPastEnd;
    PastRead rest = ReadPast(wav, size - static_cast<uint32_t>(want));
    if (rest != PastRead::Whole)
        return rest == PastRead::Short ? Reason::ChunkPastEnd : Reason::OutOfMemory;
    *next = ReadPad(wav, size);
    std::memcpy(head->format, body, FormatBlockSize);
    // What lsd2wav wrote for the entry goes back into it, whatever it says.
    if (own && size == static_cast<uint32_t>(FormatBlockSize) &&
        std::memcmp(body, own, FormatBlockSize) == 0)
        return Reason::None;
    // Every refusal from here on is of what the samples are: a converter
    // can make them PCM.
    head->convertible = true;
    int32_t tag = Uint16At(body);
    if (tag == ExtensibleTag) {
        if (size < ExtensibleFormatSize || Uint16At(body + 16) < 22) return Reason::FormatSize;
        int32_t subTag = Uint16At(body + 24);
        if (subTag != PcmTag || std::memcmp(body + 26, SubFormatGuidTail, 14) != 0)
            return RefusedTag(subTag);
        if (Uint16At(body + 18) != Uint16At(body + 14)) return Reason::PartlyValidBits;
        head->format[0] = PcmTag;
        head->format[1] = 0;
    } else if (tag != PcmTag) {
        return RefusedTag(tag);
    } else if (size != static_cast<uint32_t>(FormatBlockSize) &&
               (size != LongPcmFormatSize || Uint16At(body + 16) != 0)) {
        return Reason::FormatSize;
    }
    if (!IsSoundPcm(head->format)) return Reason::InconsistentFormat;
    head->convertible = false;
    return Reason::None;
}

}  // namespace

bool IsRiffWaveHeader(const unsigned char* riff) {
    return Int32At(riff) == RiffTag && Int32At(riff + 8) == WaveTag;
}

bool ReadRiffWaveHeader(FileHandle* file) {
    unsigned char riff[RiffHeaderSize];
    return ReadBlock(file, riff, RiffHeaderSize) == RiffHeaderSize && IsRiffWaveHeader(riff);
}

Reason ReadWavHead(FileHandle* wav, const unsigned char* own, WavHead* head) {
    head->convertible = false;
    if (!ReadRiffWaveHeader(wav)) return Reason::NotRiffWave;
    bool haveFormat = false;
    int next = 0;
    for (;;) {
        Chunk chunk;
        if (!ReadChunkHeader(wav, &chunk, next))
            return haveFormat ? Reason::NoData : Reason::NoFormat;
        Reason reason;
        if (chunk.id == FormatTag) {
            if (haveFormat) return Reason::SecondFormat;
            reason = ReadFormat(wav, chunk.size, own, head, &next);
            haveFormat = true;
        } else if (chunk.id == DataTag) {
            // The entry's sample block must be written after its format block.
            if (!haveFormat) return Reason::DataBeforeFormat;
            // One byte is a sample block too: lsd2wav extracts an entry of
            // length -1 to a data chunk of one byte.
            if (chunk.size < 1) return Reason::ShortData;
            // lsd2wav reads the length field + 2 as a signed 32-bit size.
            if (chunk.size > static_cast<uint32_t>(INT32_MAX)) return Reason::LongData;
            head->dataSize = static_cast<int32_t>(chunk.size);
            return Reason::None;
        } else {
            reason = SkipChunk(wav, chunk.size, &next);
        }
        if (reason != Reason::None) return reason;
        if (next < 0) return haveFormat ? Reason::NoData : Reason::NoFormat;
    }
}

Reason ReadWavTail(FileHandle* wav, const WavHead& head) {
    int next = ReadPad(wav, static_cast<uint32_t>(head.dataSize));
    while (next >= 0) {
        Chunk chunk;
        if (!ReadChunkHeader(wav, &chunk, next)) return Reason::None;
        if (chunk.id == DataTag) return Reason::SecondData;
        if (chunk.id == FormatTag) return Reason::SecondFormat;
        Reason reason = SkipChunk(wav, chunk.size, &next);
        if (reason != Reason::None) return reason;
    }
    return Reason::None;
}
