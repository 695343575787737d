// Text for people: numbers in decimal, and names whose control bytes would
// garble a terminal shown escaped.
#pragma once

#include <cstdint>

constexpr int32_t DecimalTextSize = 24;

// `value` in decimal into `out` (DecimalTextSize bytes); returns `out`.
char* DecimalText(int64_t value, char* out);

// `name` with each control byte (below 0x20, and 0x7F) as \xHH; other bytes,
// high-bit ones included, as they are. From the text store, or none.
char* EscapedName(const char* name);
