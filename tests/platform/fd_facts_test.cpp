// The stand-in answers some calls from what it has already learned about a
// file. Those answers must be the kernel's own.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/posix/fd_handle.h"
#include "platform/posix/windows_types.h"

// The stand-ins themselves, not the table that the runtime calls through.
using namespace PosixOs;

namespace {

int64_t Where(HANDLE h) {
    LONG high = 0;
    DWORD low = SetFilePointer(h, 0, &high, FILE_CURRENT);
    if (low == INVALID_SET_FILE_POINTER && high == 0) return -1;
    return static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(high)) << 32) | low);
}

enum class Step { Write, Read, Back, Ask };

TEST(FdFactsTest, TrackedPositionsAreTheKernelsAfterEveryKindOfStep) {
    char dir[] = "/tmp/lsd2wav-facts-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string path = std::string(dir) + "/f.bin";
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    const Step steps[] = {Step::Ask,  Step::Write, Step::Ask, Step::Write, Step::Back,
                          Step::Ask,  Step::Read,  Step::Ask, Step::Read,  Step::Ask,
                          Step::Back, Step::Write, Step::Ask, Step::Ask};
    char bytes[300] = {};
    for (Step step : steps) {
        DWORD n = 0;
        if (step == Step::Write) WriteFile(h, bytes, 300, &n, nullptr);
        if (step == Step::Read) ReadFile(h, bytes, 200, &n, nullptr);
        if (step == Step::Back) SetFilePointer(h, -250, nullptr, FILE_CURRENT);
        ASSERT_EQ(Where(h), lseek(FdOfHandle(h), 0, SEEK_CUR));
    }
    EXPECT_EQ(CloseHandle(h), TRUE);

    // A file that cannot seek never gets a position, however often asked.
    std::string fifo = std::string(dir) + "/pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    HANDLE p = CreateFileA(fifo.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(p, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    for (int i = 0; i < 3; ++i) {
        WriteFile(p, "abcd", 4, &n, nullptr);
        EXPECT_EQ(Where(p), -1);
    }
    CloseHandle(p);
    EXPECT_EQ(std::system((std::string("rm -rf ") + dir).c_str()), 0);
}

}  // namespace
