#include "pack/wav_reader.h"

#include <cstring>

#include "bank/little_endian.h"
#include "pack/bank_walk.h"
#include "pack/pack_texts.h"

namespace {

constexpr int32_t ChunkHeaderSize = 8;
constexpr int32_t RiffHeaderSize = 12;
// A format chunk that some writers use for plain PCM: the 16 bytes and an
// extra-size field of 0.
constexpr uint32_t LongPcmFormatSize = 18;
constexpr int32_t PcmTag = 1;

struct Chunk {
    bool present;  // false at the end of the file
    int32_t id;
    uint32_t size;
};

const char* ReadChunkHeader(FileHandle* wav, Chunk* chunk) {
    unsigned char header[ChunkHeaderSize];
    int32_t got = ReadBlock(wav, header, ChunkHeaderSize);
    chunk->present = got != 0;
    if (got == 0) return nullptr;
    if (got != ChunkHeaderSize) return ChunkPastEnd;
    chunk->id = Int32At(header);
    chunk->size = Uint32At(header + 4);
    return nullptr;
}

// Reads past the pad byte that follows a chunk of odd size. Writers that
// forget the pad byte after the last chunk are common, so a file that ends
// there is accepted.
void SkipPad(FileHandle* wav, uint32_t size) {
    unsigned char pad;
    if (size % 2 != 0) ReadBlock(wav, &pad, 1);
}

const char* SkipChunk(FileHandle* wav, uint32_t size) {
    PastRead read = ReadPast(wav, size);
    if (read == PastRead::OutOfMemory) return OutOfMemory;
    if (read == PastRead::Short) return ChunkPastEnd;
    SkipPad(wav, size);
    return nullptr;
}

// The 16-byte body, from a chunk of 16 bytes or from an 18-byte one of plain
// PCM with nothing in its extra part. Anything longer describes samples
// that a bank's 16-byte format block cannot.
const char* ReadFormat(FileHandle* wav, uint32_t size, WavHead* head) {
    if (size != FormatBlockSize && size != LongPcmFormatSize) return FormatSize;
    unsigned char body[LongPcmFormatSize];
    if (ReadBlock(wav, body, static_cast<int32_t>(size)) != static_cast<int32_t>(size))
        return ChunkPastEnd;
    if (size == LongPcmFormatSize &&
        ((body[0] | body[1] << 8) != PcmTag || body[16] != 0 || body[17] != 0))
        return FormatSize;
    std::memcpy(head->format, body, FormatBlockSize);
    return nullptr;
}

}  // namespace

const char* ReadWavHead(FileHandle* wav, WavHead* head) {
    unsigned char riff[RiffHeaderSize];
    if (ReadBlock(wav, riff, RiffHeaderSize) != RiffHeaderSize || Int32At(riff) != RiffTag ||
        Int32At(riff + 8) != WaveTag)
        return NotRiffWave;
    bool haveFormat = false;
    for (;;) {
        Chunk chunk;
        const char* reason = ReadChunkHeader(wav, &chunk);
        if (reason) return reason;
        if (!chunk.present) return haveFormat ? NoData : NoFormat;
        if (chunk.id == FormatTag) {
            if (haveFormat) return SecondFormat;
            reason = ReadFormat(wav, chunk.size, head);
            if (reason) return reason;
            haveFormat = true;
        } else if (chunk.id == DataTag) {
            // The entry's sample block must be written after its format block.
            if (!haveFormat) return DataBeforeFormat;
            if (chunk.size < 2) return ShortData;
            // lsd2wav reads the length field + 2 as a signed 32-bit size.
            if (chunk.size > static_cast<uint32_t>(INT32_MAX)) return LongData;
            head->dataSize = static_cast<int32_t>(chunk.size);
            return nullptr;
        } else {
            reason = SkipChunk(wav, chunk.size);
            if (reason) return reason;
        }
    }
}

const char* ReadWavTail(FileHandle* wav, const WavHead& head) {
    SkipPad(wav, static_cast<uint32_t>(head.dataSize));
    for (;;) {
        Chunk chunk;
        const char* reason = ReadChunkHeader(wav, &chunk);
        if (reason || !chunk.present) return reason;
        if (chunk.id == DataTag) return SecondData;
        if (chunk.id == FormatTag) return SecondFormat;
        reason = SkipChunk(wav, chunk.size);
        if (reason) return reason;
    }
}
