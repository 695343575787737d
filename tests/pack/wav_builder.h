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
inline Bytes PlainWav(const Bytes& format, const Bytes& data) {
    return RiffWave(RiffChunk("fmt ", format) + RiffChunk("data", data));
}

}  // namespace lsdtest
