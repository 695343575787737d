#include "pack/pack_bank.h"

#include <charconv>
#include <cstring>

#include "bank/bank_walk.h"
#include "pack/entry_name.h"
#include "pack/entry_table.h"
#include "pack/wav_file.h"
#include "runtime/files/file_handle.h"

namespace {

// `name` is the entry's name field, zero after the name.
bool PackEntry(FileHandle* bank, const char* wavPath, const char* name, PackFailure* failure) {
    WavHead head;
    FileHandle* wav = OpenWav(wavPath, wavPath, nullptr, &head, failure);
    if (!wav) return false;
    bool copied = (WriteEntryHead(bank, name, head.dataSize - 2, head.format) ||
                   Fail(failure, Reason::CannotWriteBank, LastSystemReason())) &&
                  CopyData(wav, wavPath, bank, head.dataSize, PieceTaker{nullptr, nullptr},
                           failure);
    return CloseWav(wav, wavPath, head, copied, failure);
}

// Every file's entry name, refused before anything is written when one is
// not to be had or two are one file for lsd2wav.
bool CollectNames(const char* const* wavPaths, int32_t wavCount, EntryTable* names,
                  PackFailure* failure) {
    for (int32_t i = 0; i < wavCount; ++i) {
        char name[EntryNameBufferSize];
        Reason reason = EntryNameOf(wavPaths[i], NativePaths, name);
        if (reason == Reason::None) {
            if (!AddEntry(names, name)) return FailFile(failure, wavPaths[i], Reason::OutOfMemory);
            continue;
        }
        FailFile(failure, wavPaths[i], reason);
        if (reason != Reason::LongName) return false;
        // A name that is too long says how long it is.
        size_t base = std::strlen(BaseName(wavPaths[i], NativePaths));
        char length[DecimalTextSize + 16];
        char* end = std::to_chars(length, length + DecimalTextSize,
                                  static_cast<int64_t>(base - std::strlen(WavExtension)))
                        .ptr;
        std::strcpy(end, LongNameLength);
        return Explain(failure, Reason::None, length);
    }
    int32_t first, second;
    bool outOfMemory;
    if (FindSameFile(*names, &first, &second, &outOfMemory)) {
        FailFile(failure, wavPaths[second], Reason::SameEntryName);
        return Explain(failure, Reason::None, wavPaths[first]);
    }
    if (outOfMemory) return FailFile(failure, wavPaths[0], Reason::OutOfMemory);
    return true;
}

bool WriteBank(FileHandle* bank, const char* const* wavPaths, const EntryTable& names,
               PackFailure* failure) {
    // The lead field means nothing to lsd2wav; 0 says nothing either.
    if (WriteInt32(bank, 0) != 4) return Fail(failure, Reason::CannotWriteBank, LastSystemReason());
    for (int32_t i = 0; i < names.count; ++i) {
        if (!PackEntry(bank, wavPaths[i], names.records[i].name, failure)) return false;
    }
    return true;
}

}  // namespace

bool PackBank(const char* bankPath, const char* const* wavPaths, int32_t wavCount, bool force,
              PackFailure* failure) {
    BankFile bank;
    if (!CheckBank(bankPath, force ? BankUse::Replace : BankUse::Pack, &bank, failure))
        return false;
    EntryTable names = {nullptr, 0, 0};
    Replacement replacement;
    bool ok = CollectNames(wavPaths, wavCount, &names, failure) &&
              BeginReplacement(bank, &replacement, failure);
    // Windows renames nothing over a file that is open.
    if (bank.existing) CloseFile(bank.existing);
    if (ok) {
        bool written = WriteBank(replacement.file, wavPaths, names, failure);
        ok = FinishReplacement(&replacement, written, failure);
    }
    FreeEntryTable(&names);
    return ok;
}
