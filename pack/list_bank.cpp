#include "pack/list_bank.h"

#include "bank/little_endian.h"
#include "pack/bank_file.h"
#include "pack/bank_walk.h"
#include "pack/entry_name.h"
#include "pack/pack_texts.h"
#include "pack/text_format.h"
#include "runtime/process/print_line.h"
#include "runtime/process/text_store.h"

namespace {

// Appends `more` to the line being built; the line is lost without memory.
void Append(char** line, const char* more, const char* after = "") {
    if (!*line) return;
    char* longer = JoinText(*line, more, after);
    FreeText(*line);
    *line = longer;
}

void AppendNumber(char** line, int64_t value, const char* unit) {
    char number[DecimalTextSize];
    Append(line, "  ", DecimalText(value, number));
    Append(line, unit);
}

// Lists one entry; returns whether the bank goes on after it.
// Lists one entry; whether the walk goes on. `trouble` gets the reason when
// the listing cannot be trusted past this entry.
bool ListEntry(FileHandle* bank, const EntryHead& head, HeadRead read, const char** trouble) {
    char* file = JoinText(head.name, WavExtension);
    char* line = file ? EscapedName(file) : nullptr;
    bool more = false;
    if (read == HeadRead::Cut) {
        Append(&line, ListCut);
    } else {
        const unsigned char* f = head.format;
        AppendNumber(&line, f[2] | f[3] << 8, " ch");
        AppendNumber(&line, Uint32At(f + 4), " Hz");
        AppendNumber(&line, f[14] | f[15] << 8, " bit");
        int32_t samples = SampleBlockSize(head.length);
        AppendNumber(&line, samples, " bytes");
        // lsd2wav stops at an entry without samples, and where the next one
        // would begin is anybody's guess.
        if (samples <= 0) {
            Append(&line, ListNoSamples);
        } else {
            PastRead past = ReadPast(bank, static_cast<uint32_t>(samples));
            if (past == PastRead::Short) Append(&line, ListCut);
            if (past == PastRead::OutOfMemory) *trouble = OutOfMemory;
            more = past == PastRead::Whole;
        }
    }
    const char* refused = file ? RefusedNameReason(file) : nullptr;
    if (refused) Append(&line, ListRefused, refused), Append(&line, ")");
    // Every line is the listing's own: one lost (no memory for it, or a
    // standard output that takes no more) makes the listing a lie.
    if (!line || !PrintLineWhole(line)) *trouble = CannotPrintListing;
    FreeText(line);
    FreeText(file);
    return more && !*trouble;
}

}  // namespace

bool ListBank(const char* bankPath, PackFailure* failure) {
    FileHandle* bank;
    if (!CheckBank(bankPath, BankUse::List, &bank, failure)) return false;
    unsigned char lead[4];
    ReadBlock(bank, lead, 4);
    const char* trouble = nullptr;
    for (;;) {
        EntryHead head;
        HeadRead read = ReadEntryHead(bank, &head);
        if (read == HeadRead::End || !ListEntry(bank, head, read, &trouble)) break;
    }
    // A failed read is no end of the bank: the listing would be short.
    bool ok = !HasFailed(bank) || Fail(failure, bankPath, CannotReadBank, SystemReasonText());
    if (ok && trouble == CannotPrintListing) {
        ok = FailToPrint(failure, bankPath, trouble);
    } else if (ok && trouble) {
        ok = Fail(failure, bankPath, trouble);
    }
    CloseFile(bank);
    return ok;
}
