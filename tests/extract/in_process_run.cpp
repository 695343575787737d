#include "tests/extract/in_process_run.h"

#include <fstream>
#include <iterator>


namespace {

std::string Int32Bytes(int32_t value) {
    uint32_t v = static_cast<uint32_t>(value);
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
            static_cast<char>(v >> 24)};
}

std::string FormatBlock() { return std::string("\x01\x00\x02\x00\x44\xAC\x00\x00", 8) + "fmtbody!"; }

std::string Samples(size_t n) {
    std::string bytes(n, '\0');
    for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<char>(i % 251 + 1);
    return bytes;
}

}  // namespace

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ArchiveEntryBytes(const std::string& name, int32_t length, size_t sampleBytes) {
    std::string field = name;
    field.resize(32, '\0');
    return field + Int32Bytes(length) + FormatBlock() + Samples(sampleBytes);
}

std::string WavBytes(int32_t length, size_t sampleBytes) {
    std::string samples = Samples(sampleBytes);
    samples.resize(static_cast<size_t>(length) + 2, '\0');
    return "RIFF" + Int32Bytes(length + 38) + "WAVE" + "fmt " + Int32Bytes(16) + FormatBlock() +
           "data" + Int32Bytes(length + 2) + samples;
}
