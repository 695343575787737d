#include "extract/entry_wav.h"

#include <cstring>

#include "bank/bank_layout.h"
#include "extract/console_texts.h"
#include "runtime/process/memory_pool.h"

namespace {

// Moves n bytes from source to target through one scratch block. Bytes past
// the end of the source are written as zeros; a failed read writes nothing.
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

EntryWrite WriteEntryWav(FileHandle* archive, FileHandle* output, int32_t length) {
    WriteHeaderBeforeFormat(output, length);
    EntryWrite result = CopyBlock(archive, output, FormatBlockSize);
    if (result != EntryWrite::Done) return result;
    WriteHeaderBeforeSamples(output, length);
    result = CopyBlock(archive, output, SampleBlockSize(length));
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
