#include "pack/pack_bank.h"

#include <cstring>

#include "bank/bank_layout.h"
#include "pack/bank_walk.h"
#include "pack/entry_name.h"
#include "pack/entry_table.h"
#include "pack/pack_texts.h"
#include "pack/text_format.h"
#include "runtime/files/file_handle.h"
#include "runtime/process/memory_pool.h"
#include "runtime/process/text_store.h"

namespace {

// Large enough that each block passes the file buffers in one OS call.
constexpr int32_t CopyBlockSize = 1 << 16;

bool WriteEntryHead(FileHandle* bank, const char* name, const WavHead& head) {
    return WriteBlock(bank, name, NameFieldSize) == NameFieldSize &&
           WriteInt32(bank, head.dataSize - 2) == 4 &&
           WriteBlock(bank, head.format, FormatBlockSize) == FormatBlockSize;
}

bool PackEntry(FileHandle* bank, const char* bankPath, const char* wavPath, const char* name,
               PackFailure* failure) {
    WavHead head;
    FileHandle* wav = OpenWav(wavPath, nullptr, &head, failure);
    if (!wav) return false;
    bool ok = true;
    if (!WriteEntryHead(bank, name, head)) {
        ok = Fail(failure, bankPath, CannotWriteBank, SystemReasonText());
    } else {
        ok = CopyData(wav, wavPath, bank, bankPath, head.dataSize, failure, nullptr, nullptr);
    }
    if (!ok) {
        CloseFile(wav);
        return false;
    }
    return CloseWav(wav, wavPath, head, failure);
}

// For a name that is too long, how long it is; none for other reasons.
const char* NameLength(const char* reason, const char* wavPath) {
    // Kept until the message is printed, which ends the run.
    static char detail[DecimalTextSize + 16];
    if (std::strcmp(reason, LongName) != 0) return nullptr;
    const char* base = wavPath;
    for (const char* p = wavPath; *p != '\0'; ++p)
        if (IsSeparator(*p, NativePaths)) base = p + 1;
    DecimalText(static_cast<int64_t>(std::strlen(base) - std::strlen(WavExtension)), detail);
    std::strcat(detail, LongNameLength);
    return detail;
}

// Every file's entry name, refused before anything is written when one is
// not to be had or two are one file for lsd2wav.
bool CollectNames(const char* const* wavPaths, int32_t wavCount, EntryTable* names,
                  PackFailure* failure) {
    for (int32_t i = 0; i < wavCount; ++i) {
        char name[EntryNameBufferSize];
        const char* reason = EntryNameOf(wavPaths[i], NativePaths, name);
        if (reason) return Fail(failure, wavPaths[i], reason, NameLength(reason, wavPaths[i]));
        if (!AddEntry(names, name)) return Fail(failure, wavPaths[i], OutOfMemory);
    }
    int32_t first, second;
    bool outOfMemory;
    if (FindSameFile(*names, &first, &second, &outOfMemory))
        return Fail(failure, wavPaths[second], SameEntryName, wavPaths[first]);
    if (outOfMemory) return Fail(failure, wavPaths[0], OutOfMemory);
    return true;
}

bool WriteBank(FileHandle* bank, const char* bankPath, const char* const* wavPaths,
               const EntryTable& names, PackFailure* failure) {
    // The lead field means nothing to lsd2wav; 0 says nothing either.
    if (WriteInt32(bank, 0) != 4) return Fail(failure, bankPath, CannotWriteBank);
    for (int32_t i = 0; i < names.count; ++i) {
        if (!PackEntry(bank, bankPath, wavPaths[i], names.records[i].name, failure)) return false;
    }
    return true;
}

}  // namespace

bool CopyData(FileHandle* wav, const char* wavPath, FileHandle* bank, const char* bankPath,
              int32_t n, PackFailure* failure, FileHandle* old, bool* differs) {
    int32_t size = n < CopyBlockSize ? n : CopyBlockSize;
    unsigned char* block = static_cast<unsigned char*>(AllocateBlock(size));
    unsigned char* oldBlock = old ? static_cast<unsigned char*>(AllocateBlock(size)) : nullptr;
    bool ok = block && (!old || oldBlock);
    if (!ok) Fail(failure, wavPath, OutOfMemory);
    while (ok && n > 0) {
        int32_t want = n < CopyBlockSize ? n : CopyBlockSize;
        int32_t got = ReadBlock(wav, block, want);
        if (got > 0 && WriteBlock(bank, block, got) != got) {
            ok = Fail(failure, bankPath, CannotWriteBank, SystemReasonText());
        } else if (got != want) {
            ok = Fail(failure, wavPath, DataPastEnd);
        } else if (old && !*differs) {
            *differs = ReadBlock(old, oldBlock, want) != want ||
                       std::memcmp(block, oldBlock, static_cast<size_t>(want)) != 0;
            if (*differs) ReadPast(old, static_cast<uint32_t>(n - want));
        }
        n -= want;
    }
    if (block) FreeBlock(block);
    if (oldBlock) FreeBlock(oldBlock);
    return ok;
}

FileHandle* OpenWav(const char* wavPath, const unsigned char* own, WavHead* head,
                    PackFailure* failure) {
    FileHandle* wav = OpenForReading(wavPath);
    if (!wav) {
        FailToOpen(failure, wavPath);
        return nullptr;
    }
    const char* reason = ReadWavHead(wav, own, head);
    if (!reason) return wav;
    Fail(failure, wavPath, reason, head->convertible ? ConvertHint : nullptr);
    CloseFile(wav);
    return nullptr;
}

bool CloseWav(FileHandle* wav, const char* wavPath, const WavHead& head, PackFailure* failure) {
    const char* reason = ReadWavTail(wav, head);
    CloseFile(wav);
    return reason ? Fail(failure, wavPath, reason) : true;
}

bool PackBank(const char* bankPath, const char* const* wavPaths, int32_t wavCount,
              PackFailure* failure) {
    FileHandle* existing;
    if (!CheckBank(bankPath, BankUse::Pack, &existing, failure)) return false;
    EntryTable names = {nullptr, 0, 0};
    Replacement replacement;
    bool ok = CollectNames(wavPaths, wavCount, &names, failure) &&
              BeginReplacement(bankPath, existing, &replacement, failure);
    // Windows renames nothing over a file that is open.
    if (existing) CloseFile(existing);
    if (ok) {
        bool written = WriteBank(replacement.file, bankPath, wavPaths, names, failure);
        ok = FinishReplacement(bankPath, &replacement, written, failure);
    }
    FreeEntryTable(&names);
    return ok;
}
