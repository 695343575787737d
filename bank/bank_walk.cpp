#include "bank/bank_walk.h"

#include <climits>
#include <cstring>

#include "platform/little_endian.h"
#include "runtime/memory/memory.h"

namespace {

// The file operations only go forward, so what is not wanted is read
// through, this much at a time.
constexpr int32_t PastBlockSize = 1 << 16;

}  // namespace

HeadRead ReadEntryHead(FileHandle* bank, EntryHead* head) {
    std::memset(head, 0, sizeof *head);
    int32_t got = ReadBlock(bank, head->nameField, NameFieldSize);
    if (got == 0) return HeadRead::End;
    std::memcpy(head->name, head->nameField, NameFieldSize);
    unsigned char length[4];
    if (got != NameFieldSize || ReadBlock(bank, length, 4) != 4) return HeadRead::Cut;
    head->length = Int32At(length);
    if (ReadBlock(bank, head->format, FormatBlockSize) != FormatBlockSize) return HeadRead::Cut;
    return HeadRead::Whole;
}

bool WriteEntryHead(FileHandle* bank, const void* nameField, int32_t length,
                    const unsigned char* format) {
    return WriteBlock(bank, nameField, NameFieldSize) == NameFieldSize &&
           WriteInt32(bank, length) == 4 &&
           WriteBlock(bank, format, FormatBlockSize) == FormatBlockSize;
}

PastRead SkipPast(FileHandle* file, int32_t n) {
    return SkipBytes(file, n) == n ? PastRead::Whole : PastRead::Short;
}

int64_t SkipFar(FileHandle* file, int64_t n) {
    int64_t done = 0;
    while (done < n) {
        int32_t step = n - done < INT32_MAX ? static_cast<int32_t>(n - done) : INT32_MAX;
        int32_t skipped = SkipBytes(file, step);
        done += skipped;
        if (skipped != step) break;
    }
    return done;
}

PastRead ReadPast(FileHandle* file, uint32_t n) {
    if (n == 0) return PastRead::Whole;
    void* block = AllocateBlock(n < PastBlockSize ? static_cast<int32_t>(n) : PastBlockSize);
    if (!block) return PastRead::OutOfMemory;
    while (n > 0) {
        int32_t want = n < PastBlockSize ? static_cast<int32_t>(n) : PastBlockSize;
        int32_t got = ReadBlock(file, block, want);
        n -= static_cast<uint32_t>(got);
        if (got != want) break;
    }
    FreeBlock(block);
    return n == 0 ? PastRead::Whole : PastRead::Short;
}
