#include "pack/pack_command.h"

#include <cstring>

#include "pack/pack_bank.h"
#include "pack/pack_texts.h"
#include "runtime/process/print_line.h"
#include "runtime/process/text_store.h"

#ifndef WAV2LSD_VERSION
#error "WAV2LSD_VERSION must give the version"
#endif

namespace {

void PrintUsage() {
    for (const char* line : UsageLines) PrintLine(line);
}

void PrintRefusal(const char* file, const char* reason) {
    char* head = JoinText(RefusalPrefix, file, RefusalSeparator);
    char* line = head ? JoinText(head, reason) : nullptr;
    // Without memory for the whole line the reason alone still tells something.
    PrintErrorLine(line ? line : reason);
    FreeText(line);
    FreeText(head);
}

}  // namespace

int32_t RunPackCommand(int32_t argc, const char* const* argv) {
    if (argc < 2) {
        PrintUsage();
        return 1;
    }
    const char* first = argv[1];
    if (std::strcmp(first, "--help") == 0 || std::strcmp(first, "-h") == 0) {
        PrintUsage();
        return 0;
    }
    if (std::strcmp(first, "--version") == 0) {
        PrintLine("wav2lsd " WAV2LSD_VERSION);
        return 0;
    }
    // A bank whose name starts with "-" is still reachable as "./-name".
    if (first[0] == '-' && first[1] != '\0') {
        PrintRefusal(first, UnknownOption);
        return 1;
    }
    if (argc < 3) {
        PrintRefusal(first, NoWavFiles);
        return 1;
    }
    PackFailure failure;
    if (!PackBank(first, argv + 2, argc - 2, &failure)) {
        PrintRefusal(failure.file, failure.reason);
        return 1;
    }
    return 0;
}
