#include "extract/entry_wav.h"

#include <cstring>

#include "bank/bank_layout.h"
#include "extract/console_texts.h"
#include "platform/little_endian.h"
#include "runtime/memory/memory.h"

namespace {

// The largest piece CopyInPieces moves at once.
constexpr int32_t PieceSize = 1 << 20;

}  // namespace

EntryWrite CopyBlock(FileHandle* source, FileHandle* target, int32_t n) {
    void* block = AllocateBlockToFill(n);
    if (!block) return EntryWrite::FailedToWrite;
    int32_t got = ReadBlock(source, block, n);
    // Only a bank cut short leaves part of the block unread, and that part
    // may hold an earlier entry's samples.
    if (got < n) {
        std::memset(static_cast<unsigned char*>(block) + got, 0, static_cast<size_t>(n - got));
    }
    EntryWrite result = EntryWrite::Done;
    if (HasFailed(source)) {
        result = EntryWrite::FailedToRead;
    } else if (got == 0 || WriteBlock(target, block, n) == 0) {
        result = EntryWrite::FailedToWrite;
    }
    FreeBlock(block);
    return result;
}

EntryWrite CopyInPieces(FileHandle* source, FileHandle* target, int32_t n) {
    if (n <= 0) return EntryWrite::FailedToWrite;
    auto* piece = static_cast<unsigned char*>(AllocateBlockToFill(n < PieceSize ? n : PieceSize));
    if (!piece) return EntryWrite::FailedToWrite;
    EntryWrite result = EntryWrite::Done;
    bool ended = false;  // the source has no more: the rest is zeros
    for (int32_t done = 0; done < n && result == EntryWrite::Done;) {
        int32_t want = n - done < PieceSize ? n - done : PieceSize;
        int32_t got = ended ? 0 : ReadBlock(source, piece, want);
        if (got < want) {
            std::memset(piece + got, 0, static_cast<size_t>(want - got));
            ended = true;
        }
        if (HasFailed(source)) {
            result = EntryWrite::FailedToRead;
        } else if ((done == 0 && got == 0) || WriteBlock(target, piece, want) != want) {
            result = EntryWrite::FailedToWrite;
        }
        done += want;
    }
    FreeBlock(piece);
    return result;
}

namespace {

// Writes the header's 32-bit words from `from` up to `to`, one at a time.
void WriteHeaderWords(FileHandle* output, const unsigned char* header, int32_t from, int32_t to) {
    for (int32_t at = from; at < to; at += 4) WriteInt32(output, Int32At(header + at));
}

}  // namespace

void EntryWavHeader(int32_t length, const unsigned char* format, unsigned char* header) {
    PutInt32(header, RiffTag);
    PutInt32(header + 4, RiffSize(length));
    PutInt32(header + 8, WaveTag);
    PutInt32(header + 12, FormatTag);
    PutInt32(header + 16, FormatBlockSize);
    if (format) std::memcpy(header + 20, format, FormatBlockSize);
    PutInt32(header + 36, DataTag);
    PutInt32(header + 40, SampleBlockSize(length));
}

EntryWrite WriteEntryWav(FileHandle* archive, FileHandle* output, int32_t length,
                         CopyBytes copy) {
    // The format block in between comes from the bank as it stands.
    unsigned char header[WavHeaderSize] = {};
    EntryWavHeader(length, nullptr, header);
    WriteHeaderWords(output, header, 0, 20);
    EntryWrite result = copy(archive, output, FormatBlockSize);
    if (result != EntryWrite::Done) return result;
    WriteHeaderWords(output, header, 36, WavHeaderSize);
    result = copy(archive, output, SampleBlockSize(length));
    if (result != EntryWrite::Done) return result;
    if (GetPosition(output) != WavFileSize(length)) return EntryWrite::FailedToWrite;
    return EntryWrite::Done;
}

const char* StatusOf(EntryWrite result) {
    switch (result) {
        case EntryWrite::Done:
            return nullptr;
        case EntryWrite::FailedToWrite:
            return StatusFailedToWrite;
        case EntryWrite::FailedToRead:
            return StatusFailedToRead;
    }
    return nullptr;
}
