#include "web/page_listing.h"

#include <cstring>
#include <map>
#include <vector>

#include "bank/bank_walk.h"
#include "bank/file_name.h"
#include "bank/safe_name.h"
#include "pack/entry_name.h"
#include "platform/little_endian.h"
#include "web/json_text.h"

namespace {

// What lsd2wav does with an entry, in the order of its walk.
enum class Fate {
    Written,    // the entry's file, whole (a bank cut short inside the samples pads it with zeros)
    Refused,    // a rooted name, or one with a ".." element: no file, and the walk ends
    InFolder,   // the name goes into a folder, which the page's folder never has: as Refused
    NoSamples,  // the length field gives no samples: a file of the header alone, and the walk ends
    HeadCut,    // the bank ends inside the entry's head: a broken file, and the walk ends
    NoneLeft,   // the bank ends before the samples: a file of the header alone, and the walk ends
    AfterEnd,   // an entry before it ended the walk
};

const char* FateName(Fate fate) {
    switch (fate) {
        case Fate::Written: return "written";
        case Fate::Refused: return "refused";
        case Fate::InFolder: return "in-folder";
        case Fate::NoSamples: return "no-samples";
        case Fate::HeadCut: return "head-cut";
        case Fate::NoneLeft: return "none-left";
        case Fate::AfterEnd: return "after-end";
    }
    return "";
}

// Whether lsd2wav creates a file for an entry of this fate: the ones that
// end the walk after the file is made leave a broken one.
bool MakesFile(Fate fate) {
    return fate == Fate::Written || fate == Fate::NoSamples || fate == Fate::HeadCut ||
           fate == Fate::NoneLeft;
}

struct PageEntry {
    char file[FileNameSize];  // the entry's file name, as lsd2wav makes it
    char key[FileNameSize];   // the file it is in a folder read as Linux reads it
    int64_t at;               // where the entry starts in the bank
    bool whole;               // the head is there: the numbers mean something
    unsigned char format[FormatBlockSize];
    int64_t samples;  // L + 2, the sample bytes that the head promises
    int64_t present;  // of those, the bytes that the bank holds
    Fate fate;
    bool overwritten;  // a later entry's file takes its place
};

// What lsd2wav does with the entry, given whether an earlier one ended its walk.
Fate FateOf(const PageEntry& entry, bool ended) {
    if (ended) return Fate::AfterEnd;
    if (!IsSafeOutputName(entry.file, NativePaths)) return Fate::Refused;
    if (std::strchr(entry.key, '/') != nullptr) return Fate::InFolder;
    if (!entry.whole) return Fate::HeadCut;
    if (entry.samples <= 0) return Fate::NoSamples;
    if (entry.present == 0) return Fate::NoneLeft;
    return Fate::Written;
}

void AppendEntry(std::string* json, const PageEntry& entry) {
    *json += '{';
    JsonKey(json, "file");
    JsonHex(json, entry.file, std::strlen(entry.file));
    JsonKey(json, "key");
    JsonHex(json, entry.key, std::strlen(entry.key));
    JsonKey(json, "at");
    JsonNumber(json, entry.at);
    JsonKey(json, "whole");
    JsonBool(json, entry.whole);
    if (entry.whole) {
        const unsigned char* f = entry.format;
        JsonKey(json, "channels");
        JsonNumber(json, f[2] | f[3] << 8);
        JsonKey(json, "rate");
        JsonNumber(json, Uint32At(f + 4));
        JsonKey(json, "blockAlign");
        JsonNumber(json, f[12] | f[13] << 8);
        JsonKey(json, "bits");
        JsonNumber(json, f[14] | f[15] << 8);
        JsonKey(json, "samples");
        JsonNumber(json, entry.samples);
        JsonKey(json, "present");
        JsonNumber(json, entry.present);
    }
    JsonKey(json, "fate");
    JsonString(json, FateName(entry.fate));
    JsonKey(json, "overwritten");
    JsonBool(json, entry.overwritten);
    // Banks are made for Windows, where lsd2wav stops at more names.
    JsonKey(json, "windowsRefuses");
    JsonString(json, RefusedNameReason(entry.file));
    *json += '}';
}

}  // namespace

bool ListForPage(const char* bankName, std::string* json) {
    FileHandle* bank = OpenForReading(bankName);
    if (!bank) {
        *json += "{\"failure\":\"cannot-open\"}";
        return false;
    }
    unsigned char lead[LeadFieldSize];
    int32_t leadRead = ReadBlock(bank, lead, LeadFieldSize);
    std::vector<PageEntry> entries;
    bool ended = false;
    for (bool more = leadRead == LeadFieldSize; more;) {
        PageEntry entry = {};
        entry.at = GetPosition(bank);
        EntryHead head;
        HeadRead read = ReadEntryHead(bank, &head);
        if (read == HeadRead::End) break;
        MakeFileName(head.name, entry.file);
        ReduceFileName(entry.file, NativePaths, entry.key);
        entry.whole = read == HeadRead::Whole;
        std::memcpy(entry.format, head.format, FormatBlockSize);
        entry.samples = entry.whole ? SampleBlockSize(head.length) : 0;
        entry.present = entry.samples > 0 ? SkipFar(bank, entry.samples) : 0;
        // Where the next entry begins is anybody's guess after one without
        // samples, and there is none after the end of the bank.
        more = entry.whole && entry.samples > 0 && entry.present == entry.samples;
        entry.fate = FateOf(entry, ended);
        ended = ended || entry.fate != Fate::Written || !more;
        entries.push_back(entry);
    }
    bool failed = HasFailed(bank);
    CloseFile(bank);
    // lsd2wav writes the files in order, so the last entry that makes a
    // file of a name is the one whose file stays.
    std::map<std::string, size_t> last;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (MakesFile(entries[i].fate)) last[entries[i].key] = i;
    }
    for (size_t i = 0; i < entries.size(); ++i) {
        auto at = last.find(entries[i].key);
        entries[i].overwritten = MakesFile(entries[i].fate) && at != last.end() && at->second != i;
    }
    *json += '{';
    JsonKey(json, "leadCut");
    JsonBool(json, leadRead > 0 && leadRead < LeadFieldSize);
    JsonKey(json, "readFailed");
    JsonBool(json, failed);
    JsonKey(json, "entries");
    *json += '[';
    for (size_t i = 0; i < entries.size(); ++i) {
        if (i > 0) *json += ',';
        AppendEntry(json, entries[i]);
    }
    *json += "]}";
    return !failed;
}
