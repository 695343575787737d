#include "extract/entry_wav.h"

#include <cstring>

#include "bank/bank_layout.h"
#include "extract/console_texts.h"
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

// The header bytes before the format block: the RIFF chunk head, "WAVE"
// and the format chunk head.
void WriteHeaderBeforeFormat(FileHandle* output, int32_t length) {
    WriteInt32(output, RiffTag);
    WriteInt32(output, RiffSize(length));
    WriteInt32(output, WaveTag);
    WriteInt32(output, FormatTag);
    WriteInt32(output, FormatBlockSize);
}

// The data chunk head, between the format block and the samples.
void WriteHeaderBeforeSamples(FileHandle* output, int32_t length) {
    WriteInt32(output, DataTag);
    WriteInt32(output, SampleBlockSize(length));
}

}  // namespace

EntryWrite WriteEntryWav(FileHandle* archive, FileHandle* output, int32_t length,
                         CopyBytes copy) {
    WriteHeaderBeforeFormat(output, length);
    EntryWrite result = copy(archive, output, FormatBlockSize);
    if (result != EntryWrite::Done) return result;
    WriteHeaderBeforeSamples(output, length);
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
