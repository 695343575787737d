#include "pack/wav_reader.h"

#include "bank/little_endian.h"
#include "pack/pack_texts.h"
#include "runtime/process/memory_pool.h"

namespace {

constexpr int32_t ChunkHeaderSize = 8;
constexpr int32_t RiffHeaderSize = 12;
// The file operations only go forward, so chunks to skip are read through,
// this much at a time.
constexpr int32_t SkipBlockSize = 1 << 16;

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
    uint32_t left = size;
    if (left > 0) {
        void* block =
            AllocateBlock(left < SkipBlockSize ? static_cast<int32_t>(left) : SkipBlockSize);
        if (!block) return OutOfMemory;
        while (left > 0) {
            int32_t want = left < SkipBlockSize ? static_cast<int32_t>(left) : SkipBlockSize;
            int32_t got = ReadBlock(wav, block, want);
            left -= static_cast<uint32_t>(got);
            if (got != want) break;
        }
        FreeBlock(block);
    }
    if (left > 0) return ChunkPastEnd;
    SkipPad(wav, size);
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
            if (chunk.size != FormatBlockSize) return FormatSize;
            if (ReadBlock(wav, head->format, FormatBlockSize) != FormatBlockSize)
                return ChunkPastEnd;
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
