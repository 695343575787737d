// The page's calls into the engine. Each run is one of lsd2wav or wav2lsd,
// or the page's own listing or one entry's WAV, over the page's folder
// (platform/web/file_store.h), whose files the page puts in and takes out by
// the bytes of their names. A run ends without ending the process, so the
// page can make as many as it likes. Answers are JSON records; lsd2wav's
// console lines go to the page as the bytes it prints.
#include <emscripten/emscripten.h>

#include <string>

#include "bank/bank_walk.h"
#include "extract/entry_wav.h"
#include "extract/extract_all.h"
#include "pack/pack_bank.h"
#include "pack/update_bank.h"
#include "platform/web/file_store.h"
#include "runtime/files/file_handle.h"
#include "runtime/process/process_frame.h"
#include "web/entry_files.h"
#include "web/json_text.h"
#include "web/page_listing.h"

namespace {

// The last answer, which the page reads before it makes the next call.
std::string answer;

const char* Answer(std::string text) {
    answer = std::move(text);
    return answer.c_str();
}

// {"ok":true} or {"ok":false,"file":...,"reason":...,"code":...,"detail":...,
// "convertible":...} for a run of wav2lsd on `bank`: what the failure names,
// as the bytes of the command's line, the reason's words and name, and
// what follows them on that line.
const char* PackAnswer(bool ok, const PackFailure& failure, const char* bank) {
    std::string json = "{";
    JsonKey(&json, "ok");
    JsonBool(&json, ok);
    if (!ok) {
        LineText file = {};
        AppendFailureFile(&file, failure, bank);
        JsonKey(&json, "file");
        JsonHex(&json, file.text, file.length);
        JsonKey(&json, "reason");
        JsonString(&json, ReasonWords(failure.reason));
        JsonKey(&json, "code");
        JsonString(&json, ReasonName(failure.reason));
        // What to type at a command line means nothing on the page.
        bool convertible = failure.advice == Reason::ConvertHint;
        LineText detail = {};
        if (!convertible) AppendFailureDetail(&detail, failure);
        JsonKey(&json, "detail");
        JsonString(&json, detail.text);
        JsonKey(&json, "convertible");
        JsonBool(&json, convertible);
    }
    json += '}';
    return Answer(std::move(json));
}

}  // namespace

extern "C" {

// Where the file's bytes are, and (through `size`) how many; none when the
// file is not there.
EMSCRIPTEN_KEEPALIVE const unsigned char* FileBytes(const char* name, int32_t nameLength,
                                                    double* size) {
    size_t bytes = 0;
    const unsigned char* at = StoreView(name, static_cast<size_t>(nameLength), &bytes);
    *size = static_cast<double>(bytes);
    return at;
}

// The page's own file number `outside`, of `size` bytes, as the folder's
// file of that name, read where it lies; whether the name is one of the folder's.
EMSCRIPTEN_KEEPALIVE int32_t PutPageFile(const char* name, int32_t nameLength, int32_t outside,
                                         double size) {
    return StoreOutside(name, static_cast<size_t>(nameLength), outside,
                        static_cast<int64_t>(size))
               ? 1
               : 0;
}

// Makes the file of that name a sink whose bytes go to the page's receiver
// `sink` as they are written; whether the name is one of the folder's.
EMSCRIPTEN_KEEPALIVE int32_t PutPageSink(const char* name, int32_t nameLength, int32_t sink) {
    return StoreSink(name, static_cast<size_t>(nameLength), sink) ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE int32_t RenameFile(const char* from, int32_t fromLength, const char* to,
                                        int32_t toLength) {
    return StoreRename(from, static_cast<size_t>(fromLength), to, static_cast<size_t>(toLength))
               ? 1
               : 0;
}

EMSCRIPTEN_KEEPALIVE int32_t RemoveFile(const char* name, int32_t nameLength) {
    return StoreRemove(name, static_cast<size_t>(nameLength)) ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE void RemoveAllFiles() { StoreClear(); }

EMSCRIPTEN_KEEPALIVE void RemoveAllFilesBut(const char* name, int32_t nameLength) {
    StoreKeepOnly(name, static_cast<size_t>(nameLength));
}

// lsd2wav in the page's folder: every entry of music_p.lsd (or else
// sound_p.lsd) to its WAV file there, with its console lines.
EMSCRIPTEN_KEEPALIVE void ExtractBank() {
    StartUp();
    ExtractAll();
    EndRun();
}

// The entries of `bank`, read from their heads: see page_listing.h.
EMSCRIPTEN_KEEPALIVE const char* ListEntries(const char* bank) {
    std::string json;
    StartUp();
    ListForPage(bank, &json);
    EndRun();
    return Answer(std::move(json));
}

// The WAV file that lsd2wav writes for the entry starting `at` bytes into
// `bank`, made by the same code into the folder's file `output`, whatever
// came before the entry: {"ok":true}, or {"ok":false,"failed":...} with what
// failed ("open", "create", "read" or "write": in the page's folder, which is
// the engine's memory, a write fails for want of memory), and the file as
// lsd2wav would leave it.
EMSCRIPTEN_KEEPALIVE const char* EntryWav(const char* bank, double at, const char* output) {
    StartUp();
    const char* failed = "open";
    FileHandle* archive = OpenForReading(bank);
    int64_t before = static_cast<int64_t>(at) + NameFieldSize;
    if (archive && SkipFar(archive, before) == before) {
        int32_t length = ReadInt32(archive);
        const FileIdentity identity = IdentityOf(archive);
        FileHandle* wav = HasFailed(archive) ? nullptr : CreateForWriting(output, &identity);
        // A piece at a time: an entry of gigabytes need not fit the engine.
        EntryWrite result =
            wav ? WriteEntryWav(archive, wav, length, CopyInPieces) : EntryWrite::FailedToWrite;
        if (result == EntryWrite::Done && !CloseFile(wav)) result = EntryWrite::FailedToWrite;
        failed = !wav                                   ? "create"
                 : result == EntryWrite::FailedToRead  ? "read"
                 : result == EntryWrite::FailedToWrite ? "write"
                                                       : nullptr;
    }
    EndRun();
    std::string json = "{";
    JsonKey(&json, "ok");
    JsonBool(&json, failed == nullptr);
    if (failed) {
        JsonKey(&json, "failed");
        JsonString(&json, failed);
    }
    json += '}';
    return Answer(std::move(json));
}

// The entries' files of `bank` (the page's own file number `outside`, of
// `size` bytes) as lsd2wav would leave them, seen through the bank: see
// entry_files.h.
EMSCRIPTEN_KEEPALIVE void PutBankEntryFiles(const char* bank, int32_t outside, double size) {
    StartUp();
    PutEntryFiles(bank, outside, static_cast<int64_t>(size));
    EndRun();
}

// `wav2lsd --update BANK`: the bank again from the entries' files in the
// folder, as the page has changed them.
EMSCRIPTEN_KEEPALIVE const char* UpdateEntries(const char* bank) {
    StartUp();
    PackFailure failure = {};
    bool ok = UpdateBank(bank, false, &failure);
    EndRun();
    return PackAnswer(ok, failure, bank);
}

// `wav2lsd BANK WAV...`, to a bank that is not there yet.
EMSCRIPTEN_KEEPALIVE const char* PackEntries(const char* bank, int32_t count,
                                            const char* const* wavs) {
    StartUp();
    PackFailure failure = {};
    bool ok = PackBank(bank, wavs, count, false, &failure);
    EndRun();
    return PackAnswer(ok, failure, bank);
}

}  // extern "C"
