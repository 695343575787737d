#include "bank/file_name.h"

#include <cstring>

void MakeFileName(const char* name, char* out) {
    size_t length = strnlen(name, NameFieldSize);
    if (out != name) std::memcpy(out, name, length);
    std::strcpy(out + length, WavExtension);
}

unsigned char LowerCase(unsigned char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 0x20;
    switch (c) {
        case 0x8A:  // S with caron
        case 0x8C:  // OE
        case 0x8E:  // Z with caron
            return c + 0x10;
        case 0x9F:  // Y with diaeresis
            return 0xFF;
        default:
            return c;
    }
}

void ReduceFileName(const char* fileName, const PathConventions& conventions, char* out) {
    char* end = out;
    const char* element = fileName;
    for (const char* p = fileName;; ++p) {
        if (*p != '\0' && !IsSeparator(*p, conventions)) continue;
        const char* last = p;
        if (conventions.foldsNames) {
            while (last > element && (last[-1] == '.' || last[-1] == ' ')) --last;
        }
        bool here = last == element || (last - element == 1 && *element == '.');
        if (!here) {
            if (end != out) *end++ = '/';
            for (const char* c = element; c < last; ++c) {
                unsigned char byte = static_cast<unsigned char>(*c);
                *end++ = static_cast<char>(conventions.foldsNames ? LowerCase(byte) : byte);
            }
        }
        if (*p == '\0') break;
        element = p + 1;
    }
    *end = '\0';
}
