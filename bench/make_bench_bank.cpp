// make_bench_bank PATH COUNT MIN MAX [SEED]: writes a music bank of COUNT
// entries whose sample blocks (L + 2 bytes) are drawn evenly from MIN..MAX
// bytes, then prints the largest sample block it wrote, which the memory
// target needs. COUNT 0 gives a bank with no entries: the lead field only.
//
// The same arguments always give the same bank, so that figures taken on
// different days or builds are taken on the same bytes.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// xorshift32: cheap, and deterministic across compilers and libraries,
// which std::uniform_int_distribution is not.
uint32_t NextRandom(uint32_t* state) {
    uint32_t x = *state;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    *state = x;
    return x;
}

void PutInt16(unsigned char* at, uint32_t value) {
    at[0] = static_cast<unsigned char>(value);
    at[1] = static_cast<unsigned char>(value >> 8);
}

void PutInt32(unsigned char* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>(value >> (8 * i));
}

bool ParseCount(const char* text, long long low, long long high, long long* value) {
    char* end = nullptr;
    errno = 0;
    long long parsed = std::strtoll(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || parsed < low || parsed > high) return false;
    *value = parsed;
    return true;
}

struct Layout {
    uint16_t channels;
    uint32_t rate;
    uint16_t bits;
};

// A few ordinary PCM layouts, so that the format blocks differ from entry
// to entry as in a real bank; the extractor copies them unread either way.
const Layout kLayouts[] = {
    {1, 11025, 8}, {1, 22050, 16}, {2, 22050, 16}, {2, 44100, 16}, {1, 8000, 8},
};

}  // namespace

int main(int argc, char** argv) {
    long long count = 0, low = 0, high = 0, seed = 1;
    // The sample block size L + 2 must leave L a non-negative int32.
    const long long kLargestBlock = 0x7FFFFFFFLL;
    if ((argc != 5 && argc != 6) || !ParseCount(argv[2], 0, 10000000, &count) ||
        !ParseCount(argv[3], 2, kLargestBlock, &low) ||
        !ParseCount(argv[4], low, kLargestBlock, &high) ||
        (argc == 6 && !ParseCount(argv[5], 1, 0xFFFFFFFFLL, &seed))) {
        std::fprintf(stderr,
                     "usage: make_bench_bank PATH COUNT MIN MAX [SEED]\n"
                     "  COUNT entries with sample blocks of MIN..MAX bytes (2 or more)\n");
        return 2;
    }
    const char* path = argv[1];
    FILE* file = std::fopen(path, "wb");
    if (!file) {
        std::fprintf(stderr, "make_bench_bank: cannot create %s: %s\n", path,
                     std::strerror(errno));
        return 1;
    }

    uint32_t state = static_cast<uint32_t>(seed);
    std::vector<unsigned char> samples(count > 0 ? static_cast<size_t>(high) : 0);
    // Real sample data, not zeros, so that no layer can take a shortcut on
    // it; one pattern serves every entry, each starting elsewhere in it.
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<unsigned char>(NextRandom(&state));

    unsigned char lead[4];
    PutInt32(lead, 0x4B4E4142);
    bool ok = std::fwrite(lead, 1, 4, file) == 4;
    long long largest = 0;
    for (long long entry = 0; ok && entry < count; ++entry) {
        uint32_t span = static_cast<uint32_t>(high - low + 1);
        long long block = low + (span == 0 ? 0 : NextRandom(&state) % span);
        if (block > largest) largest = block;

        unsigned char head[52];
        std::memset(head, 0, sizeof head);
        std::snprintf(reinterpret_cast<char*>(head), 32, "bench_%07lld", entry);
        PutInt32(head + 32, static_cast<uint32_t>(block - 2));
        const Layout& layout = kLayouts[entry % (sizeof kLayouts / sizeof kLayouts[0])];
        uint32_t blockAlign = layout.channels * layout.bits / 8u;
        PutInt16(head + 36, 1);  // PCM
        PutInt16(head + 38, layout.channels);
        PutInt32(head + 40, layout.rate);
        PutInt32(head + 44, layout.rate * blockAlign);
        PutInt16(head + 48, blockAlign);
        PutInt16(head + 50, layout.bits);

        size_t start = static_cast<size_t>(NextRandom(&state) % (samples.size() - block + 1));
        ok = std::fwrite(head, 1, sizeof head, file) == sizeof head &&
             std::fwrite(samples.data() + start, 1, static_cast<size_t>(block), file) ==
                 static_cast<size_t>(block);
    }
    if (std::fclose(file) != 0) ok = false;
    if (!ok) {
        std::fprintf(stderr, "make_bench_bank: cannot write %s\n", path);
        return 1;
    }
    std::printf("%lld\n", largest);
    return 0;
}
