#include "platform/posix/fd_facts.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Descriptors past the table simply go without facts.
constexpr int TableSize = 1024;
FdFacts table[TableSize];

}  // namespace

void AdoptFd(int fd) {
    if (fd < 0 || fd >= TableSize) return;
    table[fd] = FdFacts{};
    table[fd].adopted = true;
}

void ForgetFd(int fd) {
    if (fd >= 0 && fd < TableSize) table[fd] = FdFacts{};
}

FdFacts* FactsOf(int fd) {
    return fd >= 0 && fd < TableSize && table[fd].adopted ? &table[fd] : nullptr;
}

void LearnKind(int fd, FdFacts* facts) {
    if (facts->knowsKind) return;
    struct stat info;
    if (fstat(fd, &info) != 0) return;
    facts->flushable = S_ISREG(info.st_mode) || S_ISBLK(info.st_mode);
    facts->terminal = S_ISCHR(info.st_mode) && isatty(fd);
    facts->knowsKind = true;
}
