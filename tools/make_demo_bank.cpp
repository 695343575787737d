// make_demo_bank [folder]: writes tones synthesized here as WAV files into an
// existing folder (default "."), for wav2lsd to pack into a demo bank, so
// that both programs can be tried without any bank from elsewhere. Each tone
// has its own sample format, to show that formats pass through unread. For
// each file it prints one line, "  NAME.wav: C ch, B-bit, R Hz, F frames",
// which the tests read back as the truth about the file.
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const double kPi = 3.14159265358979323846;

struct Voice {
    double frequency;  // Hz
    double panLeft;    // share of the voice in the left channel, 0..1
};

struct DemoTone {
    const char* name;   // at most 32 bytes
    int channels;       // 1 or 2
    int bitsPerSample;  // 8 (unsigned) or 16 (signed)
    int sampleRate;
    double seconds;
    std::vector<Voice> voices;
};

typedef std::string Bytes;

void AppendInt32(Bytes* out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out->push_back(static_cast<char>((value >> shift) & 0xFF));
    }
}

void AppendInt16(Bytes* out, uint16_t value) {
    out->push_back(static_cast<char>(value & 0xFF));
    out->push_back(static_cast<char>(value >> 8));
}

// Raised-cosine fade in and out: no clicks at either end.
double Envelope(double t, double length) {
    const double fadeIn = 0.03;
    const double fadeOut = 0.25;
    double gain = 1.0;
    if (t < fadeIn) gain = 0.5 - 0.5 * std::cos(kPi * t / fadeIn);
    double left = length - t;
    if (left < fadeOut) gain *= 0.5 - 0.5 * std::cos(kPi * std::fmax(left, 0.0) / fadeOut);
    return gain;
}

// A soft, slightly bell-like voice: the fundamental with two quiet overtones
// that die away faster than it does.
double VoiceValue(double frequency, double t) {
    double fundamental = std::sin(2 * kPi * frequency * t);
    double second = 0.30 * std::exp(-3.0 * t) * std::sin(2 * kPi * 2 * frequency * t);
    double third = 0.12 * std::exp(-5.0 * t) * std::sin(2 * kPi * 3 * frequency * t);
    return (fundamental + second + third) / 1.42;
}

Bytes FormatBlock(const DemoTone& tone) {
    uint16_t blockAlign = static_cast<uint16_t>(tone.channels * tone.bitsPerSample / 8);
    Bytes block;
    AppendInt16(&block, 1);  // PCM
    AppendInt16(&block, static_cast<uint16_t>(tone.channels));
    AppendInt32(&block, static_cast<uint32_t>(tone.sampleRate));
    AppendInt32(&block, static_cast<uint32_t>(tone.sampleRate) * blockAlign);
    AppendInt16(&block, blockAlign);
    AppendInt16(&block, static_cast<uint16_t>(tone.bitsPerSample));
    return block;
}

long FrameCount(const DemoTone& tone) { return std::lround(tone.seconds * tone.sampleRate); }

Bytes SampleData(const DemoTone& tone) {
    long frames = FrameCount(tone);
    double voiceGain = 0.7 / static_cast<double>(tone.voices.size());
    Bytes data;
    for (long frame = 0; frame < frames; ++frame) {
        double t = static_cast<double>(frame) / tone.sampleRate;
        double gain = voiceGain * Envelope(t, tone.seconds);
        double left = 0;
        double right = 0;
        for (const Voice& voice : tone.voices) {
            double value = VoiceValue(voice.frequency, t);
            left += value * voice.panLeft;
            right += value * (1.0 - voice.panLeft);
        }
        // A voice panned to the middle is as loud in mono as in stereo.
        double channelValue[2] = {2 * gain * left, 2 * gain * right};
        if (tone.channels == 1) channelValue[0] = gain * (left + right);
        for (int channel = 0; channel < tone.channels; ++channel) {
            double v = std::fmax(-1.0, std::fmin(1.0, channelValue[channel]));
            if (tone.bitsPerSample == 8) {
                data.push_back(static_cast<char>(static_cast<uint8_t>(std::lround(128 + 127 * v))));
            } else {
                AppendInt16(&data,
                            static_cast<uint16_t>(static_cast<int16_t>(std::lround(32767 * v))));
            }
        }
    }
    return data;
}

// A RIFF WAVE file: the format chunk, then the data chunk with the pad byte
// that RIFF wants after a chunk of odd size.
Bytes WavFileBytes(const DemoTone& tone) {
    Bytes samples = SampleData(tone);
    Bytes pad(samples.size() % 2, '\0');
    Bytes out = "RIFF";
    AppendInt32(&out, static_cast<uint32_t>(4 + 8 + 16 + 8 + samples.size() + pad.size()));
    out += "WAVE";
    out += "fmt ";
    AppendInt32(&out, 16);
    out += FormatBlock(tone);
    out += "data";
    AppendInt32(&out, static_cast<uint32_t>(samples.size()));
    out += samples;
    out += pad;
    return out;
}

bool WriteWholeFile(const std::string& path, const Bytes& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::fprintf(stderr, "make_demo_bank: cannot create %s: %s\n", path.c_str(),
                     std::strerror(errno));
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0) ok = false;
    if (!ok) std::fprintf(stderr, "make_demo_bank: cannot write %s\n", path.c_str());
    return ok;
}

std::vector<DemoTone> DemoTones() {
    const double A4 = 440.0, C5 = 523.25, E5 = 659.26, G4 = 392.0, C4 = 261.63, E4 = 329.63,
                 A3 = 220.0, D5 = 587.33, B4 = 493.88, G5 = 783.99;
    return {
        {"tone_a4_mono8_11k", 1, 8, 11025, 1.0, {{A4, 0.5}}},
        {"tone_e5_mono16_22k", 1, 16, 22050, 0.6, {{E5, 0.5}}},
        {"chord_c_major_stereo16_44k", 2, 16, 44100, 1.5, {{C4, 0.8}, {E4, 0.5}, {G4, 0.2}}},
        {"chord_a_minor_stereo8_8k", 2, 8, 8000, 1.2, {{A3, 0.7}, {C5, 0.5}, {E5, 0.3}}},
        {"chord_g_major_stereo16_22k", 2, 16, 22050, 0.9, {{G4, 0.6}, {B4, 0.4}, {D5, 0.5}}},
        {"tone_g5_mono16_8k", 1, 16, 8000, 0.5, {{G5, 0.5}}},
    };
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2 ||
        (argc == 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0))) {
        std::fprintf(stderr, "usage: make_demo_bank [folder]   (default .)\n");
        return 2;
    }
    std::string folder = argc == 2 ? argv[1] : ".";

    std::vector<DemoTone> tones = DemoTones();
    for (const DemoTone& tone : tones) {
        if (!WriteWholeFile(folder + "/" + tone.name + ".wav", WavFileBytes(tone))) return 1;
    }
    std::printf("make_demo_bank: wrote %zu WAV files in %s\n", tones.size(), folder.c_str());
    for (const DemoTone& tone : tones) {
        std::printf("  %s.wav: %d ch, %d-bit, %d Hz, %ld frames\n", tone.name, tone.channels,
                    tone.bitsPerSample, tone.sampleRate, FrameCount(tone));
    }
    return 0;
}
