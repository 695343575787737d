#include "pack/pack_bank.h"

#include "bank/bank_layout.h"
#include "pack/entry_name.h"
#include "pack/pack_texts.h"
#include "pack/wav_reader.h"
#include "runtime/files/file_handle.h"
#include "runtime/files/file_names.h"
#include "runtime/process/memory_pool.h"
#include "runtime/process/text_store.h"

namespace {

// Large enough that each block passes the file buffers in one OS call.
constexpr int32_t CopyBlockSize = 1 << 16;

bool Fail(PackFailure* failure, const char* file, const char* reason) {
    failure->file = file;
    failure->reason = reason;
    return false;
}

bool WriteEntryHead(FileHandle* bank, const char* name, const WavHead& head) {
    return WriteBlock(bank, name, NameFieldSize) == NameFieldSize &&
           WriteInt32(bank, head.dataSize - 2) == 4 &&
           WriteBlock(bank, head.format, FormatBlockSize) == FormatBlockSize;
}

bool CopyData(FileHandle* wav, const char* wavPath, FileHandle* bank, const char* bankPath,
              int32_t n, PackFailure* failure) {
    void* block = AllocateBlock(n < CopyBlockSize ? n : CopyBlockSize);
    if (!block) return Fail(failure, wavPath, OutOfMemory);
    bool ok = true;
    while (ok && n > 0) {
        int32_t want = n < CopyBlockSize ? n : CopyBlockSize;
        int32_t got = ReadBlock(wav, block, want);
        if (got > 0 && WriteBlock(bank, block, got) != got) {
            ok = Fail(failure, bankPath, CannotWriteBank);
        } else if (got != want) {
            ok = Fail(failure, wavPath, DataPastEnd);
        }
        n -= want;
    }
    FreeBlock(block);
    return ok;
}

bool PackEntry(FileHandle* bank, const char* bankPath, const char* wavPath, PackFailure* failure) {
    char name[EntryNameBufferSize];
    const char* reason = EntryNameOf(wavPath, NativePaths, name);
    if (reason) return Fail(failure, wavPath, reason);
    FileHandle* wav = OpenForReading(wavPath);
    if (!wav) return Fail(failure, wavPath, CannotOpen);
    WavHead head;
    bool ok = true;
    reason = ReadWavHead(wav, &head);
    if (reason) {
        ok = Fail(failure, wavPath, reason);
    } else if (!WriteEntryHead(bank, name, head)) {
        ok = Fail(failure, bankPath, CannotWriteBank);
    } else if (CopyData(wav, wavPath, bank, bankPath, head.dataSize, failure)) {
        reason = ReadWavTail(wav, head);
        if (reason) ok = Fail(failure, wavPath, reason);
    } else {
        ok = false;
    }
    CloseFile(wav);
    return ok;
}

bool WriteBank(FileHandle* bank, const char* bankPath, const char* const* wavPaths,
               int32_t wavCount, PackFailure* failure) {
    // The lead field means nothing to lsd2wav; 0 says nothing either.
    if (WriteInt32(bank, 0) != 4) return Fail(failure, bankPath, CannotWriteBank);
    for (int32_t i = 0; i < wavCount; ++i) {
        if (!PackEntry(bank, bankPath, wavPaths[i], failure)) return false;
    }
    if (!CommitFile(bank)) return Fail(failure, bankPath, CannotWriteBank);
    return true;
}

}  // namespace

bool PackBank(const char* bankPath, const char* const* wavPaths, int32_t wavCount,
              PackFailure* failure) {
    char* temporaryPath = JoinText(bankPath, TemporarySuffix);
    if (!temporaryPath) return Fail(failure, bankPath, OutOfMemory);
    FileHandle* bank = CreateForWriting(temporaryPath);
    if (!bank) {
        FreeText(temporaryPath);
        return Fail(failure, bankPath, CannotCreateTemporary);
    }
    bool ok = WriteBank(bank, bankPath, wavPaths, wavCount, failure);
    if (!CloseFile(bank) && ok) ok = Fail(failure, bankPath, CannotWriteBank);
    if (ok && !MoveFileOver(temporaryPath, bankPath)) ok = Fail(failure, bankPath, CannotReplaceBank);
    if (!ok) RemoveFile(temporaryPath);
    FreeText(temporaryPath);
    return ok;
}
