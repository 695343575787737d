// libFuzzer target: each input is one sound bank, and the whole program runs
// over it, start-up to shut-down, in a fresh directory of its own. Beside
// that directory lies a sentinel file that no bank may change (see
// fuzz_harness.h for the checks of every run).
//
// Besides those, a run fails (aborts) when its console text does not start
// with the heading and end with one status line, or it ends with another
// exit code than 0.
#include <cstddef>
#include <cstdint>
#include <string>

#include "extract/extract_all.h"
#include "fuzz/fuzz_harness.h"
#include "runtime/process/process_frame.h"

namespace {

// The same as -max_len=65536, for runs started without it.
constexpr size_t kLargestInput = size_t{64} << 10;

const char kHeading[] = "Extracting music...\n";
const char* const kStatusLines[] = {
    "  ok\n",
    "  out of memory!\n",
    "  Cannot create output file!\n",
    "  Failed to write to output file!\n",
    "  Failed to read the archive!\n",
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Its name is what the program makes of the entry name "../sentinel".
    PrepareFuzzing("lsd2wav_fuzz", "sentinel.wav");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kLargestInput) return 0;
    EnterRunFolder();
    if (!WriteBytes(InRunFolder("music_p.lsd"), data, size)) FuzzFail("cannot write the bank", "");
    StartUp();
    ExtractAll();
    ShutDown();
    UINT exitCode = LeaveRunFolder();
    if (exitCode != 0) FuzzFail("an exit code other than 0", std::to_string(exitCode));
    const std::string& text = ConsoleText();
    bool statusLast = false;
    for (const char* status : kStatusLines) statusLast = statusLast || EndsWith(text, status);
    if (text.compare(0, sizeof kHeading - 1, kHeading) != 0 || !statusLast)
        FuzzFail("console text without heading or status line", text);
    return 0;
}
