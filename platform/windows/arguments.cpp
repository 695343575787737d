#include "platform/arguments.h"

#include <cstdlib>
#include <cwchar>

#include "platform/os.h"

namespace {

// msvcrt's own split of the wide command line, the one that wmain is given.
struct StartupInfo {
    int newMode;
};
extern "C" int __wgetmainargs(int* argc, wchar_t*** argv, wchar_t*** environment, int glob,
                              StartupInfo* info);

// `wide` in the ANSI code page, or none when it does not come back unchanged.
char* ToAnsi(const wchar_t* wide, bool* exact) {
    BOOL lost = FALSE;
    int size = Os.WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, nullptr, 0,
                                      nullptr, &lost);
    char* text = size > 0 ? static_cast<char*>(std::malloc(static_cast<size_t>(size))) : nullptr;
    if (!text) return nullptr;
    Os.WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, text, size, nullptr, &lost);
    *exact = !lost;
    // A character may also become another on the way back.
    int back = *exact ? Os.MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, -1, nullptr, 0)
                      : 0;
    wchar_t* again =
        back > 0 ? static_cast<wchar_t*>(std::malloc(sizeof(wchar_t) * static_cast<size_t>(back)))
                 : nullptr;
    *exact = again && Os.MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, -1, again,
                                             back) == back &&
             std::wcscmp(again, wide) == 0;
    std::free(again);
    return text;
}

}  // namespace

ProgramArguments TakeArguments(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = nullptr;
    wchar_t** environment = nullptr;
    StartupInfo info = {0};
    if (__wgetmainargs(&count, &wide, &environment, 0, &info) != 0 || count != argc)
        return {argc, argv, -1};
    char** taken = static_cast<char**>(std::calloc(static_cast<size_t>(count) + 1, sizeof(char*)));
    if (!taken) return {argc, argv, -1};
    int32_t unconvertible = -1;
    for (int i = 0; i < count; ++i) {
        bool exact = false;
        taken[i] = ToAnsi(wide[i], &exact);
        // Without memory for the copy the narrow argument still stands.
        if (!taken[i]) taken[i] = argv[i];
        if (!exact && unconvertible < 0) unconvertible = i;
    }
    return {count, taken, unconvertible};
}
