#include "pack/text_format.h"

#include <charconv>
#include <cstring>

void EscapeName(const char* name, char* out, size_t size) {
    static const char hex[] = "0123456789abcdef";
    size_t at = 0;
    for (const char* c = name; *c != '\0' && at + 4 < size; ++c) {
        unsigned char b = static_cast<unsigned char>(*c);
        if (b < 0x20 || b == 0x7F) {
            out[at++] = '\\';
            out[at++] = 'x';
            out[at++] = hex[b >> 4];
            out[at++] = hex[b & 15];
        } else {
            out[at++] = *c;
        }
    }
    out[at] = '\0';
}

void AppendText(LineText* line, const char* more) {
    size_t n = std::strlen(more);
    if (n > sizeof line->text - 1 - line->length) n = sizeof line->text - 1 - line->length;
    std::memcpy(line->text + line->length, more, n);
    line->length += n;
    line->text[line->length] = '\0';
}

void AppendNumber(LineText* line, int64_t value) {
    char number[DecimalTextSize];
    *std::to_chars(number, number + sizeof number - 1, value).ptr = '\0';
    AppendText(line, number);
}

void AppendPadded(LineText* line, const char* more, size_t width, bool right) {
    size_t n = std::strlen(more);
    size_t pad = width > n ? width - n : 0;
    if (!right) AppendText(line, more);
    for (; pad > 0 && line->length < sizeof line->text - 1; --pad) AppendText(line, " ");
    if (right) AppendText(line, more);
}
