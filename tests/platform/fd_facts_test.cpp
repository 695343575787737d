// The stand-in answers some calls from what it has already learned about a
// file. Those answers must be the kernel's own.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "platform/posix/fd_facts.h"
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

// Writes 300 bytes, reads 200, or moves by `distance` from where the file
// stands, with the distance's high half or without it.
struct Step {
    enum { Write, Read, Move } kind;
    LONG distance;
    bool withHigh;
};

// Files whose every move the stand-in has seen, files whose position it
// learns only at their first move, and a descriptor that it did not open,
// whose position it never knows: each stands 200 bytes in, by the stand-in's
// own reads or writes, before its first move, which is each of the moves that
// the runtime makes; then a walk of reads, writes and moves.
TEST(FdFactsTest, TrackedPositionsAreTheKernelsAfterEveryKindOfStep) {
    char dir[] = "/tmp/lsd2wav-facts-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string path = std::string(dir) + "/f.bin";
    auto openAs = [&](DWORD access, DWORD disposition) {
        return CreateFileA(path.c_str(), access, FILE_SHARE_READ, nullptr, disposition,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    const DWORD readWrite = GENERIC_READ | GENERIC_WRITE;
    const struct {
        const char* what;
        std::function<HANDLE()> open;
        bool exists;  // with 1000 bytes, before the open
        bool knows;   // the stand-in knows the position before the first move
    } files[] = {
        {"made new", [&] { return openAs(readWrite, CREATE_NEW); }, false, true},
        {"made over", [&] { return openAs(readWrite, CREATE_ALWAYS); }, true, false},
        {"opened to read", [&] { return openAs(GENERIC_READ, OPEN_EXISTING); }, true, false},
        {"handed in", [&] { return HandleOfFd(::open(path.c_str(), O_RDWR)); }, true, false},
    };
    const Step firstMoves[] = {{Step::Move, 0, false}, {Step::Move, 0, true},
                               {Step::Move, 1, false}, {Step::Move, 1, true},
                               {Step::Move, -1, false}, {Step::Move, -1, true}};
    const Step walk[] = {{Step::Write, 0, false}, {Step::Move, 0, true},   {Step::Write, 0, false},
                         {Step::Move, -150, false}, {Step::Move, 1, false}, {Step::Read, 0, false},
                         {Step::Move, -1, true},  {Step::Read, 0, false},  {Step::Move, 1, true},
                         {Step::Move, -1, false}, {Step::Move, 0, false},  {Step::Write, 0, false},
                         {Step::Move, 0, true}};
    char bytes[300] = {};
    for (const auto& file : files) {
        for (const Step& first : firstMoves) {
            SCOPED_TRACE(::testing::Message()
                         << file.what << ", first moved by " << first.distance
                         << (first.withHigh ? " with" : " without") << " the high half");
            unlink(path.c_str());
            if (file.exists) {
                FILE* out = fopen(path.c_str(), "wb");
                ASSERT_NE(out, nullptr);
                ASSERT_EQ(fwrite(std::string(1000, 'x').data(), 1, 1000, out), 1000u);
                fclose(out);
            }
            HANDLE h = file.open();
            int fd = FdOfHandle(h);
            ASSERT_GE(fd, 0);
            DWORD n = 0;
            if (!ReadFile(h, bytes, 200, &n, nullptr) || n != 200)
                WriteFile(h, bytes, 200, &n, nullptr);
            ASSERT_EQ(lseek(fd, 0, SEEK_CUR), 200);
            FdFacts* facts = FactsOf(fd);
            ASSERT_EQ(facts != nullptr && facts->knowsPosition, file.knows);
            std::vector<Step> steps = {first};
            steps.insert(steps.end(), std::begin(walk), std::end(walk));
            for (const Step& step : steps) {
                off_t before = lseek(fd, 0, SEEK_CUR);
                if (step.kind == Step::Write) WriteFile(h, bytes, 300, &n, nullptr);
                if (step.kind == Step::Read) ReadFile(h, bytes, 200, &n, nullptr);
                if (step.kind == Step::Move) {
                    LONG high = step.distance < 0 ? -1 : 0;
                    DWORD low = SetFilePointer(h, step.distance, step.withHigh ? &high : nullptr,
                                               FILE_CURRENT);
                    ASSERT_EQ(lseek(fd, 0, SEEK_CUR), before + step.distance) << step.distance;
                    EXPECT_EQ(low, static_cast<DWORD>(before + step.distance)) << step.distance;
                    if (step.withHigh) {
                        EXPECT_EQ(high, 0) << step.distance;
                    }
                }
                ASSERT_EQ(Where(h), lseek(fd, 0, SEEK_CUR));
            }
            EXPECT_EQ(CloseHandle(h), TRUE);
        }
    }

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
