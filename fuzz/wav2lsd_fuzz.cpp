// libFuzzer target for wav2lsd's parsers: the first byte of each input picks
// what the rest is, and wav2lsd runs over it in-process, start-up to
// shut-down, in a fresh folder (see fuzz_harness.h for the checks of every
// run). Besides those, a run fails (aborts) when
// - as a WAV file packed into a new bank: wav2lsd exits 0 without a bank of
//   one entry named after the file whose samples are bytes of the file, or
//   exits 1 leaving anything but the file;
// - as a bank listed with --list: the bank changes, or anything appears;
// - as a bank that lsd2wav extracts into the folder, then repacked there
//   with --update: the bank is not byte for byte what it was. An untouched
//   folder gives the bank back, and a refusal leaves it as it was.
#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "extract/extract_all.h"
#include "fuzz/fuzz_harness.h"
#include "pack/pack_command.h"
#include "runtime/process/process_frame.h"
#include "runtime/process/print_line.h"

namespace {

constexpr size_t kLargestInput = size_t{64} << 10;
constexpr size_t kEntryHeadSize = 52;  // name field, length field, format block

enum Mode { PackWav, ListBank, UpdateBank, ModeCount };

UINT Wav2lsd(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "wav2lsd");
    StartUp();
    int32_t code = RunPackCommand(static_cast<int32_t>(arguments.size()), arguments.data());
    ShutDown(static_cast<UINT>(code));
    return static_cast<UINT>(code);
}

bool Exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

void CheckPacked(const std::string& wav, UINT code) {
    std::string bank = ReadBytes(InRunFolder("bank.lsd"));
    if (code != 0) {
        if (Exists(InRunFolder("bank.lsd"))) FuzzFail("a refusal left a bank", "");
        return;
    }
    if (bank.size() < 4 + kEntryHeadSize + 1) FuzzFail("exit 0 with a bank too short", "");
    if (bank.compare(4, 3, std::string("in\0", 3)) != 0)
        FuzzFail("the entry is not named after its file", "");
    uint32_t length = static_cast<uint8_t>(bank[36]) | static_cast<uint8_t>(bank[37]) << 8 |
                      static_cast<uint8_t>(bank[38]) << 16 |
                      static_cast<uint32_t>(static_cast<uint8_t>(bank[39])) << 24;
    std::string samples = bank.substr(4 + kEntryHeadSize);
    // L + 2 in the field's own 32 bits: a one-byte data chunk is L = -1.
    if (samples.size() != static_cast<uint32_t>(length + 2))
        FuzzFail("the length field does not fit the samples", std::to_string(length));
    if (wav.find(samples) == std::string::npos)
        FuzzFail("samples that the file does not hold", "");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    PrepareFuzzing("wav2lsd_fuzz", "sentinel");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > kLargestInput) return 0;
    Mode mode = static_cast<Mode>(data[0] % ModeCount);
    const std::string body(reinterpret_cast<const char*>(data) + 1, size - 1);
    EnterRunFolder();
    UINT code = 0;
    switch (mode) {
        case PackWav:
            if (!WriteBytes(InRunFolder("in.wav"), body.data(), body.size()))
                FuzzFail("cannot write", "in.wav");
            code = Wav2lsd({"bank.lsd", "in.wav"});
            CheckPacked(body, code);
            break;
        case ListBank:
            if (!WriteBytes(InRunFolder("bank.lsd"), body.data(), body.size()))
                FuzzFail("cannot write", "bank.lsd");
            code = Wav2lsd({"--list", "bank.lsd"});
            if (ReadBytes(InRunFolder("bank.lsd")) != body) FuzzFail("--list changed the bank", "");
            break;
        case UpdateBank:
            if (!WriteBytes(InRunFolder("music_p.lsd"), body.data(), body.size()))
                FuzzFail("cannot write", "music_p.lsd");
            StartUp();
            ExtractAll();
            ShutDown();
            code = Wav2lsd({"--update", "music_p.lsd"});
            if (ReadBytes(InRunFolder("music_p.lsd")) != body)
                FuzzFail("--update over an untouched folder changed the bank",
                         "exit code " + std::to_string(code));
            break;
        case ModeCount:
            break;
    }
    if (LeaveRunFolder() != code) FuzzFail("the exit code is not wav2lsd's", "");
    if (code > 1) FuzzFail("an exit code other than 0 or 1", std::to_string(code));
    return 0;
}
