// race_check: lsd2wav against a second process that swaps names in its folder
// as fast as it can, for a bounded time per case. After every run the folder
// outside (names and bytes) and the bank (bytes) must be as they were:
//   (a) a subfolder swapped with a link to the folder outside,
//   (b) an entry's file swapped with a link to a file outside,
//   (c) an entry's file swapped with a hard link of the bank.
//   race_check LSD2WAV SECONDS_PER_CASE
// Exit code 0 when every case held to its end, 1 at the first difference,
// 2 when the check itself could not be set up. Linux only (renameat2).
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

typedef std::map<std::string, std::string> Tree;  // relative name -> bytes, or "<dir>"

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool Write(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    return static_cast<bool>(out);
}

void Snapshot(const std::string& root, const std::string& under, Tree* tree) {
    DIR* dir = opendir((root + "/" + under).c_str());
    if (!dir) return;
    while (dirent* item = readdir(dir)) {
        std::string name = item->d_name;
        if (name == "." || name == "..") continue;
        std::string relative = under.empty() ? name : under + "/" + name;
        struct stat info;
        if (lstat((root + "/" + relative).c_str(), &info) != 0) continue;
        if (S_ISDIR(info.st_mode)) {
            (*tree)[relative] = "<dir>";
            Snapshot(root, relative, tree);
        } else {
            (*tree)[relative] = Read(root + "/" + relative);
        }
    }
    closedir(dir);
}

Tree SnapshotOf(const std::string& root) {
    Tree tree;
    Snapshot(root, "", &tree);
    return tree;
}

std::string Int32(int32_t v) {
    std::string b(4, '\0');
    for (int i = 0; i < 4; ++i) b[i] = static_cast<char>(static_cast<uint32_t>(v) >> (8 * i));
    return b;
}

std::string Entry(const std::string& name, int32_t length, char fill) {
    std::string e = name;
    e.resize(32, '\0');
    e += Int32(length);
    e += std::string("\x01\x00\x01\x00\x40\x1f\x00\x00\x40\x1f\x00\x00\x01\x00\x08\x00", 16);
    e += std::string(static_cast<size_t>(length) + 2, fill);
    return e;
}

// lsd2wav in `folder`, its output thrown away; false when it did not end by
// itself within ten seconds with exit code 0, as every run of it must.
bool RunOnce(const std::string& program, const std::string& folder) {
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(folder.c_str()) != 0) _exit(126);
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    for (int waited = 0; waited < 10000; ++waited) {
        int status;
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        usleep(1000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return false;
}

struct Case {
    const char* label;
    std::vector<std::string> names;  // the bank's entries
    const char* swapped;             // a name in the run folder ...
    const char* with;                // ... exchanged again and again with this one
    // Makes `with` (and whatever `swapped` needs) in a fresh run folder.
    void (*prepare)(const std::string& root);
};

int RunCase(const std::string& program, const Case& c, double seconds) {
    char pattern[] = "/tmp/lsd2wav-race-XXXXXX";
    if (!mkdtemp(pattern)) return 2;
    std::string root = pattern;
    std::string run = root + "/run";
    mkdir(run.c_str(), 0755);
    mkdir((root + "/outside").c_str(), 0755);
    // The sentinels: files that a write through a link would change, one
    // named like the entries' files.
    for (const char* name : {"outside/x000.wav", "outside/x.wav", "outside/target.txt"})
        Write(root + "/" + name, std::string("sentinel ") + name);
    std::string bank = "LEAD";
    char fill = 1;
    for (const std::string& name : c.names) bank += Entry(name, 40, fill++);
    Write(run + "/music_p.lsd", bank);
    c.prepare(root);
    const Tree outside = SnapshotOf(root + "/outside");

    std::atomic<bool> swapping{true};
    std::atomic<long> swaps{0};
    std::thread swapper([&] {
        std::string a = run + "/" + c.swapped, b = run + "/" + c.with;
        while (swapping) {
            const unsigned exchange = 2;  // RENAME_EXCHANGE
            if (syscall(SYS_renameat2, AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), exchange) == 0)
                ++swaps;
        }
    });
    int runs = 0, result = 0;
    std::string why;
    auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (result == 0 && std::chrono::steady_clock::now() < end) {
        ++runs;
        if (!RunOnce(program, run)) {
            result = 1;
            why = "lsd2wav did not start, or did not end with exit code 0 within 10 s";
        } else if (SnapshotOf(root + "/outside") != outside) {
            result = 1;
            why = "the folder outside changed:";
            Tree now = SnapshotOf(root + "/outside");
            for (const auto& item : now) {
                auto was = outside.find(item.first);
                if (was == outside.end()) {
                    why += " " + item.first + " appeared";
                } else if (was->second != item.second) {
                    why += " " + item.first + " changed";
                }
            }
            for (const auto& item : outside) {
                if (!now.count(item.first)) why += " " + item.first + " went";
            }
        } else if (Read(run + "/music_p.lsd") != bank) {
            result = 1;
            why = "the bank changed";
        }
    }
    swapping = false;
    swapper.join();
    if (swaps == 0) {
        std::printf("race_check: %s: no swap ever succeeded\n", c.label);
        result = 2;
    } else if (result) {
        std::printf("race_check: %s: FAILED after %d runs (%ld swaps): %s\n", c.label, runs,
                    swaps.load(), why.c_str());
    } else {
        std::printf("race_check: %s: held for %d runs (%ld swaps, %.0f s)\n", c.label, runs,
                    swaps.load(), seconds);
    }
    std::system(("rm -rf '" + root + "'").c_str());
    return result;
}

std::vector<std::string> SubEntries() {
    std::vector<std::string> names;
    char name[16];
    for (int i = 0; i < 200; ++i) {
        std::snprintf(name, sizeof name, "sub/x%03d", i);
        names.push_back(name);
    }
    return names;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: race_check LSD2WAV SECONDS_PER_CASE\n");
        return 2;
    }
    signal(SIGPIPE, SIG_IGN);
    // Started from the run folder, the program needs a path from anywhere.
    char* program = realpath(argv[1], nullptr);
    if (!program) {
        std::fprintf(stderr, "race_check: no program %s\n", argv[1]);
        return 2;
    }
    const Case cases[] = {
        {"a) subfolder <-> link to the folder outside", SubEntries(), "sub", "link",
         [](const std::string& root) {
             mkdir((root + "/run/sub").c_str(), 0755);
             symlink("../outside", (root + "/run/link").c_str());
         }},
        {"b) entry's file <-> link to a file outside", {"a", "x", "b"}, "x.wav", "link",
         [](const std::string& root) {
             Write(root + "/run/x.wav", "earlier");
             symlink("../outside/target.txt", (root + "/run/link").c_str());
         }},
        {"c) entry's file <-> hard link of the bank", {"a", "x", "b"}, "x.wav", "h",
         [](const std::string& root) {
             Write(root + "/run/x.wav", "earlier");
             link((root + "/run/music_p.lsd").c_str(), (root + "/run/h").c_str());
         }},
    };
    int worst = 0;
    for (const Case& c : cases) {
        int result = RunCase(program, c, std::atof(argv[2]));
        if (result > worst) worst = result;
    }
    free(program);
    return worst;
}
