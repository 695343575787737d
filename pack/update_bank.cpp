#include "pack/update_bank.h"

#include <cstring>
#include <initializer_list>

#include "bank/bank_walk.h"
#include "bank/file_name.h"
#include "pack/bank_file.h"
#include "pack/entry_name.h"
#include "pack/entry_table.h"
#include "pack/wav_file.h"
#include "pack/pack_texts.h"
#include "pack/text_format.h"
#include "runtime/memory/memory.h"
#include "runtime/process/print_line.h"

namespace {

// How an entry's file is named in a line: escaped, as the listing shows it.
void ShownFileName(const char* name, char (&shown)[4 * FileNameSize]) {
    char file[FileNameSize];
    MakeFileName(name, file);
    EscapeName(file, shown, sizeof shown);
}

// A read of the bank that failed (a bad sector, a drive gone) is not its
// end or a cut: whatever the walk made of it, the bank cannot be known.
bool ReadFailed(FileHandle* bank, PackFailure* failure) {
    return HasFailed(bank) && !Fail(failure, Reason::CannotReadBank, LastSystemReason());
}

// Why the entry whose head was just read cannot go back into the bank from
// its file, or none once the bank stands past its samples.
Reason EntryProblem(FileHandle* bank, const EntryHead& head, HeadRead read) {
    if (read == HeadRead::Cut) return Reason::EntryCut;
    char file[FileNameSize];
    MakeFileName(head.name, file);
    Reason refused = RefusedName(file);
    if (refused != Reason::None) return refused;
    int32_t samples = SampleBlockSize(head.length);
    if (samples <= 0) return Reason::NoSamples;
    PastRead past = ReadPast(bank, static_cast<uint32_t>(samples));
    return past == PastRead::Whole   ? Reason::None
           : past == PastRead::Short ? Reason::SamplesCut
                                     : Reason::OutOfMemory;
}

// The entry at `index` is refused for `reason`.
bool FailEntryNamed(PackFailure* failure, int32_t index, const char* name, Reason reason) {
    char shown[4 * FileNameSize];
    ShownFileName(name, shown);
    return FailEntry(failure, index, shown, reason);
}

// The first pass: the whole bank is there, and every entry is one that the
// Windows lsd2wav extracts to a file of its own.
bool CheckEntries(FileHandle* bank, EntryTable* entries, PackFailure* failure) {
    unsigned char lead[LeadFieldSize];
    int32_t got = ReadBlock(bank, lead, LeadFieldSize);
    if (ReadFailed(bank, failure)) return false;
    if (got != 0 && got != LeadFieldSize) return Fail(failure, Reason::LeadCut);
    for (int32_t index = 0;; ++index) {
        EntryHead head;
        HeadRead read = ReadEntryHead(bank, &head);
        if (ReadFailed(bank, failure)) return false;
        if (read == HeadRead::End) break;
        Reason problem = EntryProblem(bank, head, read);
        if (ReadFailed(bank, failure)) return false;
        if (problem != Reason::None) return FailEntryNamed(failure, index, head.name, problem);
        if (!AddEntry(entries, head.name)) return Fail(failure, Reason::OutOfMemory);
    }
    int32_t first, second;
    bool outOfMemory;
    if (FindSameFile(*entries, &first, &second, &outOfMemory)) {
        FailEntryNamed(failure, second, entries->records[second].name, Reason::SameFile);
        char shown[4 * FileNameSize];
        ShownFileName(entries->records[first].name, shown);
        LineText other = {};
        AppendEntryLabel(&other, first, shown);
        return Explain(failure, Reason::None, other.text);
    }
    if (outOfMemory) return Fail(failure, Reason::OutOfMemory);
    return true;
}

// The old bank read along a new entry's samples, which are as long as the
// old: whether they differ.
struct Comparison {
    FileHandle* old;
    unsigned char* piece;  // CopyPieceSize bytes, or fewer for fewer samples
    int32_t compared;      // bytes of the old samples read so far
    bool differs;
};

void CompareWithOld(void* context, const unsigned char* piece, int32_t n) {
    Comparison* c = static_cast<Comparison*>(context);
    if (c->differs) return;
    int32_t got = ReadBlock(c->old, c->piece, n);
    c->compared += got;
    c->differs = got != n || std::memcmp(piece, c->piece, static_cast<size_t>(n)) != 0;
}

// One entry of the new bank: the old name field, the file's format and
// samples. `old` stands at the entry in the bank as it was, and ends past it.
bool UpdateEntry(FileHandle* old, FileHandle* bank, EntryRecord* record, PackFailure* failure) {
    EntryHead before;
    if (ReadEntryHead(old, &before) != HeadRead::Whole)
        return !ReadFailed(old, failure) && Fail(failure, Reason::EntryCut);
    char file[FileNameSize];
    char shown[4 * FileNameSize];
    MakeFileName(before.name, file);
    EscapeName(file, shown, sizeof shown);
    WavHead head;
    FileHandle* wav = OpenWav(file, shown, before.format, &head, failure);
    if (!wav) {
        // Run from another folder, the files are not where they are looked for.
        if (failure->osError == SystemReason::NoSuchFile) Explain(failure, Reason::NoSuchFileHere);
        return false;
    }
    int32_t length = head.dataSize - 2;
    int32_t oldSamples = SampleBlockSize(before.length);
    if (std::memcmp(head.format, before.format, FormatBlockSize) != 0)
        record->changes |= ChangedFormatBit;
    bool sameLength = length == before.length;
    if (!sameLength) record->changes |= ChangedLengthBit | ChangedSamplesBit;
    Comparison comparison = {old, nullptr, 0, false};
    if (sameLength) {
        comparison.piece = static_cast<unsigned char*>(
            AllocateBlock(oldSamples < CopyPieceSize ? oldSamples : CopyPieceSize));
    }
    bool ok = !sameLength || comparison.piece || Fail(failure, Reason::OutOfMemory);
    ok = ok && (WriteEntryHead(bank, before.nameField, length, head.format) ||
                Fail(failure, Reason::CannotWriteBank, LastSystemReason()));
    PieceTaker compare = {sameLength ? CompareWithOld : nullptr, &comparison};
    ok = ok && CopyData(wav, shown, bank, head.dataSize, compare, failure);
    if (comparison.piece) FreeBlock(comparison.piece);
    if (comparison.differs) record->changes |= ChangedSamplesBit;
    ok = ok && (ReadPast(old, static_cast<uint32_t>(oldSamples - comparison.compared)) ==
                    PastRead::Whole ||
                Fail(failure, Reason::EntryCut));
    return CloseWav(wav, shown, head, ok, failure);
}

// The second pass, over the bank that the first one checked: `old` is
// rewound to its start.
bool WriteUpdatedBank(FileHandle* old, FileHandle* bank, EntryTable* entries,
                      PackFailure* failure) {
    if (!RewindFile(old)) return Fail(failure, Reason::CannotReadBank, LastSystemReason());
    unsigned char lead[LeadFieldSize];
    int32_t got = ReadBlock(old, lead, LeadFieldSize);
    bool ok = got == 0 || WriteBlock(bank, lead, got) == got ||
              Fail(failure, Reason::CannotWriteBank, LastSystemReason());
    for (int32_t i = 0; ok && i < entries->count; ++i)
        ok = UpdateEntry(old, bank, &entries->records[i], failure);
    if (ok && ReadFailed(old, failure)) ok = false;
    return ok;
}

// The entries that changed: one line on the error stream for each whose
// format changed, which whatever reads the bank may not expect; and with
// `verbose`, one line each on standard output, which must all go out.
bool PrintChanges(const EntryTable& entries, bool verbose, PackFailure* failure) {
    char shown[4 * FileNameSize];
    for (int32_t i = 0; i < entries.count; ++i) {
        if (!(entries.records[i].changes & ChangedFormatBit)) continue;
        ShownFileName(entries.records[i].name, shown);
        LineText line = {};
        AppendText(&line, RefusalPrefix);
        AppendText(&line, shown);
        AppendText(&line, FormatChangedWarning);
        PrintErrorLine(line.text);
    }
    for (int32_t i = 0; verbose && i < entries.count; ++i) {
        unsigned char changes = entries.records[i].changes;
        if (changes == 0) continue;
        ShownFileName(entries.records[i].name, shown);
        LineText line = {};
        AppendText(&line, shown);
        const char* separator = ": ";
        for (unsigned char bit : {ChangedFormatBit, ChangedLengthBit, ChangedSamplesBit}) {
            if (!(changes & bit)) continue;
            AppendText(&line, separator);
            AppendText(&line, bit == ChangedFormatBit   ? ChangedFormat
                              : bit == ChangedLengthBit ? ChangedLength
                                                        : ChangedSamples);
            separator = ", ";
        }
        AppendText(&line, ChangedEnd);
        if (!PrintResultLine(line.text)) return FailToPrint(failure, Reason::CannotPrintChanges);
    }
    return true;
}

}  // namespace

bool UpdateBank(const char* bankPath, bool verbose, PackFailure* failure) {
    BankFile bank;
    if (!CheckBank(bankPath, BankUse::Update, &bank, failure)) return false;
    EntryTable entries = {nullptr, 0, 0};
    Replacement replacement;
    bool ok = CheckEntries(bank.existing, &entries, failure) &&
              BeginReplacement(bank, &replacement, failure);
    if (ok) {
        bool written = WriteUpdatedBank(bank.existing, replacement.file, &entries, failure);
        // Windows renames nothing over a file that is open.
        CloseFile(bank.existing);
        bank.existing = nullptr;
        ok = FinishReplacement(&replacement, written, failure);
    }
    if (bank.existing) CloseFile(bank.existing);
    if (ok) ok = PrintChanges(entries, verbose, failure);
    FreeEntryTable(&entries);
    return ok;
}
