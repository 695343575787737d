// The runner's file helpers with the ANSI calls of KERNEL32, which take the
// names the tests spell as the program's own calls do. Windows has no FIFOs,
// and the tests make no links there.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "tests/support/child_process.h"

namespace lsdtest {

bool PathExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool MakeDirectory(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != 0; }

bool MakeFifo(const std::string&) { return false; }
// The link cases run on Linux only; on Windows the Os table's tests cover the
// refusal of reparse points.
bool MakeLink(const std::string&, const std::string&, bool) { return false; }

long long FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

void ListFolder(const std::string& path, std::vector<std::pair<std::string, bool>>* entries) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..")
            entries->push_back({name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

}  // namespace lsdtest
