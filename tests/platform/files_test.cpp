// The POSIX file calls, against real files, FIFOs and devices, with real
// faults where the system can make them.
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/posix/fd_handle.h"

// The stand-ins themselves, not the table that the runtime calls through.
using namespace PosixOs;

namespace {

// Each test has a directory of its own, and SIGUSR1 interrupts a blocked
// system call (no SA_RESTART), as any signal with a handler may.
class FilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/lsd2wav-files-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        struct sigaction interrupt = {};
        interrupt.sa_handler = [](int) {};
        sigemptyset(&interrupt.sa_mask);
        ASSERT_EQ(sigaction(SIGUSR1, &interrupt, &before), 0);
    }
    void TearDown() override {
        sigaction(SIGUSR1, &before, nullptr);
        EXPECT_EQ(std::system(("rm -rf '" + dir + "'").c_str()), 0);
    }
    std::string Path(const char* name) const { return dir + "/" + name; }

    std::string dir;
    struct sigaction before;
};

// Interrupts `target` again and again until `go` turns false.
std::thread Poke(pthread_t target, const std::atomic<bool>& go) {
    return std::thread([target, &go] {
        while (go) {
            pthread_kill(target, SIGUSR1);
            std::this_thread::sleep_for(std::chrono::microseconds(300));
        }
    });
}

void Put(const std::string& path, const std::string& bytes) {
    FILE* out = fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    fwrite(bytes.data(), 1, bytes.size(), out);
    fclose(out);
}

// The file's bytes, or "<missing>".
std::string Get(const std::string& path) {
    FILE* in = fopen(path.c_str(), "rb");
    if (in == nullptr) return "<missing>";
    std::string bytes;
    for (int c; (c = fgetc(in)) != EOF;) bytes += static_cast<char>(c);
    fclose(in);
    return bytes;
}

std::string Pattern(size_t n) {
    std::string bytes(n, '\0');
    for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<char>(i * 31 + i / 251);
    return bytes;
}

HANDLE OpenForReading(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

HANDLE CreateAnew(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

HANDLE CreateNew(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                       CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
}

HANDLE Beneath(const std::string& path, DWORD disposition) {
    return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                       disposition, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}
HANDLE NewBeneath(const std::string& path) { return Beneath(path, CREATE_NEW); }
HANDLE ExistingBeneath(const std::string& path) { return Beneath(path, OPEN_EXISTING); }

// Runs `body` in a child process; gives back what it returned and how the
// child ended.
struct ChildEnd {
    int status;
    std::string report;
};

ChildEnd InChild(const std::function<std::string()>& body) {
    int link[2];
    if (pipe(link) != 0) return {-1, "no pipe"};
    pid_t pid = fork();
    if (pid == 0) {
        close(link[0]);
        std::string report = body();
        ssize_t ignored = write(link[1], report.data(), report.size());
        (void)ignored;
        _exit(0);
    }
    close(link[1]);
    ChildEnd end = {-1, ""};
    char chunk[256];
    for (ssize_t n; (n = read(link[0], chunk, sizeof chunk)) > 0;) end.report.append(chunk, n);
    close(link[0]);
    waitpid(pid, &end.status, 0);
    return end;
}

TEST_F(FilesTest, EachSupportedCombinationOpensAsWindowsWould) {
    struct Case {
        const char* what;
        HANDLE (*open)(const std::string&);
        bool exists;
        bool opens;
        const char* after;  // the file's bytes once opened
        bool readable;
        bool writable;
    } cases[] = {
        {"read existing", OpenForReading, true, true, "old", true, false},
        {"read missing", OpenForReading, false, false, "<missing>", false, false},
        {"create over existing", CreateAnew, true, true, "", true, true},
        {"create missing", CreateAnew, false, true, "", true, true},
        {"create new over existing", CreateNew, true, false, "old", false, false},
        {"create new missing", CreateNew, false, true, "", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string path = Path("file");
        unlink(path.c_str());
        if (c.exists) Put(path, "old");
        HANDLE h = c.open(path);
        ASSERT_EQ(h != INVALID_HANDLE_VALUE, c.opens);
        EXPECT_EQ(Get(path), c.after);
        if (!c.opens) continue;
        EXPECT_NE(h, nullptr);
        // A program started later must not inherit the archive or a WAV file.
        EXPECT_NE(fcntl(FdOfHandle(h), F_GETFD) & FD_CLOEXEC, 0);
        DWORD n = 99;
        EXPECT_EQ(WriteFile(h, "new", 3, &n, nullptr), c.writable ? TRUE : FALSE);
        EXPECT_EQ(n, c.writable ? 3u : 0u);
        char buffer[8] = {};
        EXPECT_EQ(SetFilePointer(h, -static_cast<LONG>(n), nullptr, FILE_CURRENT), 0u);
        EXPECT_EQ(ReadFile(h, buffer, sizeof buffer, &n, nullptr), c.readable ? TRUE : FALSE);
        EXPECT_EQ(std::string(buffer, n), c.readable ? Get(path) : "");
        EXPECT_EQ(CloseHandle(h), TRUE);
    }
}

TEST_F(FilesTest, OtherCombinationsAreRefusedAndTouchNothing) {
    const DWORD readWrite = GENERIC_READ | GENERIC_WRITE;
    struct Case {
        DWORD access, share, disposition, attributes;
    } cases[] = {
        {GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL},
        {GENERIC_READ, FILE_SHARE_READ, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL},
        {readWrite, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL},
        {readWrite, FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL},
        {readWrite, FILE_SHARE_READ, TRUNCATE_EXISTING, 0},
        {readWrite, FILE_SHARE_READ, CREATE_ALWAYS,
         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT},
        {GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0},
    };
    std::string path = Path("file");
    Put(path, "old");
    for (const Case& c : cases) {
        EXPECT_EQ(CreateFileA(path.c_str(), c.access, c.share, nullptr, c.disposition,
                              c.attributes, nullptr),
                  INVALID_HANDLE_VALUE)
            << std::hex << c.access << " " << c.share << " " << c.disposition << " "
            << c.attributes;
        EXPECT_EQ(Get(path), "old");
    }
}

TEST_F(FilesTest, ADirectoryDoesNotOpenAsAFile) {
    for (auto open : {OpenForReading, CreateAnew, CreateNew, NewBeneath, ExistingBeneath})
        EXPECT_EQ(open(dir), INVALID_HANDLE_VALUE);
}

// What a program that replaces a file relies on: a new file is never made
// through a link, takes a template's permission bits whatever the umask, and
// the kinds and the reasons come out as Windows gives them.
TEST_F(FilesTest, CreateNewMakesOnlyNewFilesAndTakesATemplatesBits) {
    std::string target = Path("target");
    Put(target, "kept");
    ASSERT_EQ(symlink(target.c_str(), Path("link").c_str()), 0);
    ASSERT_EQ(symlink(Path("nowhere").c_str(), Path("dangling").c_str()), 0);
    for (const char* name : {"link", "dangling"}) {
        EXPECT_EQ(CreateNew(Path(name)), INVALID_HANDLE_VALUE) << name;
        EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS) << name;
    }
    EXPECT_EQ(Get(target), "kept");
    EXPECT_EQ(access(Path("nowhere").c_str(), F_OK), -1);

    ASSERT_EQ(chmod(target.c_str(), 0444), 0);
    HANDLE like = OpenForReading(target);
    mode_t mask = umask(0277);
    HANDLE h = CreateFileA(Path("new").c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                           nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, like);
    umask(mask);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    EXPECT_EQ(WriteFile(h, "new", 3, &n, nullptr), TRUE) << "a read-only template still writes";
    struct stat info;
    ASSERT_EQ(stat(Path("new").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0444u);
    CloseHandle(h);
    CloseHandle(like);

    ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0600), 0);
    struct {
        const char* name;
        DWORD attributes;
    } kinds[] = {{"target", FILE_ATTRIBUTE_NORMAL},
                 {"link", FILE_ATTRIBUTE_REPARSE_POINT},
                 {"fifo", FILE_ATTRIBUTE_DEVICE},
                 {"", FILE_ATTRIBUTE_DIRECTORY},
                 {"missing", INVALID_FILE_ATTRIBUTES}};
    for (const auto& k : kinds)
        EXPECT_EQ(GetFileAttributesA(Path(k.name).c_str()), k.attributes) << k.name;
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

// The runtime's fallback for an existing WAV file that it may write but not
// read: the first combination must fail without emptying it, the second empty it.
// An output file is opened beneath the current folder: no link anywhere on
// its name is followed, however it is spelled, and no name leads out.
TEST_F(FilesTest, ABeneathOpenFollowsNoLinkOnTheWayNorAtTheEnd) {
    ASSERT_EQ(mkdir(Path("d").c_str(), 0700), 0);
    ASSERT_EQ(mkdir(Path("out").c_str(), 0700), 0);
    Put(Path("out/x"), "outside");
    Put(Path("d/x"), "inside");
    ASSERT_EQ(symlink("out", Path("link").c_str()), 0);
    ASSERT_EQ(symlink("../out", Path("d/link").c_str()), 0);
    ASSERT_EQ(symlink("../out/x", Path("d/file").c_str()), 0);
    ASSERT_EQ(mkfifo(Path("d/fifo").c_str(), 0600), 0);
    struct Case {
        const char* name;
        DWORD disposition;
        bool opens;
    } cases[] = {
        {"d/x", OPEN_EXISTING, true},       {"./d//x", OPEN_EXISTING, true},
        {"d/./n", CREATE_NEW, true},        {"d/fifo", OPEN_EXISTING, true},
        {"link/x", OPEN_EXISTING, false},   {"link/n", CREATE_NEW, false},
        {"d/link/x", OPEN_EXISTING, false}, {"d/link/n", CREATE_NEW, false},
        {"d/file", OPEN_EXISTING, false},   {"d/file", CREATE_NEW, false},
        {"d/../d/x", OPEN_EXISTING, false}, {"../x", CREATE_NEW, false},
    };
    std::string before = std::filesystem::current_path();
    ASSERT_EQ(chdir(dir.c_str()), 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HANDLE h = Beneath(c.name, c.disposition);
        EXPECT_EQ(h != INVALID_HANDLE_VALUE, c.opens);
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
    EXPECT_EQ(Get(Path("out/x")), "outside");
    EXPECT_EQ(access(Path("out/n").c_str(), F_OK), -1);
    EXPECT_EQ(Get(Path("d/x")), "inside");
    EXPECT_EQ(Get(Path("d/n")), "");
    EXPECT_EQ(NewBeneath("d/x"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
    EXPECT_EQ(ExistingBeneath("d/missing"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    HANDLE absolute = Beneath(Path("d/x"), OPEN_EXISTING);
    EXPECT_EQ(absolute, INVALID_HANDLE_VALUE);
    // What the runtime looks at before it writes through an existing file.
    HANDLE fifo = ExistingBeneath("d/fifo");
    HANDLE file = ExistingBeneath("d/x");
    BY_HANDLE_FILE_INFORMATION info;
    ASSERT_EQ(GetFileInformationByHandle(fifo, &info), TRUE);
    EXPECT_EQ(info.dwFileAttributes, FILE_ATTRIBUTE_DEVICE);
    ASSERT_EQ(link(Path("d/x").c_str(), Path("second").c_str()), 0);
    ASSERT_EQ(GetFileInformationByHandle(file, &info), TRUE);
    EXPECT_EQ(info.dwFileAttributes, FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(info.nNumberOfLinks, 2u);
    EXPECT_EQ(info.nFileSizeLow, 6u);
    EXPECT_EQ(SetEndOfFile(file), TRUE);
    EXPECT_EQ(Get(Path("d/x")), "");
    DWORD n = 0;
    EXPECT_EQ(WriteFile(file, "new", 3, &n, nullptr), TRUE);
    EXPECT_EQ(SetFilePointer(file, -1, nullptr, FILE_CURRENT), 2u);
    EXPECT_EQ(SetEndOfFile(file), TRUE);
    EXPECT_EQ(Get(Path("d/x")), "ne");
    EXPECT_EQ(SetEndOfFile(fifo), FALSE);
    CloseHandle(fifo);
    CloseHandle(file);
    EXPECT_EQ(chdir(before.c_str()), 0);
}

// A bank is written under a temporary name, then moved over the old one or
// removed; neither call may take a directory for a file.
TEST_F(FilesTest, MoveReplacesAFileAndDeleteRemovesOneAsWindowsWould) {
    typedef std::function<BOOL(const char* from, const char* to)> Call;
    Call move = [](const char* from, const char* to) {
        return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING);
    };
    struct Case {
        const char* what;
        bool toIsDirectory;
        Call call;
        BOOL ok;
        const char* fromAfter;
        const char* toAfter;
    } cases[] = {
        {"move over a file", false, move, TRUE, "<missing>", "new"},
        {"move over a directory", true, move, FALSE, "new", "<directory>"},
        {"move without leave to replace", false,
         [](const char* from, const char* to) { return MoveFileExA(from, to, 0); }, FALSE, "new",
         "old"},
        {"delete a file", false, [](const char* from, const char*) { return DeleteFileA(from); },
         TRUE, "<missing>", "old"},
        {"delete a directory", true, [](const char*, const char* to) { return DeleteFileA(to); },
         FALSE, "new", "<directory>"},
        {"delete a missing file", false,
         [](const char* from, const char*) {
             return DeleteFileA((std::string(from) + ".gone").c_str());
         },
         FALSE, "new", "old"},
    };
    auto state = [](const std::string& path) -> std::string {
        struct stat info;
        if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return "<directory>";
        return Get(path);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string from = Path("from"), to = Path("to");
        ASSERT_EQ(std::system(("rm -rf '" + to + "'").c_str()), 0);
        Put(from, "new");
        if (c.toIsDirectory) {
            ASSERT_EQ(mkdir(to.c_str(), 0755), 0);
        } else {
            Put(to, "old");
        }
        EXPECT_EQ(c.call(from.c_str(), to.c_str()), c.ok);
        EXPECT_EQ(state(from), c.fromAfter);
        EXPECT_EQ(state(to), c.toAfter);
    }
}

TEST_F(FilesTest, ReadsGatherWhatAFifoDeliversInPiecesThroughSignals) {
    const std::string data = Pattern(100000);
    std::string fifo = Path("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::thread writer([&] {
        sigset_t brokenPipe;
        sigemptyset(&brokenPipe);
        sigaddset(&brokenPipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &brokenPipe, nullptr);
        int fd = open(fifo.c_str(), O_WRONLY);
        for (size_t at = 0; at < data.size(); at += 997) {
            ssize_t ignored = write(fd, data.data() + at, std::min<size_t>(997, data.size() - at));
            (void)ignored;
            if (at % 20 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        close(fd);
    });
    HANDLE h = OpenForReading(fifo);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::atomic<bool> reading{true};
    std::thread poker = Poke(pthread_self(), reading);
    std::string got(70000, '\0');
    DWORD n = 0;
    EXPECT_EQ(ReadFile(h, &got[0], 60000, &n, nullptr), TRUE);
    EXPECT_EQ(n, 60000u);
    EXPECT_EQ(ReadFile(h, &got[60000], 10000, &n, nullptr), TRUE);
    EXPECT_EQ(n, 10000u);
    EXPECT_TRUE(got == data.substr(0, 70000));
    EXPECT_EQ(ReadFile(h, &got[0], 60000, &n, nullptr), TRUE);
    EXPECT_EQ(n, 30000u);
    EXPECT_TRUE(got.substr(0, 30000) == data.substr(70000));
    EXPECT_EQ(ReadFile(h, &got[0], 60000, &n, nullptr), TRUE);
    EXPECT_EQ(n, 0u);
    reading = false;
    poker.join();
    EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(FlushFileBuffers(h), TRUE);
    EXPECT_EQ(CloseHandle(h), TRUE);
    writer.join();
}

TEST_F(FilesTest, WritesFillAFullPipeThroughSignals) {
    int link[2];
    ASSERT_EQ(pipe(link), 0);
    const std::string data = Pattern(1 << 20);
    std::atomic<bool> writing{true};
    DWORD n = 0;
    BOOL ok = FALSE;
    std::thread writer([&] {
        ok = WriteFile(HandleOfFd(link[1]), data.data(), static_cast<DWORD>(data.size()), &n,
                       nullptr);
        writing = false;
    });
    std::thread poker = Poke(writer.native_handle(), writing);
    std::string got;
    char chunk[4096];
    struct pollfd ready = {link[0], POLLIN, 0};
    while (got.size() < data.size() && poll(&ready, 1, 2000) == 1) {
        ssize_t k = read(link[0], chunk, sizeof chunk);
        if (k <= 0) break;
        got.append(chunk, k);
        if (got.size() % (64 * 4096) == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    writer.join();
    poker.join();
    EXPECT_EQ(ok, TRUE);
    EXPECT_EQ(n, data.size());
    EXPECT_TRUE(got == data);
    close(link[0]);
    close(link[1]);
}

TEST_F(FilesTest, ReadingAtTheEndOrAfterAnErrorGivesNothing) {
    std::string path = Path("abc");
    Put(path, "abc");
    HANDLE h = OpenForReading(path);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    char buffer[10];
    DWORD n = 99;
    EXPECT_EQ(ReadFile(h, buffer, sizeof buffer, &n, nullptr), TRUE);
    EXPECT_EQ(n, 3u);
    n = 99;
    EXPECT_EQ(ReadFile(h, buffer, sizeof buffer, &n, nullptr), TRUE);
    EXPECT_EQ(n, 0u);
    CloseHandle(h);

    HANDLE writeOnly = HandleOfFd(open(path.c_str(), O_WRONLY | O_CLOEXEC));
    ASSERT_NE(writeOnly, INVALID_HANDLE_VALUE);
    for (HANDLE bad : {writeOnly, INVALID_HANDLE_VALUE, HANDLE(nullptr)}) {
        n = 99;
        EXPECT_EQ(ReadFile(bad, buffer, sizeof buffer, &n, nullptr), FALSE);
        EXPECT_EQ(n, 0u);
    }
    CloseHandle(writeOnly);
}

TEST_F(FilesTest, AFileSizeLimitShowsAsAShortWrite) {
    struct Case {
        rlim_t limit;
        size_t before;  // bytes in the file when the write starts
        DWORD asked;
        const char* report;
    } cases[] = {
        {1000, 0, 1000, "TRUE 1000, size 1000"},
        {1000, 0, 3000, "FALSE 1000, size 1000"},
        {1000, 600, 600, "FALSE 400, size 1000"},
        {1000, 1000, 10, "FALSE 0, size 1000"},
    };
    const std::string data = Pattern(4000);
    for (const Case& c : cases) {
        std::string path = Path("limited");
        ChildEnd end = InChild([&] {
            HANDLE h = CreateAnew(path);
            struct rlimit limit = {c.limit, c.limit};
            DWORD n = 0;
            if (h == INVALID_HANDLE_VALUE || setrlimit(RLIMIT_FSIZE, &limit) != 0 ||
                WriteFile(h, data.data(), static_cast<DWORD>(c.before), &n, nullptr) != TRUE)
                return std::string("no setup");
            BOOL ok = WriteFile(h, data.data() + c.before, c.asked, &n, nullptr);
            return std::string(ok ? "TRUE " : "FALSE ") + std::to_string(n);
        });
        // Killed by SIGXFSZ, the child would report nothing.
        EXPECT_EQ(end.status, 0) << c.before << "+" << c.asked;
        EXPECT_EQ(end.report + ", size " + std::to_string(Get(path).size()), c.report);
        EXPECT_EQ(Get(path), data.substr(0, Get(path).size()));
    }
}

TEST_F(FilesTest, AWriteToAFullDeviceFails) {
    HANDLE h = HandleOfFd(open("/dev/full", O_WRONLY | O_CLOEXEC));
    if (FdOfHandle(h) < 0) GTEST_SKIP() << "no /dev/full";
    DWORD n = 99;
    EXPECT_EQ(WriteFile(h, "data", 4, &n, nullptr), FALSE);
    EXPECT_EQ(n, 0u);
    CloseHandle(h);
}

TEST_F(FilesTest, ThePositionHas64Bits) {
    HANDLE h = CreateAnew(Path("sparse"));
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    const uint64_t FourGiB = 1ull << 32;
    LONG high = 1;
    ASSERT_EQ(SetFilePointer(h, 16, &high, FILE_CURRENT), 16u);
    ASSERT_EQ(high, 1);
    DWORD n = 0;
    if (WriteFile(h, "abc", 3, &n, nullptr) != TRUE) GTEST_SKIP() << "no room for a sparse file";
    struct stat info;
    ASSERT_EQ(fstat(FdOfHandle(h), &info), 0);
    ASSERT_EQ(static_cast<uint64_t>(info.st_size), FourGiB + 19);

    const LONG None = 0x7eadbeef;  // no high half: pass a null pointer
    const uint64_t Fails = ~0ull;
    struct Step {
        LONG low;
        LONG high;
        DWORD method;
        uint64_t expected;  // the position after the step
        bool readsAbc;  // then reads "abc" there and comes back
    } steps[] = {
        {0, None, FILE_CURRENT, Fails, false},  // 4 GiB + 19 does not fit in 32 bits
        {0, 0, FILE_CURRENT, FourGiB + 19, false},
        {-3, -1, FILE_CURRENT, FourGiB + 16, true},
        {-32, -1, FILE_CURRENT, FourGiB - 16, false},
        {-1, None, FILE_CURRENT, FourGiB - 17, false},
        {100, None, FILE_CURRENT, Fails, false},
        {0, 0, FILE_CURRENT, FourGiB - 17, false},
        // The runtime moves from the start only to the start, and never from
        // the end.
        {5, 0, FILE_BEGIN, Fails, false},
        {0, 0, FILE_BEGIN, 0, false},
        {-17, 0, FILE_CURRENT, FourGiB - 17, false},
        {0, 0, FILE_END, Fails, false},
        {0, 0, 3, Fails, false},
        {33, 0, FILE_CURRENT, FourGiB + 16, true},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(::testing::Message() << s.low << " " << s.high << " " << s.method);
        high = s.high;
        DWORD low = SetFilePointer(h, s.low, s.high == None ? nullptr : &high, s.method);
        if (s.expected == Fails) {
            EXPECT_EQ(low, INVALID_SET_FILE_POINTER);
            continue;
        }
        EXPECT_EQ(low, static_cast<DWORD>(s.expected));
        if (s.high != None) {
            EXPECT_EQ(high, static_cast<LONG>(s.expected >> 32));
        }
        if (s.readsAbc) {
            char buffer[8];
            EXPECT_EQ(ReadFile(h, buffer, sizeof buffer, &n, nullptr), TRUE);
            EXPECT_EQ(std::string(buffer, n), "abc");
            high = -1;
            SetFilePointer(h, -3, &high, FILE_CURRENT);
        }
    }
    CloseHandle(h);
}

TEST_F(FilesTest, FlushPushesFilesAndPassesOverPipes) {
    HANDLE file = CreateAnew(Path("file"));
    int link[2];
    ASSERT_EQ(pipe(link), 0);
    EXPECT_EQ(FlushFileBuffers(file), TRUE);
    EXPECT_EQ(FlushFileBuffers(HandleOfFd(link[1])), TRUE);
    EXPECT_EQ(FlushFileBuffers(INVALID_HANDLE_VALUE), FALSE);
    CloseHandle(file);
    close(link[0]);
    close(link[1]);
}

}  // namespace
