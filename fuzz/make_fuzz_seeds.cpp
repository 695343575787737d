// Writes the fuzzer's seed banks into the folder named on the command line:
// a plain bank and its cuts at every part of an entry, names that reach out
// of the current folder, and length fields from the smallest to the largest,
// all made by the tests' bank builder. Also the banks that tools/check.sh
// runs under valgrind. In FOLDER/wav2lsd, the seeds of wav2lsd's target: a
// first byte for what the rest is (0 a WAV file to pack, 1 a bank to list,
// 2 a bank to extract and update), then WAV files of every kind the reader
// knows and some of the banks. Usage: make_fuzz_seeds FOLDER
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tests/pack/wav_builder.h"
#include "tests/support/bank_builder.h"

using namespace lsdtest;

namespace {

// An entry whose length field is `length` but whose stored samples stop
// after `kept` bytes, so that a huge length costs no room in the seed.
BankEntry EntryOfLength(const std::string& name, int32_t length, size_t kept, uint32_t seed) {
    BankEntry entry = MakeEntry(name, 0, seed);
    entry.length = length;
    int64_t block = static_cast<int64_t>(length) + 2;
    entry.samples = PatternBytes(
        static_cast<size_t>(std::max<int64_t>(0, std::min<int64_t>(block, kept))), seed);
    return entry;
}

struct Seed {
    std::string name;
    Bytes bytes;
};

std::vector<Seed> Seeds() {
    std::vector<Seed> seeds;
    Bytes plain = ArchiveBytes({MakeEntry("kick", 40, 1), MakeEntry("a..b", 0, 2),
                                MakeEntry("ABCDEFGHIJKLMNOPQRSTUVWXYZ012345", -1, 3)});
    seeds.push_back({"plain", plain});
    seeds.push_back({"empty", Bytes()});
    seeds.push_back({"lead_only", Truncate(plain, kLeadFieldSize)});

    // Cuts in the lead field, the name, the length field, the format block,
    // the samples, and one byte short of the end.
    const size_t entry = kLeadFieldSize;
    for (size_t size :
         {size_t{2}, entry + 10, entry + 34, entry + 40, entry + 62, plain.size() - 1})
        seeds.push_back({"cut_at_" + std::to_string(size), Truncate(plain, size)});

    // Names the program must refuse, or must keep inside its folder; each
    // is followed by a plain entry. "../sentinel" is the fuzzer's sentinel.
    const char* const names[][2] = {
        {"parent_x", "../x"},
        {"rooted", "/abs"},
        {"climbing", "a/../../b"},
        {"dotdot", ".."},
        {"sentinel", "../sentinel"},
        {"dot_sentinel", "./../sentinel"},
        {"missing_folder", "sub/x"},
        {"three_dots", "..."},
        {"dot", "."},
        {"empty_name", ""},
        {"backslash", "..\\x"},
        {"tmp", "/tmp/x"},
    };
    uint32_t seed = 10;
    for (const auto& name : names) {
        seeds.push_back({std::string("name_") + name[0],
                         ArchiveBytes({MakeEntry(name[1], 8, seed++), MakeEntry("after", 2, 99)})});
    }
    seeds.push_back(
        {"name_eight_bit", ArchiveBytes({MakeRawEntry("\x80\xFF\x01 caf\xE9", 5, 20)})});
    seeds.push_back(
        {"name_twice", ArchiveBytes({MakeEntry("same", 5, 21), MakeEntry("same", 9, 22)})});

    // Length fields: no samples, wrapped sums, around the file buffer, one
    // larger than the bank, and the largest of all.
    const int32_t lengths[] = {-3, -2, INT32_MIN, INT32_MAX, 0x7FFFFFFD, 4093, 4094, 9000, 60000};
    for (int32_t length : lengths) {
        seeds.push_back(
            {"length_" + std::to_string(length),
             ArchiveBytes({EntryOfLength("len", length, 60002, 30), MakeEntry("after", 1, 31)})});
    }

    std::vector<BankEntry> many;
    for (int i = 0; i < 300; ++i) many.push_back(MakeEntry("m" + std::to_string(i), -1, i));
    seeds.push_back({"many_entries", ArchiveBytes(many)});
    return seeds;
}

std::vector<Seed> Wav2lsdSeeds(const std::vector<Seed>& banks) {
    const Bytes pack(1, '\0'), list(1, '\1'), update(1, '\2');
    const Bytes format = PcmFormat(2, 44100, 16);
    const Bytes data = PatternBytes(41, 7);
    std::vector<Seed> seeds = {
        {"wav_plain", pack + PlainWav(format, data)},
        {"wav_one_byte", pack + PlainWav(format, PatternBytes(1, 8))},
        {"wav_chunks", pack + RiffWave(RiffChunk("LIST", "INFO") + RiffChunk("fmt ", format) +
                                       RiffChunk("fact", Int32Bytes(4)) + RiffChunk("data", data) +
                                       RiffChunk("id3 ", "abc"))},
        {"wav_pcm18", pack + RiffWave(RiffChunk("fmt ", format + Bytes(2, '\0')) +
                                      RiffChunk("data", data))},
        {"wav_extensible", pack + RiffWave(RiffChunk("fmt ", ExtensibleFormat(4, 48000, 24, 24, 1)) +
                                           RiffChunk("data", data))},
        {"wav_float", pack + RiffWave(RiffChunk("fmt ", ExtensibleFormat(2, 48000, 32, 32, 3)) +
                                      RiffChunk("data", data))},
        {"wav_no_pad", pack + RiffWave(RiffChunk("fmt ", format) + RiffChunk("data", data, false) +
                                       RiffChunk("LIST", "INFO"))},
        {"wav_stray_bytes", pack + PlainWav(format, data) + "LIS"},
    };
    for (const Seed& bank : banks) {
        seeds.push_back({"list_" + bank.name, list + bank.bytes});
        seeds.push_back({"update_" + bank.name, update + bank.bytes});
    }
    return seeds;
}

bool WriteSeeds(const std::string& folder, const std::vector<Seed>& seeds,
                const std::string& ending) {
    if (mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) {
        std::fprintf(stderr, "%s: %s\n", folder.c_str(), std::strerror(errno));
        return false;
    }
    for (const Seed& seed : seeds) {
        std::string path = folder + "/" + seed.name + ending;
        if (!WriteBytesToFile(path, seed.bytes)) {
            std::fprintf(stderr, "%s: cannot write\n", path.c_str());
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    std::string folder = argv[1];
    std::vector<Seed> banks = Seeds();
    // A handful of banks is enough for the walk; the names and cuts matter.
    std::vector<Seed> someBanks;
    for (const Seed& bank : banks)
        if (bank.name.compare(0, 4, "cut_") == 0 || bank.name.compare(0, 5, "name_") == 0 ||
            bank.name == "plain")
            someBanks.push_back(bank);
    if (!WriteSeeds(folder, banks, ".lsd") ||
        !WriteSeeds(folder + "/wav2lsd", Wav2lsdSeeds(someBanks), ""))
        return 1;
    return 0;
}
