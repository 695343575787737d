// The spy must change what a caller of Os really sees, only for the calls it
// was aimed at, and must never outlive its test.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/os_spy.h"
#include "tests/support/scratch_directory.h"

namespace {

class OsSpyTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = lsdtest::MakeScratchDirectory("lsd2wav-spy-");
        ASSERT_FALSE(dir.empty());
        InstallOsSpy(&spy);
    }
    void TearDown() override {
        RemoveOsSpy();
        EXPECT_TRUE(lsdtest::RemoveScratchDirectory(dir));
    }

    HANDLE Create(const char* name) {
        return Os.CreateFileA((dir + "/" + name).c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    }
    std::string Name(const char* name) const { return dir + "/" + name; }
    long SizeOf(const char* name) const {
        FILE* in = fopen(Name(name).c_str(), "rb");
        if (in == nullptr) return -1;
        fseek(in, 0, SEEK_END);
        long size = ftell(in);
        fclose(in);
        return size;
    }

    std::string dir;
    OsSpy spy;
};

// "ok 10" or "FAIL 3" for each write of `size` bytes.
std::string WriteTimes(HANDLE h, int times, DWORD size) {
    static const char data[64] = {};
    std::string seen;
    for (int i = 0; i < times; ++i) {
        DWORD n = 99;
        BOOL ok = Os.WriteFile(h, data, size, &n, nullptr);
        seen += (ok ? "ok " : "FAIL ") + std::to_string(n) + (i + 1 < times ? ", " : "");
    }
    return seen;
}

TEST_F(OsSpyTest, HelpersChangeWhatTheCallerSeesOnTheirFileOnly) {
    struct Case {
        const char* what;
        void (*aim)(OsSpy&, const std::string& file);
        const char* seen;  // four writes of 10 bytes to the aimed-at file
    } cases[] = {
        {"shorten", [](OsSpy& s, const std::string& f) { ShortenWritesTo(s, 3, f); },
         "FAIL 3, FAIL 3, FAIL 3, FAIL 3"},
        {"stop after 25", [](OsSpy& s, const std::string& f) { StopWritesAfter(s, 25, f); },
         "ok 10, ok 10, FAIL 5, FAIL 0"},
        {"fail 2nd once",
         [](OsSpy& s, const std::string& f) { FailNth(s, OsCall::WriteFile, 2, false, f); },
         "ok 10, FAIL 0, ok 10, ok 10"},
        {"fail 2nd for good",
         [](OsSpy& s, const std::string& f) { FailNth(s, OsCall::WriteFile, 2, true, f); },
         "ok 10, FAIL 0, FAIL 0, FAIL 0"},
        {"stacked", [](OsSpy& s, const std::string& f) {
             StopWritesAfter(s, 25, f);
             FailNth(s, OsCall::WriteFile, 1, false, f);
         },
         "FAIL 0, ok 10, ok 10, FAIL 5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        spy.WriteFile = nullptr;
        // The same descriptor comes back under a new name: the aim must not follow it.
        HANDLE old = Create("aimed");
        ASSERT_EQ(Os.CloseHandle(old), TRUE);
        HANDLE other = Create("other");
        c.aim(spy, Name("aimed"));
        EXPECT_EQ(WriteTimes(other, 1, 10), "ok 10");
        HANDLE aimed = Create("aimed");
        EXPECT_EQ(WriteTimes(aimed, 4, 10), c.seen);
        EXPECT_EQ(WriteTimes(other, 1, 10), "ok 10");
        std::vector<OsCallRecord> writes = CallsOf(spy, OsCall::WriteFile, Name("aimed"));
        long reached = 0;
        for (const OsCallRecord& w : writes) reached += static_cast<long>(w.done);
        EXPECT_EQ(SizeOf("aimed"), reached);
        EXPECT_EQ(AskedOf(spy, OsCall::WriteFile, Name("aimed")), std::vector<uint64_t>(4, 10));
        Os.CloseHandle(aimed);
        Os.CloseHandle(other);
        ClearCalls(spy);
    }
}

TEST_F(OsSpyTest, RefusedAllocationsAndShortReadsReachTheCaller) {
    HANDLE heap = Os.HeapCreate(0, 0, 0);
    ASSERT_NE(heap, nullptr);
    FailNth(spy, OsCall::HeapAlloc, 3, true);
    std::string seen;
    for (int i = 0; i < 4; ++i) seen += Os.HeapAlloc(heap, 0, 8) != nullptr ? "+" : "-";
    EXPECT_EQ(seen, "++--");
    EXPECT_EQ(CountCalls(spy, OsCall::HeapAlloc), 4u);
    EXPECT_FALSE(CallsOf(spy, OsCall::HeapAlloc)[2].ok);
    Os.HeapDestroy(heap);

    HANDLE h = Create("in");
    ASSERT_EQ(Os.WriteFile(h, "0123456789", 10, nullptr, nullptr), TRUE);
    ASSERT_EQ(Os.SetFilePointer(h, -10, nullptr, FILE_CURRENT), 0u);
    ShortenReadsTo(spy, 4, Name("in"));
    char buffer[10];
    DWORD n = 0;
    EXPECT_EQ(Os.ReadFile(h, buffer, 10, &n, nullptr), TRUE);
    EXPECT_EQ(std::string(buffer, n), "0123");
    Os.CloseHandle(h);
}

TEST_F(OsSpyTest, AnExitThatReturnsIsRecordedAndDoesNotEndTheTest) {
    UINT code = 0;
    spy.ExitProcess = [&](UINT exitCode) { code = exitCode; };
    Os.ExitProcess(3);
    EXPECT_EQ(code, 3u);
    EXPECT_EQ(AskedOf(spy, OsCall::ExitProcess), std::vector<uint64_t>{3});
}

TEST(OsSpyScope, ASpyGoneOutOfScopeLeavesTheRealTable) {
    {
        OsSpy spy;
        InstallOsSpy(&spy);
        EXPECT_NE(memcmp(&Os, &RealOs, sizeof Os), 0);
    }
    EXPECT_EQ(memcmp(&Os, &RealOs, sizeof Os), 0);
}

}  // namespace
