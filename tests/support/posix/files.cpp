// The runner's file helpers with the POSIX calls, which see FIFOs and links
// for what they are.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/child_process.h"

namespace lsdtest {

bool PathExists(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

bool MakeDirectory(const std::string& path) { return mkdir(path.c_str(), 0755) == 0; }

bool MakeFifo(const std::string& path) { return mkfifo(path.c_str(), 0644) == 0; }

bool MakeLink(const std::string& target, const std::string& path, bool hard) {
    return (hard ? link(target.c_str(), path.c_str()) : symlink(target.c_str(), path.c_str())) == 0;
}

long long FileSize(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
    return static_cast<long long>(info.st_size);
}

void ListFolder(const std::string& path, std::vector<std::pair<std::string, bool>>* entries) {
    DIR* dir = opendir(path.c_str());
    if (!dir) return;
    while (struct dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        struct stat info;
        if (name == "." || name == "..") continue;
        bool folder = lstat((path + name).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
        entries->push_back({name, folder});
    }
    closedir(dir);
}

}  // namespace lsdtest
