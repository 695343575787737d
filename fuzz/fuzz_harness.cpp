#include "fuzz/fuzz_harness.h"

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
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// A bank of 64 KiB can ask for a 2 GiB block and a 2 GiB file. Runs stay
// short and light on the disk with less of both, and the programs' paths
// for a refused block and a short write are taken all the more often.
constexpr SIZE_T kLargestBlock = SIZE_T{1} << 20;
constexpr rlim_t kLargestFile = rlim_t{256} << 10;

const char kSentinelText[] = "outside the run directory; no input may change this";

const char* targetName = "fuzz";
std::string sentinel;        // its path
std::string startDirectory;  // the fuzzer's own, where it keeps its files
std::string root;            // holds the sentinel and the run directory
std::string runDirectory;    // as realpath() spells it
HANDLE console = INVALID_HANDLE_VALUE;  // /dev/null, standing for standard output
HANDLE otherStreams = INVALID_HANDLE_VALUE;
std::string consoleText;
bool exited;
UINT exitCode;
int openBefore;

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) {
    return remove(path) == 0 ? 0 : -1;
}

bool RemoveTree(const std::string& path) {
    return nftw(path.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS) == 0;
}

int OpenDescriptors() {
    int count = 0;
    DIR* dir = opendir("/proc/self/fd");
    if (!dir) FuzzFail("cannot list", "/proc/self/fd");
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

// --- The Os table entries that the targets replace ---

// Every file opened for writing must be in the run directory itself, or in
// a folder that the run made there: the run directory starts empty but for
// what the target put in it.
void CheckFolderOf(const char* name) {
    std::string path = name;
    size_t slash = path.rfind('/');
    std::string folder = ".";
    if (slash != std::string::npos) folder = slash == 0 ? "/" : path.substr(0, slash);
    char resolved[PATH_MAX];
    // A folder that is not there fails the create by itself.
    if (!realpath(folder.c_str(), resolved)) return;
    std::string where = resolved;
    if (where != runDirectory && where.compare(0, runDirectory.size() + 1, runDirectory + "/") != 0)
        FuzzFail("a file opened for writing outside the run directory", path);
}

HANDLE WINAPI CreateInRunDirectory(LPCSTR name, DWORD access, DWORD share,
                                   LPSECURITY_ATTRIBUTES security, DWORD disposition,
                                   DWORD attributes, HANDLE templateFile) {
    if ((access & GENERIC_WRITE) != 0 && name) CheckFolderOf(name);
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

void FuzzFail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "\n%s: %s: %s\n", targetName, what, detail.c_str());
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

bool EndsWith(const std::string& text, const char* end) {
    size_t n = std::strlen(end);
    return text.size() >= n && text.compare(text.size() - n, n, end) == 0;
}

void PrepareFuzzing(const char* target, const char* sentinelName) {
    targetName = target;
    char here[PATH_MAX];
    if (!getcwd(here, sizeof here)) FuzzFail("getcwd", std::strerror(errno));
    startDirectory = here;
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + target + "-XXXXXX";
    if (!mkdtemp(&pattern[0])) FuzzFail("mkdtemp", pattern);
    char resolved[PATH_MAX];
    if (!realpath(pattern.c_str(), resolved)) FuzzFail("realpath", pattern);
    root = resolved;
    runDirectory = root + "/run";
    sentinel = root + "/" + sentinelName;
    std::atexit(RemoveRoot);
    if (!WriteBytes(sentinel, kSentinelText, sizeof kSentinelText - 1))
        FuzzFail("cannot write the sentinel", root);

    struct rlimit limit = {kLargestFile, kLargestFile};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) FuzzFail("setrlimit", std::strerror(errno));
    signal(SIGXFSZ, SIG_IGN);

    for (HANDLE* stream : {&console, &otherStreams}) {
        *stream = RealOs.CreateFileA("/dev/null", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                     nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (*stream == INVALID_HANDLE_VALUE) FuzzFail("cannot open", "/dev/null");
    }
    Os.CreateFileA = CreateInRunDirectory;
    Os.HeapAlloc = SmallBlocksOnly;
    Os.GetStdHandle = ScratchStreams;
    Os.WriteConsoleA = CaptureConsole;
    Os.SetConsoleCtrlHandler = NoWatcher;
    Os.ExitProcess = KeepRunning;
}

void EnterRunFolder() {
    openBefore = OpenDescriptors();
    if (mkdir(runDirectory.c_str(), 0755) != 0) FuzzFail("cannot make", runDirectory);
    if (chdir(runDirectory.c_str()) != 0) FuzzFail("cannot enter", runDirectory);
    consoleText.clear();
    exited = false;
}

std::string InRunFolder(const char* name) { return runDirectory + "/" + name; }

UINT LeaveRunFolder() {
    if (chdir(startDirectory.c_str()) != 0) FuzzFail("cannot go back to", startDirectory);
    if (!exited) FuzzFail("no exit", "");
    if (ReadBytes(sentinel) != kSentinelText) FuzzFail("the sentinel changed", sentinel);
    std::string list = ListOfRoot();
    if (list != "run " + sentinel.substr(root.size() + 1))
        FuzzFail("something new beside the run directory", list);
    if (!RemoveTree(runDirectory)) FuzzFail("cannot remove", runDirectory);
    if (OpenDescriptors() != openBefore) FuzzFail("a file left open after shut-down", "");
    return exitCode;
}

const std::string& ConsoleText() { return consoleText; }
