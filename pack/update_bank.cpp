#include "pack/update_bank.h"

#include <cstring>

#include "pack/bank_file.h"
#include "pack/bank_walk.h"
#include "pack/entry_name.h"
#include "pack/entry_table.h"
#include "pack/pack_bank.h"
#include "pack/pack_texts.h"
#include "pack/text_format.h"
#include "runtime/process/print_line.h"
#include "runtime/process/text_store.h"

namespace {

constexpr int32_t LeadFieldSize = 4;

// "name.wav": the file that lsd2wav wrote for the entry.
char* FileOf(const char* name) { return JoinText(name, WavExtension); }

// "BANK: entry N, name.wav" (without a bank, "entry N, name.wav"), to name
// an entry in a message; the bank alone when there is no memory for more.
const char* EntryLabel(const char* bankPath, int32_t index, const char* name) {
    char number[DecimalTextSize];
    char* file = FileOf(name);
    char* shown = file ? EscapedName(file) : nullptr;
    char* head = JoinText(bankPath ? bankPath : "", bankPath ? ": entry " : "entry ",
                          DecimalText(index + 1, number));
    char* label = head && shown ? JoinText(head, ", ", shown) : nullptr;
    FreeText(head);
    FreeText(shown);
    FreeText(file);
    return label ? label : bankPath ? bankPath : "";
}

// A read of the bank that failed (a bad sector, a drive gone) is not its
// end or a cut: whatever the walk made of it, the bank cannot be known.
bool ReadFailed(FileHandle* bank, const char* bankPath, PackFailure* failure) {
    return HasFailed(bank) && !Fail(failure, bankPath, CannotReadBank, SystemReasonText());
}

// The first pass: the whole bank is there, and every entry is one that the
// Windows lsd2wav extracts to a file of its own.
bool CheckEntries(FileHandle* bank, const char* bankPath, EntryTable* entries,
                  PackFailure* failure) {
    unsigned char lead[LeadFieldSize];
    int32_t got = ReadBlock(bank, lead, LeadFieldSize);
    if (ReadFailed(bank, bankPath, failure)) return false;
    if (got != 0 && got != LeadFieldSize) return Fail(failure, bankPath, LeadCut);
    for (int32_t index = 0;; ++index) {
        EntryHead head;
        HeadRead read = ReadEntryHead(bank, &head);
        if (ReadFailed(bank, bankPath, failure)) return false;
        if (read == HeadRead::End) break;
        if (read == HeadRead::Cut)
            return Fail(failure, EntryLabel(bankPath, index, head.name), EntryCut);
        char* file = FileOf(head.name);
        const char* refused = file ? RefusedNameReason(file) : OutOfMemory;
        FreeText(file);
        if (refused) return Fail(failure, EntryLabel(bankPath, index, head.name), refused);
        int32_t samples = SampleBlockSize(head.length);
        if (samples <= 0) return Fail(failure, EntryLabel(bankPath, index, head.name), NoSamples);
        PastRead past = ReadPast(bank, static_cast<uint32_t>(samples));
        if (ReadFailed(bank, bankPath, failure)) return false;
        if (past != PastRead::Whole)
            return Fail(failure, EntryLabel(bankPath, index, head.name),
                        past == PastRead::Short ? SamplesCut : OutOfMemory);
        if (!AddEntry(entries, head.name)) return Fail(failure, bankPath, OutOfMemory);
    }
    int32_t first, second;
    bool outOfMemory;
    if (FindSameFile(*entries, &first, &second, &outOfMemory))
        return Fail(failure, EntryLabel(bankPath, second, entries->records[second].name), SameFile,
                    EntryLabel(nullptr, first, entries->records[first].name));
    if (outOfMemory) return Fail(failure, bankPath, OutOfMemory);
    return true;
}

// One entry of the new bank: the old name field, the file's format and
// samples. `old` stands at the entry in the bank as it was.
bool UpdateEntry(FileHandle* old, FileHandle* bank, const char* bankPath, EntryRecord* record,
                 PackFailure* failure) {
    EntryHead before;
    if (ReadEntryHead(old, &before) != HeadRead::Whole)
        return !ReadFailed(old, bankPath, failure) && Fail(failure, bankPath, EntryCut);
    char* file = FileOf(before.name);
    char* shown = file ? EscapedName(file) : nullptr;
    if (!shown) return Fail(failure, bankPath, OutOfMemory);
    WavHead head;
    FileHandle* wav = OpenWav(file, before.format, &head, failure);
    if (!wav) {
        failure->file = shown;
        // Run from another folder, the files are not where they are looked for.
        if (failure->detail && std::strcmp(failure->detail, NoSuchFile) == 0)
            failure->detail = NoSuchFileHere;
        return false;
    }
    int32_t length = head.dataSize - 2;
    if (std::memcmp(head.format, before.format, FormatBlockSize) != 0)
        record->changes |= ChangedFormatBit;
    bool sameLength = length == before.length;
    if (!sameLength) record->changes |= ChangedLengthBit | ChangedSamplesBit;
    bool differs = false;
    bool ok = WriteBlock(bank, before.nameField, NameFieldSize) == NameFieldSize &&
              WriteInt32(bank, length) == 4 &&
              WriteBlock(bank, head.format, FormatBlockSize) == FormatBlockSize;
    if (!ok) {
        Fail(failure, bankPath, CannotWriteBank, SystemReasonText());
    } else {
        ok = CopyData(wav, shown, bank, bankPath, head.dataSize, failure,
                      sameLength ? old : nullptr, &differs);
    }
    if (differs) record->changes |= ChangedSamplesBit;
    if (ok && !sameLength)
        ok = ReadPast(old, static_cast<uint32_t>(SampleBlockSize(before.length))) ==
                 PastRead::Whole ||
             Fail(failure, bankPath, EntryCut);
    if (!ok) {
        CloseFile(wav);
        return false;
    }
    if (!CloseWav(wav, file, head, failure)) {
        failure->file = shown;
        return false;
    }
    FreeText(file);
    FreeText(shown);
    return true;
}

// The second pass, over the bank that the first one checked: `old` is
// rewound to its start.
bool WriteUpdatedBank(const char* bankPath, FileHandle* old, FileHandle* bank,
                      EntryTable* entries, PackFailure* failure) {
    if (!RewindFile(old)) return Fail(failure, bankPath, CannotReadBank, SystemReasonText());
    unsigned char lead[LeadFieldSize];
    int32_t got = ReadBlock(old, lead, LeadFieldSize);
    bool ok = got == 0 || WriteBlock(bank, lead, got) == got ||
              Fail(failure, bankPath, CannotWriteBank, SystemReasonText());
    for (int32_t i = 0; ok && i < entries->count; ++i)
        ok = UpdateEntry(old, bank, bankPath, &entries->records[i], failure);
    if (ok && ReadFailed(old, bankPath, failure)) ok = false;
    return ok;
}

// The entries that changed: with `verbose`, one line each on standard output,
// which must all go out; without, one line on the error stream for each whose
// format changed, which whatever reads the bank may not expect.
bool PrintChanges(const char* bankPath, const EntryTable& entries, bool verbose,
                  PackFailure* failure) {
    for (int32_t i = 0; i < entries.count; ++i) {
        unsigned char changes = entries.records[i].changes;
        if (changes == 0 || (!verbose && !(changes & ChangedFormatBit))) continue;
        char* file = FileOf(entries.records[i].name);
        char* shown = file ? EscapedName(file) : nullptr;
        const char* parts[3];
        int32_t n = 0;
        if (changes & ChangedFormatBit) parts[n++] = ChangedFormat;
        if (changes & ChangedLengthBit) parts[n++] = ChangedLength;
        if (changes & ChangedSamplesBit) parts[n++] = ChangedSamples;
        char* what = JoinText(parts[0], n > 1 ? ", " : "", n > 1 ? parts[1] : "");
        char* all = what && n > 2 ? JoinText(what, ", ", parts[2]) : what;
        if (all != what) FreeText(what);
        char* head = shown && all ? JoinText(shown, ": ", all) : nullptr;
        char* line = head ? JoinText(head, ChangedEnd) : nullptr;
        char* warning = shown ? JoinText(RefusalPrefix, shown, FormatChangedWarning) : nullptr;
        bool printed = true;
        if (verbose) {
            printed = line && PrintLineWhole(line);
        } else {
            PrintErrorLine(warning);
        }
        FreeText(warning);
        FreeText(line);
        FreeText(head);
        FreeText(all);
        FreeText(shown);
        FreeText(file);
        if (!printed) return FailToPrint(failure, bankPath, CannotPrintChanges);
    }
    return true;
}

}  // namespace

bool UpdateBank(const char* bankPath, bool verbose, PackFailure* failure) {
    FileHandle* existing;
    if (!CheckBank(bankPath, BankUse::Update, &existing, failure)) return false;
    EntryTable entries = {nullptr, 0, 0};
    Replacement replacement;
    bool ok = CheckEntries(existing, bankPath, &entries, failure) &&
              BeginReplacement(bankPath, existing, &replacement, failure);
    if (ok) {
        bool written = WriteUpdatedBank(bankPath, existing, replacement.file, &entries, failure);
        // Windows renames nothing over a file that is open.
        CloseFile(existing);
        existing = nullptr;
        ok = FinishReplacement(bankPath, &replacement, written, failure);
    }
    if (existing) CloseFile(existing);
    if (ok) ok = PrintChanges(bankPath, entries, verbose, failure);
    FreeEntryTable(&entries);
    return ok;
}
