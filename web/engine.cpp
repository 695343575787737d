// The page's few calls into the engine: each is one run of lsd2wav or
// wav2lsd, in the current folder of the page's in-memory file system, with
// the console lines going to the page. A run ends without ending the
// process, so the page can make as many as it likes.
#include <emscripten/emscripten.h>

#include <vector>

#include "extract/extract_all.h"
#include "pack/list_bank.h"
#include "pack/pack_command.h"
#include "pack/pack_failure.h"
#include "runtime/process/process_frame.h"

namespace {

int32_t RunWav2lsd(std::vector<const char*> arguments) {
    StartUp();
    int32_t exitCode = RunPackCommand(static_cast<int32_t>(arguments.size()), arguments.data());
    EndRun();
    return exitCode;
}

// wav2lsd [OPTION] BANK WAV...: the WAV names follow the bank's.
int32_t RunWithFiles(const char* option, const char* bank, int32_t count,
                     const char* const* wavs) {
    std::vector<const char*> arguments{"wav2lsd"};
    if (option) arguments.push_back(option);
    arguments.push_back("--");
    arguments.push_back(bank);
    for (int32_t i = 0; i < count; ++i) arguments.push_back(wavs[i]);
    return RunWav2lsd(arguments);
}

}  // namespace

extern "C" {

// What `lsd2wav` does in this folder: every entry of music_p.lsd (or else
// sound_p.lsd) to a WAV file. Returns its exit code.
EMSCRIPTEN_KEEPALIVE int32_t ExtractBank() {
    StartUp();
    ExtractAll();
    EndRun();
    return 0;
}

// `wav2lsd --list BANK`.
EMSCRIPTEN_KEEPALIVE int32_t ListBank(const char* bank) {
    return RunWithFiles("--list", bank, 0, nullptr);
}

// The listing in the page's form, one line per entry: see ListBankForPage.
EMSCRIPTEN_KEEPALIVE int32_t ListEntries(const char* bank) {
    StartUp();
    PackFailure failure = {};
    bool ok = ListBankForPage(bank, &failure);
    if (!ok && !failure.quiet) PrintFailure(failure);
    EndRun();
    return ok ? 0 : 1;
}

// `wav2lsd --update BANK`: the bank again from the files lsd2wav wrote beside
// it, as the page has changed them.
EMSCRIPTEN_KEEPALIVE int32_t UpdateBank(const char* bank) {
    return RunWithFiles("--update", bank, 0, nullptr);
}

// `wav2lsd BANK WAV...`, to a bank that is not there yet.
EMSCRIPTEN_KEEPALIVE int32_t PackBank(const char* bank, int32_t count, const char* const* wavs) {
    return RunWithFiles(nullptr, bank, count, wavs);
}

}  // extern "C"
