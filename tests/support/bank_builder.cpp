#include "tests/support/bank_builder.h"

#include "platform/line_end.h"

#include <cstdio>

namespace lsdtest {

const char* const kStatusOk = "  ok";
const char* const kStatusCannotCreate = "  Cannot create output file!";
const char* const kStatusWriteFailed = "  Failed to write to output file!";

namespace {

// L + 2 as the program works it out: 32-bit, wrapping.
int32_t SampleBlockSize(int32_t length) {
    return static_cast<int32_t>(static_cast<uint32_t>(length) + 2u);
}

void AppendUint16(Bytes* out, uint16_t value) {
    out->push_back(static_cast<char>(value & 0xFF));
    out->push_back(static_cast<char>(value >> 8));
}

}  // namespace

const char* BankFileName(BankKind kind) {
    return kind == kMusicBank ? "music_p.lsd" : "sound_p.lsd";
}

const char* BankHeading(BankKind kind) {
    return kind == kMusicBank ? "Extracting music..." : "Extracting sounds...";
}

Bytes NameField(const std::string& name) { return RawNameField(name); }

Bytes RawNameField(const Bytes& raw) {
    Bytes field = raw.substr(0, kNameFieldSize);
    field.resize(kNameFieldSize, '\0');
    return field;
}

std::string EntryName(const BankEntry& entry) {
    size_t end = entry.nameField.find('\0');
    if (end == Bytes::npos || end > kNameFieldSize) end = kNameFieldSize;
    return entry.nameField.substr(0, end);
}

std::string WavFileName(const BankEntry& entry) { return EntryName(entry) + ".wav"; }

Bytes PcmFormat(uint16_t channels, uint32_t sampleRate, uint16_t bitsPerSample) {
    uint16_t blockAlign = static_cast<uint16_t>(channels * ((bitsPerSample + 7) / 8));
    Bytes format;
    AppendUint16(&format, 1);
    AppendUint16(&format, channels);
    format += Int32Bytes(sampleRate);
    format += Int32Bytes(sampleRate * blockAlign);
    AppendUint16(&format, blockAlign);
    AppendUint16(&format, bitsPerSample);
    return format;
}

Bytes PatternBytes(size_t count, uint32_t seed) {
    Bytes out;
    out.reserve(count);
    uint32_t state = seed * 2654435761u + 0x9E3779B9u;
    for (size_t i = 0; i < count; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        out.push_back(static_cast<char>(1 + state % 255));
    }
    return out;
}

BankEntry MakeRawEntry(const Bytes& rawName, int32_t length, uint32_t seed) {
    BankEntry entry;
    entry.nameField = RawNameField(rawName);
    entry.length = length;
    entry.format = PcmFormat(2, 22050 + seed % 100, 16);
    int32_t size = SampleBlockSize(length);
    entry.samples = PatternBytes(size > 0 ? static_cast<size_t>(size) : 0, seed);
    return entry;
}

BankEntry MakeEntry(const std::string& name, int32_t length, uint32_t seed) {
    return MakeRawEntry(NameField(name), length, seed);
}

Bytes EntryBytes(const BankEntry& entry) {
    Bytes out = RawNameField(entry.nameField);
    out += Int32Bytes(static_cast<uint32_t>(entry.length));
    Bytes format = entry.format.substr(0, kFormatBlockSize);
    format.resize(kFormatBlockSize, '\0');
    out += format;
    out += entry.samples;
    return out;
}

Bytes ArchiveBytes(const std::vector<BankEntry>& entries, uint32_t leadField) {
    Bytes out = Int32Bytes(leadField);
    for (const BankEntry& entry : entries) out += EntryBytes(entry);
    return out;
}

Bytes Truncate(const Bytes& bytes, size_t size) { return bytes.substr(0, size); }

Bytes ZeroFrom(const Bytes& bytes, size_t offset) {
    Bytes out = bytes;
    for (size_t i = offset; i < out.size(); ++i) out[i] = '\0';
    return out;
}

Bytes Int32Bytes(uint32_t value) {
    Bytes out;
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
    }
    return out;
}

Bytes WavHeader(int32_t length, const Bytes& format) {
    uint32_t l = static_cast<uint32_t>(length);
    Bytes out = "RIFF";
    out += Int32Bytes(l + 38u);
    out += "WAVEfmt ";
    out += Int32Bytes(16);
    Bytes block = format.substr(0, kFormatBlockSize);
    block.resize(kFormatBlockSize, '\0');
    out += block;
    out += "data";
    out += Int32Bytes(l + 2u);
    return out;
}

Bytes ExpectedWav(const BankEntry& entry) {
    Bytes out = WavHeader(entry.length, entry.format);
    int32_t size = SampleBlockSize(entry.length);
    if (size > 0) {
        Bytes samples = entry.samples.substr(0, static_cast<size_t>(size));
        samples.resize(static_cast<size_t>(size), '\0');
        out += samples;
    }
    return out;
}

Bytes NativeLines(const Bytes& lines) {
    Bytes out;
    for (size_t at = 0; at < lines.size(); ++at) {
        if (lines.compare(at, 2, "\r\n") == 0) {
            out += NativeLineEnd;
            ++at;
        } else {
            out += lines[at];
        }
    }
    return out;
}

Bytes ConsoleLines(const std::vector<std::string>& lines) {
    Bytes out;
    for (const std::string& line : lines) {
        out += line;
        out += NativeLineEnd;
    }
    return out;
}

Bytes ExpectedConsole(BankKind kind, const std::vector<BankEntry>& entries,
                      const std::string& status) {
    std::vector<std::string> lines;
    lines.push_back(BankHeading(kind));
    for (const BankEntry& entry : entries) lines.push_back("  " + WavFileName(entry));
    lines.push_back(status);
    return ConsoleLines(lines);
}

bool WriteBytesToFile(const std::string& path, const Bytes& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0) ok = false;
    return ok;
}

}  // namespace lsdtest
