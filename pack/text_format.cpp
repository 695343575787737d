#include "pack/text_format.h"

#include <cstring>

#include "runtime/process/text_store.h"

char* DecimalText(int64_t value, char* out) {
    char digits[DecimalTextSize];
    int32_t n = 0;
    uint64_t v = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    do {
        digits[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    char* p = out;
    if (value < 0) *p++ = '-';
    while (n > 0) *p++ = digits[--n];
    *p = '\0';
    return out;
}

char* EscapedName(const char* name) {
    // Four bytes at most for each byte of the name.
    char escaped[4 * 64 + 1];
    char* p = escaped;
    for (const char* c = name; *c != '\0' && p - escaped < 4 * 64; ++c) {
        unsigned char b = static_cast<unsigned char>(*c);
        if (b < 0x20 || b == 0x7F) {
            static const char hex[] = "0123456789abcdef";
            *p++ = '\\';
            *p++ = 'x';
            *p++ = hex[b >> 4];
            *p++ = hex[b & 15];
        } else {
            *p++ = *c;
        }
    }
    *p = '\0';
    return JoinText(escaped, "");
}
