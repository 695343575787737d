// libFuzzer target: each input is one sound bank, and the whole program runs
// over it, start-up to shut-down, in a fresh directory of its own. Beside
// that directory lies a sentinel file that no bank may change.
//
// Besides what the sanitizers see, a run fails (aborts) when
// - the program asks to create a file whose folder is not the run directory,
//   or anything beside the run directory changes;
// - its console text does not start with the heading and end with one
//   status line, or it ends with another exit code than 0;
// - a file of the program is still open after shut-down.
//
// The target never exits: the Os table keeps ExitProcess from ending the
// process and SetConsoleCtrlHandler from starting the signal watcher, as the
// in-process tests do. Shut-down releases every heap, so memory still held
// after a run is a leak that LeakSanitizer reports.
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <limits.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "extract/extract_all.h"
#include "platform/os.h"
#include "runtime/process/process_frame.h"

namespace {

// A bank of 64 KiB can ask for a 2 GiB block and a 2 GiB file. Runs stay
// short and light on the disk with less of both, and the program's paths
// for a refused block and a short write are taken all the more often.
constexpr SIZE_T kLargestBlock = SIZE_T{1} << 20;
constexpr rlim_t kLargestFile = rlim_t{256} << 10;
// The same as -max_len=65536, for runs started without it.
constexpr size_t kLargestInput = size_t{64} << 10;

// Its name is what the program makes of the entry name "../sentinel".
const char kSentinelName[] = "sentinel.wav";
const char kSentinelText[] = "outside the run directory; no bank may change this";

const char kHeading[] = "Extracting music...\r\n";
const char* const kStatusLines[] = {
    "  ok\r\n",
    "  out of memory!\r\n",
    "  Cannot create output file!\r\n",
    "  Failed to write to output file!\r\n",
};

std::string startDirectory;  // the fuzzer's own, where it keeps its files
std::string root;            // holds the sentinel and the run directory
std::string runDirectory;    // as realpath() spells it
HANDLE console = INVALID_HANDLE_VALUE;  // /dev/null, standing for standard output
HANDLE otherStreams = INVALID_HANDLE_VALUE;
std::string consoleText;
bool exited;
UINT exitCode;

[[noreturn]] void Fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "\nlsd2wav_fuzz: %s: %s\n", what, detail.c_str());
    std::abort();
}

bool WriteBytes(const std::string& path, const void* data, size_t size) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = size == 0 || write(fd, data, size) == static_cast<ssize_t>(size);
    return close(fd) == 0 && ok;
}

std::string ReadBytes(const std::string& path) {
    std::string out;
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return out;
    char buffer[4096];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0) out.append(buffer, static_cast<size_t>(n));
    close(fd);
    return out;
}

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) {
    return remove(path) == 0 ? 0 : -1;
}

bool RemoveTree(const std::string& path) {
    return nftw(path.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS) == 0;
}

int OpenDescriptors() {
    int count = 0;
    DIR* dir = opendir("/proc/self/fd");
    if (!dir) Fail("cannot list", "/proc/self/fd");
    while (readdir(dir)) ++count;
    closedir(dir);
    return count;
}

// What the root holds besides "." and "..", sorted.
std::string ListOfRoot() {
    std::vector<std::string> names;
    DIR* dir = opendir(root.c_str());
    if (!dir) return "(unreadable)";
    while (struct dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    std::string list;
    for (const std::string& name : names) list += (list.empty() ? "" : " ") + name;
    return list;
}

bool EndsWith(const std::string& text, const char* end) {
    size_t n = std::strlen(end);
    return text.size() >= n && text.compare(text.size() - n, n, end) == 0;
}

// --- The Os table entries that the target replaces ---

// Every file the program creates must land in the run directory itself: it
// makes no folders, and the run directory starts empty but for the bank.
void CheckFolderOf(const char* name) {
    std::string path = name;
    size_t slash = path.rfind('/');
    std::string folder = ".";
    if (slash != std::string::npos) folder = slash == 0 ? "/" : path.substr(0, slash);
    char resolved[PATH_MAX];
    // A folder that is not there fails the create by itself.
    if (!realpath(folder.c_str(), resolved)) return;
    if (runDirectory != resolved) Fail("a file created outside the run directory", path);
}

HANDLE WINAPI CreateInRunDirectory(LPCSTR name, DWORD access, DWORD share,
                                   LPSECURITY_ATTRIBUTES security, DWORD disposition,
                                   DWORD attributes, HANDLE templateFile) {
    if (disposition != OPEN_EXISTING && name) CheckFolderOf(name);
    return RealOs.CreateFileA(name, access, share, security, disposition, attributes, templateFile);
}

LPVOID WINAPI SmallBlocksOnly(HANDLE heap, DWORD flags, SIZE_T bytes) {
    return bytes > kLargestBlock ? nullptr : RealOs.HeapAlloc(heap, flags, bytes);
}

// Standard output is captured; any other stream goes to /dev/null unread.
HANDLE WINAPI ScratchStreams(DWORD which) {
    return which == STD_OUTPUT_HANDLE ? console : otherStreams;
}

// The text is kept, and the call fails as it does for output that is no
// console, so that the program goes on to write it with WriteFile.
BOOL WINAPI CaptureConsole(HANDLE handle, const VOID* buffer, DWORD chars, LPDWORD written,
                           LPVOID) {
    if (handle == console) consoleText.append(static_cast<const char*>(buffer), chars);
    if (written) *written = 0;
    return FALSE;
}

BOOL WINAPI NoWatcher(PHANDLER_ROUTINE, BOOL) { return TRUE; }

VOID WINAPI KeepRunning(UINT code) {
    exited = true;
    exitCode = code;
}

void RemoveRoot() {
    if (!root.empty()) RemoveTree(root);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char here[PATH_MAX];
    if (!getcwd(here, sizeof here)) Fail("getcwd", std::strerror(errno));
    startDirectory = here;
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/lsd2wav-fuzz-XXXXXX";
    if (!mkdtemp(&pattern[0])) Fail("mkdtemp", pattern);
    char resolved[PATH_MAX];
    if (!realpath(pattern.c_str(), resolved)) Fail("realpath", pattern);
    root = resolved;
    runDirectory = root + "/run";
    std::atexit(RemoveRoot);
    if (!WriteBytes(root + "/" + kSentinelName, kSentinelText, sizeof kSentinelText - 1))
        Fail("cannot write the sentinel", root);

    struct rlimit limit = {kLargestFile, kLargestFile};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) Fail("setrlimit", std::strerror(errno));
    signal(SIGXFSZ, SIG_IGN);

    for (HANDLE* stream : {&console, &otherStreams}) {
        *stream = RealOs.CreateFileA("/dev/null", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                     nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (*stream == INVALID_HANDLE_VALUE) Fail("cannot open", "/dev/null");
    }
    Os.CreateFileA = CreateInRunDirectory;
    Os.HeapAlloc = SmallBlocksOnly;
    Os.GetStdHandle = ScratchStreams;
    Os.WriteConsoleA = CaptureConsole;
    Os.SetConsoleCtrlHandler = NoWatcher;
    Os.ExitProcess = KeepRunning;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kLargestInput) return 0;
    int openBefore = OpenDescriptors();
    if (mkdir(runDirectory.c_str(), 0755) != 0) Fail("cannot make", runDirectory);
    if (!WriteBytes(runDirectory + "/music_p.lsd", data, size)) Fail("cannot write the bank", "");
    if (chdir(runDirectory.c_str()) != 0) Fail("cannot enter", runDirectory);

    consoleText.clear();
    exited = false;
    StartUp();
    ExtractAll();
    ShutDown();

    if (chdir(startDirectory.c_str()) != 0) Fail("cannot go back to", startDirectory);
    if (!exited || exitCode != 0) Fail("no exit, or not with 0", std::to_string(exitCode));
    bool statusLast = false;
    for (const char* status : kStatusLines)
        statusLast = statusLast || EndsWith(consoleText, status);
    if (consoleText.compare(0, sizeof kHeading - 1, kHeading) != 0 || !statusLast)
        Fail("console text without heading or status line", consoleText);
    if (ReadBytes(root + "/" + kSentinelName) != kSentinelText)
        Fail("the sentinel changed", root + "/" + kSentinelName);
    std::string list = ListOfRoot();
    if (list != std::string("run ") + kSentinelName)
        Fail("something new beside the run directory", list);
    if (!RemoveTree(runDirectory)) Fail("cannot remove", runDirectory);
    if (OpenDescriptors() != openBefore) Fail("a file left open after shut-down", "");
    return 0;
}
