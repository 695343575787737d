#include "pack/list_bank.h"

#include <charconv>
#include <cstring>
#include <initializer_list>

#include "bank/file_name.h"
#include "platform/little_endian.h"
#include "pack/bank_file.h"
#include "bank/bank_walk.h"
#include "pack/entry_name.h"
#include "pack/pack_texts.h"
#include "pack/text_format.h"
#include "runtime/process/print_line.h"

namespace {

// What the listing says of one entry, in the text of its columns.
struct EntryFacts {
    char path[FileNameSize];      // the file's name, as lsd2wav writes it
    char file[4 * FileNameSize];  // escaped
    char channels[DecimalTextSize];
    char rate[DecimalTextSize];
    char bits[DecimalTextSize];
    char bytes[DecimalTextSize];
    bool whole;     // the head is there: the numbers mean something
    bool cut;       // the bank ends inside the entry
    bool noSamples;
    const char* refused;
    int64_t samples;
};

// The widths of the columns: those of their longest texts.
struct Widths {
    size_t file, channels, rate, bits, bytes;
};

// The totals of the closing line.
struct Totals {
    int64_t entries, bytes, cut, refused;
};

void SetNumber(char (&text)[DecimalTextSize], int64_t value) {
    *std::to_chars(text, text + DecimalTextSize - 1, value).ptr = '\0';
}

void Widen(size_t* width, const char* text) {
    size_t length = std::strlen(text);
    if (length > *width) *width = length;
}

// Reads the next entry; whether there was one.
bool ReadFacts(FileHandle* bank, EntryFacts* facts, bool* more) {
    EntryHead head;
    HeadRead read = ReadEntryHead(bank, &head);
    if (read == HeadRead::End) return false;
    *facts = EntryFacts{};
    MakeFileName(head.name, facts->path);
    EscapeName(facts->path, facts->file, sizeof facts->file);
    facts->refused = RefusedNameReason(facts->path);
    facts->whole = read == HeadRead::Whole;
    facts->cut = !facts->whole;
    *more = false;
    if (facts->whole) {
        const unsigned char* f = head.format;
        SetNumber(facts->channels, f[2] | f[3] << 8);
        SetNumber(facts->rate, Uint32At(f + 4));
        SetNumber(facts->bits, f[14] | f[15] << 8);
        int32_t samples = SampleBlockSize(head.length);
        SetNumber(facts->bytes, samples);
        // lsd2wav stops at an entry without samples, and where the next one
        // would begin is anybody's guess.
        facts->noSamples = samples <= 0;
        if (!facts->noSamples) {
            facts->samples = samples;
            // Only the heads are listed: the samples are passed over, not read.
            PastRead past = SkipPast(bank, samples);
            facts->cut = past == PastRead::Short;
            *more = past == PastRead::Whole;
        }
    }
    return true;
}

void AppendMarks(LineText* line, const EntryFacts& facts) {
    if (facts.noSamples) AppendText(line, ListNoSamples);
    if (facts.cut) AppendText(line, ListCut);
    if (facts.refused) {
        AppendText(line, ListRefused);
        AppendText(line, facts.refused);
        AppendText(line, ")");
    }
}

// The entry's line, its columns as wide as `widths` say; whether it went
// out whole.
bool PrintFacts(const EntryFacts& facts, const Widths& widths) {
    LineText line = {};
    AppendPadded(&line, facts.file, widths.file, false);
    if (facts.whole) {
        AppendText(&line, "  ");
        AppendPadded(&line, facts.channels, widths.channels, true);
        AppendText(&line, " ch  ");
        AppendPadded(&line, facts.rate, widths.rate, true);
        AppendText(&line, " Hz  ");
        AppendPadded(&line, facts.bits, widths.bits, true);
        AppendText(&line, " bit  ");
        AppendPadded(&line, facts.bytes, widths.bytes, true);
        AppendText(&line, " bytes");
    }
    AppendMarks(&line, facts);
    return PrintResultLine(line.text);
}

bool PrintTotals(const Totals& totals) {
    LineText line = {};
    AppendNumber(&line, totals.entries);
    AppendText(&line, totals.entries == 1 ? " entry, " : " entries, ");
    AppendNumber(&line, totals.bytes);
    AppendText(&line, " sample bytes, ");
    AppendNumber(&line, totals.cut);
    AppendText(&line, " cut short, ");
    AppendNumber(&line, totals.refused);
    AppendText(&line, " refused");
    return PrintResultLine(line.text);
}

enum class Pass { Measure, Print };

// One walk over the bank's entries: the listing measures the columns first
// and prints them in a second walk.
void Walk(FileHandle* bank, Widths* widths, Totals* totals, Pass pass, Reason* trouble) {
    unsigned char lead[LeadFieldSize];
    ReadBlock(bank, lead, LeadFieldSize);
    EntryFacts facts;
    bool more = true;
    while (more && *trouble == Reason::None && ReadFacts(bank, &facts, &more)) {
        if (pass == Pass::Print) {
            if (!PrintFacts(facts, *widths)) *trouble = Reason::CannotPrintListing;
            continue;
        }
        Widen(&widths->file, facts.file);
        Widen(&widths->channels, facts.channels);
        Widen(&widths->rate, facts.rate);
        Widen(&widths->bits, facts.bits);
        Widen(&widths->bytes, facts.bytes);
        ++totals->entries;
        totals->bytes += facts.samples;
        totals->cut += facts.cut;
        totals->refused += facts.refused != nullptr;
    }
}

}  // namespace

bool ListBank(const char* bankPath, PackFailure* failure) {
    BankFile checked;
    if (!CheckBank(bankPath, BankUse::List, &checked, failure)) return false;
    FileHandle* bank = checked.existing;
    Widths widths = {};
    Totals totals = {};
    Reason trouble = Reason::None;
    Walk(bank, &widths, &totals, Pass::Measure, &trouble);
    auto going = [&] { return trouble == Reason::None && !HasFailed(bank); };
    if (going() && !RewindFile(bank)) trouble = Reason::CannotReadBank;
    if (going()) Walk(bank, &widths, &totals, Pass::Print, &trouble);
    if (going() && !PrintTotals(totals)) trouble = Reason::CannotPrintListing;
    // A failed read is no end of the bank: the listing would be short.
    bool ok = !HasFailed(bank) || Fail(failure, Reason::CannotReadBank, LastSystemReason());
    if (ok && trouble == Reason::CannotPrintListing) {
        ok = FailToPrint(failure, trouble);
    } else if (ok && trouble != Reason::None) {
        ok = Fail(failure, trouble);
    }
    CloseFile(bank);
    return ok;
}
