// Every OS call that either program makes fails in its turn: for N = 1, 2, ...
// the Nth call fails, once or for good (that call and every later one of its
// kind), until a run ends before its Nth call. Whatever fails, the user must
// never be told of success that did not happen: lsd2wav ends "  ok" only with
// every file what the bank holds, wav2lsd exits 0 only with the whole bank in
// place, and otherwise the bank is as it was. Neither writes outside its
// folder, or any file it was not asked for.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "extract/extract_all.h"
#include "pack/pack_bank.h"
#include "pack/pack_command.h"
#include "tests/pack/wav_builder.h"
#include "tests/support/bank_builder.h"
#include "tests/support/in_process_frame.h"
#include "tests/support/os_spy.h"
#include "tests/support/scratch_directory.h"

namespace lsdtest {
namespace {

namespace fs = std::filesystem;

typedef std::map<std::string, Bytes> Files;  // name in the run folder -> contents

Files FilesIn(const std::string& folder) {
    Files files;
    for (const auto& item : fs::recursive_directory_iterator(folder)) {
        std::string name = fs::relative(item.path(), folder).generic_string();
        if (item.is_directory()) {
            files[name + "/"] = "";
            continue;
        }
        std::ifstream in(item.path(), std::ios::binary);
        files[name] = Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return files;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

void WriteFiles(const std::string& folder, const Files& files) {
    for (const auto& file : files) {
        if (EndsWith(file.first, "/")) {
            fs::create_directory(folder + "/" + file.first);
        } else {
            std::ofstream(folder + "/" + file.first, std::ios::binary) << file.second;
        }
    }
}

// The verdict on one run: the folder's files before and after it, and what
// it printed; empty when the user was told the truth.
typedef std::function<std::string(const Files& before, const Files& after,
                                  const InProcessRun& run)>
    Verdict;

struct FaultCase {
    const char* label;
    Files setup;
    std::vector<std::string> arguments;  // wav2lsd's; none runs lsd2wav
    Verdict verdict;
};

int32_t RunCase(const FaultCase& c) {
    if (c.arguments.empty()) {
        ExtractAll();
        return 0;
    }
    std::vector<const char*> argv = {"wav2lsd"};
    for (const std::string& argument : c.arguments) argv.push_back(argument.c_str());
    return RunPackCommand(static_cast<int32_t>(argv.size()), argv.data());
}


// lsd2wav over a bank whose WAV files must be `wavs`: "  ok" only when each
// of them is whole, and no file beside the bank and those.
Verdict Extracted(const Files& wavs) {
    return [wavs](const Files& before, const Files& after, const InProcessRun& run) {
        for (const auto& file : after) {
            bool kept = before.count(file.first) && before.at(file.first) == file.second;
            if (!kept && !wavs.count(file.first)) return "wrote " + file.first;
        }
        if (!EndsWith(run.output, ConsoleLines({"  ok"}))) return std::string();
        for (const auto& wav : wavs) {
            if (!after.count(wav.first) || after.at(wav.first) != wav.second)
                return "said ok, but " + wav.first + " is not what the bank holds";
        }
        return std::string();
    };
}

// wav2lsd: exit 0 only with BANK as `bank`; otherwise the folder as it was.
Verdict Packed(const Bytes& bank) {
    return [bank](const Files& before, const Files& after, const InProcessRun& run) {
        Files expected = before;
        if (run.exitCode == 0) expected["bank.lsd"] = bank;
        if (after == expected) return std::string();
        return std::string(run.exitCode == 0 ? "exit 0 without the whole bank"
                                             : "failed, but the folder changed");
    };
}

// wav2lsd --list: the folder as it was, and exit 0 only with a line for
// each entry, in the bank's order, and the totals.
Verdict Listed(const std::vector<std::string>& files) {
    return [files](const Files& before, const Files& after, const InProcessRun& run) {
        if (after != before) return std::string("listing changed the folder");
        if (run.exitCode != 0) return std::string();
        size_t at = 0, lines = 0;
        for (const std::string& file : files) {
            at = run.output.find(file, at);
            if (at == std::string::npos) return "exit 0 without the line of " + file;
        }
        for (char c : run.output) lines += c == '\n';
        // Each entry's line, and the totals.
        if (lines != files.size() + 1) return std::string("exit 0 with a listing of other lines");
        return std::string();
    };
}

BankEntry Entry(const std::string& name, int32_t length, uint32_t seed) {
    return BankEntry{NameField(name), length, PcmFormat(1, 8000, 8),
                     PatternBytes(static_cast<size_t>(length) + 2, seed)};
}

std::vector<FaultCase> Cases() {
    BankEntry small = Entry("small", 10, 1);
    BankEntry large = Entry("large", 9000, 2);  // passes the buffer straight to the file
    BankEntry cut = Entry("cut", 300, 3);
    cut.samples.resize(100);
    Bytes smallWav = PlainWav(small.format, small.samples);
    Bytes largeWav = PlainWav(large.format, large.samples);
    BankEntry edited = Entry("small", 20, 4);
    const uint32_t lead = 0x64616548;
    return {
        {"lsd2wav_two_entries",
         {{"music_p.lsd", ArchiveBytes({small, large})}},
         {},
         Extracted({{"small.wav", ExpectedWav(small)}, {"large.wav", ExpectedWav(large)}})},
        {"lsd2wav_cut_last_entry",
         {{"sound_p.lsd", ArchiveBytes({small, cut})}, {"small.wav", "older file"}},
         {},
         Extracted({{"small.wav", ExpectedWav(small)}, {"cut.wav", ExpectedWav(cut)}})},
        {"lsd2wav_over_a_subfolder",
         {{"music_p.lsd", ArchiveBytes({Entry("sub/small", 10, 1), small})},
          {"sub/", ""},
          {"sub/small.wav", "older file"}},
         {},
         Extracted({{"sub/small.wav", ExpectedWav(Entry("sub/small", 10, 1))},
                    {"small.wav", ExpectedWav(small)}})},
        {"wav2lsd_new_bank",
         {{"small.wav", smallWav}, {"large.wav", largeWav}},
         {"bank.lsd", "small.wav", "large.wav"},
         Packed(ArchiveBytes({small, large}, 0))},
        {"wav2lsd_replaced_bank",
         {{"small.wav", smallWav}, {"bank.lsd", "the bank before"}},
         {"--force", "bank.lsd", "small.wav"},
         Packed(ArchiveBytes({small}, 0))},
        {"wav2lsd_update_one_edited",
         {{"bank.lsd", ArchiveBytes({small, large}, lead)},
          {"small.wav", ExpectedWav(edited)},
          {"large.wav", ExpectedWav(large)}},
         {"--update", "bank.lsd"},
         Packed(ArchiveBytes({edited, large}, lead))},
        {"wav2lsd_list",
         {{"bank.lsd", ArchiveBytes({small, large}, lead)}},
         {"--list", "bank.lsd"},
         Listed({"small.wav", "large.wav"})},
    };
}

TEST(FaultLoop, NoFailedCallIsReportedAsSuccess) {
    char home[4096];
    ASSERT_NE(getcwd(home, sizeof home), nullptr);
    for (const FaultCase& c : Cases()) {
        for (bool forGood : {false, true}) {
            int runs = 0;
            for (int n = 1;; ++n) {
                std::string parent = MakeScratchDirectory("lsd2wav-faults-");
                std::string folder = parent + "/run";
                ASSERT_TRUE(fs::create_directory(folder));
                WriteFiles(folder, c.setup);
                Files before = FilesIn(folder);
                ASSERT_EQ(chdir(folder.c_str()), 0);
                OsSpy spy;
                auto fault = FailNthOfAny(spy, n, forGood);
                InProcessRun run = RunInProcess(spy, [&] { return RunCase(c); });
                ASSERT_EQ(chdir(home), 0);
                std::string wrong = c.verdict(before, FilesIn(folder), run);
                bool onlyTheFolder = FilesIn(parent).size() == FilesIn(folder).size() + 1;
                RemoveScratchDirectory(parent);
                ++runs;
                ASSERT_EQ(wrong, "") << c.label << ", call " << n << " ("
                                     << static_cast<int>(fault->failed) << ") failed "
                                     << (forGood ? "for good" : "once") << "; printed "
                                     << run.output << run.errors;
                ASSERT_TRUE(onlyTheFolder) << c.label << ", call " << n;
                if (!fault->reached) break;
            }
            std::printf("%s, failed %s: %d runs\n", c.label, forGood ? "for good" : "once", runs);
        }
    }
}

}  // namespace
}  // namespace lsdtest
