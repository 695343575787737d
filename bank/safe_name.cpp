#include "bank/safe_name.h"

namespace {

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Whether the element's stem (up to its first dot, trailing spaces dropped)
// is a device name.
bool IsDeviceName(const char* element, const char* end) {
    static const char* const devices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    static const char* const numbered[] = {"COM", "LPT"};
    const char* stem = element;
    while (stem < end && *stem != '.') ++stem;
    while (stem > element && stem[-1] == ' ') --stem;
    auto is = [&](const char* name, const char* upTo) {
        const char* p = element;
        for (; *name != '\0'; ++name, ++p) {
            if (p == upTo || Upper(*p) != *name) return false;
        }
        return p == upTo;
    };
    for (const char* device : devices) {
        if (is(device, stem)) return true;
    }
    // COM1 to COM9 and LPT1 to LPT9.
    if (stem - element == 4 && stem[-1] >= '1' && stem[-1] <= '9') {
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
