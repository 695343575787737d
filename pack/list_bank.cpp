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
bool ListEntry(FileHandle* bank, const EntryHead& head, HeadRead read) {
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
        } else if (ReadPast(bank, static_cast<uint32_t>(samples)) != PastRead::Whole) {
            Append(&line, ListCut);
        } else {
            more = true;
        }
    }
    const char* refused = file ? RefusedNameReason(file) : nullptr;
    if (refused) Append(&line, ListRefused, refused), Append(&line, ")");
    PrintLine(line);
    FreeText(line);
    FreeText(file);
    return more;
}

}  // namespace

bool ListBank(const char* bankPath, PackFailure* failure) {
    FileHandle* bank;
    if (!CheckBank(bankPath, BankUse::List, &bank, failure)) return false;
    unsigned char lead[4];
    ReadBlock(bank, lead, 4);
    for (;;) {
        EntryHead head;
        HeadRead read = ReadEntryHead(bank, &head);
        if (read == HeadRead::End || !ListEntry(bank, head, read)) break;
    }
    CloseFile(bank);
    return true;
}
