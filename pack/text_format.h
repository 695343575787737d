// Text for people: lines built on the stack, numbers in decimal, and names
// whose control bytes would garble a terminal shown escaped.
#pragma once

#include <cstddef>
#include <cstdint>

// Room for any 64-bit number in decimal, its sign and a terminating zero.
constexpr int32_t DecimalTextSize = 24;

// `name` with each control byte (below 0x20, and 0x7F) as \xHH into `out`
// (`size` bytes, cut short to fit); other bytes, high-bit ones included, as
// they are.
void EscapeName(const char* name, char* out, size_t size);

// A line being built, the one way wav2lsd builds its lines: in a buffer of
// its own on the stack, so that nothing is allocated or freed for it, and
// text that would not fit is left off.
struct LineText {
    char text[6144];
    size_t length;
};
void AppendText(LineText* line, const char* more);
// `value` in decimal.
void AppendNumber(LineText* line, int64_t value);
// `more` padded with spaces to `width`, on the left when `right` (numbers).
void AppendPadded(LineText* line, const char* more, size_t width, bool right);
