#include "extract/entry_wav.h"

#include <cstring>

#include "bank/bank_layout.h"
#include "extract/console_texts.h"
#include "runtime/memory/memory.h"

namespace {

// Moves n bytes from source to target through one scratch block; returns the
// status that ends the walk, or none. Bytes past the end of the source are
// written as zeros; a failed read writes nothing.
const char* CopyBlock(FileHandle* source, FileHandle* target, int32_t n) {
    void* block = AllocateBlockToFill(n);
    if (!block) return StatusFailedToWrite;
    int32_t got = ReadBlock(source, block, n);
    // Only a bank cut short leaves part of the block unread, and that part
    // may hold an earlier entry's samples.
    if (got < n) {
        std::memset(static_cast<unsigned char*>(block) + got, 0, static_cast<size_t>(n - got));
    }
    const char* status = nullptr;
    if (HasFailed(source)) {
        status = StatusFailedToRead;
    } else if (got == 0 || WriteBlock(target, block, n) == 0) {
        status = StatusFailedToWrite;
    }
    FreeBlock(block);
    return status;
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

const char* WriteEntryWav(FileHandle* archive, FileHandle* output, int32_t length) {
    WriteHeaderBeforeFormat(output, length);
    const char* status = CopyBlock(archive, output, FormatBlockSize);
    if (status) return status;
    WriteHeaderBeforeSamples(output, length);
    status = CopyBlock(archive, output, SampleBlockSize(length));
    if (status) return status;
    if (GetPosition(output) != WavFileSize(length)) return StatusFailedToWrite;
    return nullptr;
}
