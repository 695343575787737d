// RIFF WAVE files assembled chunk by chunk, well or badly formed as a test
// needs them.
#pragma once

#include <string>

#include "tests/support/bank_builder.h"

namespace lsdtest {

// A chunk holding `body`, then the pad byte that follows an odd body unless
// `pad` is false.
inline Bytes RiffChunk(const std::string& id, const Bytes& body, bool pad = true) {
    Bytes out = id + Int32Bytes(static_cast<uint32_t>(body.size())) + body;
    if (pad && body.size() % 2 != 0) out.push_back('\0');
    return out;
}

// A chunk whose size field says `size` whatever it holds.
inline Bytes SizedChunk(const std::string& id, const Bytes& body, uint32_t size) {
    return id + Int32Bytes(size) + body;
}

// "RIFF", the size of what follows it, "WAVE" and the chunks.
inline Bytes RiffWave(const Bytes& chunks) {
    return "RIFF" + Int32Bytes(static_cast<uint32_t>(4 + chunks.size())) + "WAVE" + chunks;
}

// The usual file: a format chunk and then a data chunk.
// A 40-byte WAVE_FORMAT_EXTENSIBLE body whose sub-format has the tag
// `subTag` (1 PCM, 3 float).
inline Bytes ExtensibleFormat(uint16_t channels, uint32_t rate, uint16_t bits, uint16_t validBits,
                              uint16_t subTag) {
    Bytes body = PcmFormat(channels, rate, bits);
    body[0] = '\xFE';
    body[1] = '\xFF';
    auto u16 = [](uint16_t v) { return Int32Bytes(v).substr(0, 2); };
    body += u16(22) + u16(validBits) + Int32Bytes(0) + u16(subTag) +
            Bytes("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14);
    return body;
}

inline Bytes PlainWav(const Bytes& format, const Bytes& data) {
    return RiffWave(RiffChunk("fmt ", format) + RiffChunk("data", data));
}

}  // namespace lsdtest
