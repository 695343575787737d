#include "pack/pack_bank.h"

#include <charconv>
#include <cstring>

#include "bank/bank_walk.h"
#include "pack/entry_name.h"
#include "pack/entry_table.h"
#include "pack/wav_file.h"
#include "pack/pack_texts.h"
#include "pack/text_format.h"
#include "runtime/files/file_handle.h"
#include "runtime/memory/memory.h"

namespace {

// `name` is the entry's name field, zero after the name.
bool PackEntry(FileHandle* bank, const char* bankPath, const char* wavPath, const char* name,
               PackFailure* failure) {
    WavHead head;
    FileHandle* wav = OpenWav(wavPath, nullptr, &head, failure);
    if (!wav) return false;
    bool copied = (WriteEntryHead(bank, name, head.dataSize - 2, head.format) ||
                   Fail(failure, bankPath, CannotWriteBank, SystemReasonText())) &&
                  CopyData(wav, wavPath, bank, bankPath, head.dataSize,
                           PieceTaker{nullptr, nullptr}, failure);
    return CloseWav(wav, wavPath, head, copied, failure);
}

// Every file's entry name, refused before anything is written when one is
// not to be had or two are one file for lsd2wav.
bool CollectNames(const char* const* wavPaths, int32_t wavCount, EntryTable* names,
                  PackFailure* failure) {
    for (int32_t i = 0; i < wavCount; ++i) {
        char name[EntryNameBufferSize];
        const char* reason = EntryNameOf(wavPaths[i], NativePaths, name);
        if (!reason) {
            if (!AddEntry(names, name)) return Fail(failure, wavPaths[i], OutOfMemory);
            continue;
        }
        // A name that is too long says how long it is.
        char length[DecimalTextSize + 16] = "";
        if (std::strcmp(reason, LongName) == 0) {
            size_t base = std::strlen(BaseName(wavPaths[i], NativePaths));
            char* end = std::to_chars(length, length + DecimalTextSize,
                                      static_cast<int64_t>(base - std::strlen(WavExtension)))
                            .ptr;
            std::strcpy(end, LongNameLength);
        }
        return Fail(failure, wavPaths[i], reason, length);
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
    if (WriteInt32(bank, 0) != 4)
        return Fail(failure, bankPath, CannotWriteBank, SystemReasonText());
    for (int32_t i = 0; i < names.count; ++i) {
        if (!PackEntry(bank, bankPath, wavPaths[i], names.records[i].name, failure)) return false;
    }
    return true;
}

}  // namespace

bool PackBank(const char* bankPath, const char* const* wavPaths, int32_t wavCount, bool force,
              PackFailure* failure) {
    FileHandle* existing;
    if (!CheckBank(bankPath, force ? BankUse::Replace : BankUse::Pack, &existing, failure))
        return false;
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
