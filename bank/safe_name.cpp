#include "bank/safe_name.h"

#include <cstring>

#include "bank/file_name.h"

namespace {

// Whether the element's stem (up to its first dot, trailing spaces dropped)
// is a device name.
bool IsDeviceName(const char* element, const char* end) {
    static const char* const devices[] = {"con", "prn", "aux", "nul", "conin$", "conout$"};
    static const char* const numbered[] = {"com", "lpt"};
    const char* stem = element;
    while (stem < end && *stem != '.') ++stem;
    while (stem > element && stem[-1] == ' ') --stem;
    auto is = [&](const char* name, const char* upTo) {
        const char* p = element;
        for (; *name != '\0'; ++name, ++p) {
            if (p == upTo || LowerCase(static_cast<unsigned char>(*p)) != *name) return false;
        }
        return p == upTo;
    };
    for (const char* device : devices) {
        if (is(device, stem)) return true;
    }
    // COM1 to COM9 and LPT1 to LPT9, and with the superscript digits of
    // Windows-1252 (bytes B9, B2 and B3) too.
    unsigned char digit = stem - element == 4 ? static_cast<unsigned char>(stem[-1]) : 0;
    if ((digit >= '1' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3) {
        for (const char* device : numbered) {
            if (is(device, stem - 1)) return true;
        }
    }
    return false;
}

}  // namespace

NameFault FindNameFault(const char* name, const PathConventions& conventions) {
    if (IsSeparator(name[0], conventions)) return NameFault::Rooted;
    const char* element = name;
    for (const char* p = name;; ++p) {
        if (conventions.colonIsSpecial && *p == ':') return NameFault::Colon;
        if (*p == '\0' || IsSeparator(*p, conventions)) {
            if (p - element == 2 && element[0] == '.' && element[1] == '.')
                return NameFault::ClimbsUp;
            if (conventions.deviceNames && IsDeviceName(element, p)) return NameFault::DeviceName;
            if (*p == '\0') return NameFault::None;
            element = p + 1;
        }
    }
}

bool IsSafeOutputName(const char* name, const PathConventions& conventions) {
    return FindNameFault(name, conventions) == NameFault::None;
}

NameFault FindNewNameFault(const char* fileName) {
    NameFault fault = FindNameFault(fileName, WindowsPaths);
    if (fault != NameFault::None) return fault;
    for (const char* p = fileName; *p != '\0'; ++p) {
        if (static_cast<unsigned char>(*p) < 0x20) return NameFault::ControlByte;
        if (std::strchr("<>:\"/\\|?*", *p)) return NameFault::ReservedCharacter;
    }
    return NameFault::None;
}
