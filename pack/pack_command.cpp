#include "pack/pack_command.h"

#include <cstring>

#include "pack/entry_name.h"
#include "pack/list_bank.h"
#include "pack/pack_bank.h"
#include "pack/pack_texts.h"
#include "pack/update_bank.h"
#include "runtime/process/print_line.h"
#include "runtime/process/removal_on_event.h"

#ifndef WAV2LSD_VERSION
#error "WAV2LSD_VERSION must give the version"
#endif

namespace {

// On standard output when asked for, on the error stream after a mistake.
void PrintUsage(bool asked) {
    for (const char* line : Wav2lsdUsageLines) asked ? PrintLine(line) : PrintErrorLine(line);
}

int32_t Refuse(const char* argument, Reason reason, Reason advice = Reason::None) {
    PackFailure failure = {};
    FailFile(&failure, argument, reason);
    if (advice != Reason::None) Explain(&failure, advice);
    PrintFailure(failure, nullptr);
    return 1;
}

bool Is(const char* argument, const char* option) { return std::strcmp(argument, option) == 0; }

}  // namespace

int32_t RefuseArgument(const char* argument) {
    return Refuse(argument, Reason::UnconvertibleArgument);
}

int32_t RunPackCommand(int32_t argc, const char* const* argv) {
    if (argc < 2) {
        PrintUsage(false);
        return 1;
    }
    const char* first = argv[1];
    if (Is(first, "--help") || Is(first, "-h")) {
        PrintUsage(true);
        return 0;
    }
    if (Is(first, "--version")) {
        PrintLine("wav2lsd " WAV2LSD_VERSION);
        PrintLine("MIT License");
        return 0;
    }
    bool update = false, list = false, verbose = false, force = false;
    int32_t at = 1;
    for (; at < argc; ++at) {
        const char* option = argv[at];
        if (Is(option, "--update")) {
            update = true;
        } else if (Is(option, "--list")) {
            list = true;
        } else if (Is(option, "--verbose") || Is(option, "-v")) {
            verbose = true;
        } else if (Is(option, "--force") || Is(option, "-f")) {
            force = true;
        } else if (Is(option, "--")) {
            ++at;
            break;
        } else if (option[0] == '-' && option[1] != '\0') {
            // A bank whose name starts with "-" is still reachable as "./-name".
            return Refuse(option, Reason::UnknownOption, Reason::TryHelp);
        } else {
            break;
        }
    }
    if (at == argc) {
        if (verbose && !update) return Refuse(argv[argc - 1], Reason::VerboseAlone);
        return Refuse(argv[argc - 1], update || list ? Reason::NoBank : Reason::NoWavFiles);
    }
    const char* bank = argv[at];
    if (update && list) return Refuse("--list", Reason::UnknownOption, Reason::TryHelp);
    if (verbose && !update) return Refuse("--verbose", Reason::VerboseAlone);
    if (force && (update || list)) return Refuse("--force", Reason::ForceAlone);
    if ((update || list) && at + 1 < argc) return Refuse(argv[at + 1], Reason::WavFilesWithUpdate);
    if (!update && !list && at + 1 == argc)
        return Refuse(bank, HasWavEnding(bank) ? Reason::WavFileAlone : Reason::NoWavFiles);
    // Before the bank is looked at: a pattern names no file, and a pack's
    // refusal of the bank that is there would hide that.
    for (int32_t i = at; i < argc; ++i) {
        if (IsUnexpandedWildcard(argv[i], NativePaths))
            return Refuse(argv[i], Reason::UnexpandedWildcard);
    }
    // No event may leave a writing run looking as if it had finished.
    if (!list) EndRunOnEvent();
    PackFailure failure = {};
    bool ok = update ? UpdateBank(bank, verbose, &failure)
              : list ? ListBank(bank, &failure)
                     : PackBank(bank, argv + at + 1, argc - at - 1, force, &failure);
    if (!ok && !failure.quiet) PrintFailure(failure, bank);
    return ok ? 0 : 1;
}
