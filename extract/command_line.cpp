#include "extract/command_line.h"

#include <cstring>

#include "extract/console_texts.h"
#include "runtime/process/print_line.h"

#ifndef LSD2WAV_VERSION
#error "LSD2WAV_VERSION must give the version"
#endif

namespace {

bool Is(const char* argument, const char* option) { return std::strcmp(argument, option) == 0; }

}  // namespace

bool AnswerCommandLine(int32_t argc, const char* const* argv) {
    if (argc < 2) return false;
    // Scripts that start lsd2wav with words after it have always had an
    // extraction; only a call that can mean nothing but a question is
    // answered instead, so that asking never costs a folder of edited files.
    if (argc == 2) {
        const char* only = argv[1];
        if (Is(only, "--help") || Is(only, "-h") || Is(only, "/?")) {
            for (const char* line : UsageLines) PrintLine(line);
            return true;
        }
        if (Is(only, "--version")) {
            PrintLine("lsd2wav " LSD2WAV_VERSION);
            PrintLine(LicenseLine);
            return true;
        }
    }
    PrintErrorLine(NoArgumentsLine);
    return false;
}
