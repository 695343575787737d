#include "extract/safe_name.h"

namespace {

bool IsSeparator(char c, const PathConventions& conventions) {
    for (const char* s = conventions.separators; *s != '\0'; ++s) {
        if (*s == c) return true;
    }
    return false;
}

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

bool IsSafeOutputName(const char* name, const PathConventions& conventions) {
    if (IsSeparator(name[0], conventions)) return false;
    if (conventions.drivePrefixes && IsDriveLetter(name[0]) && name[1] == ':') return false;
    const char* element = name;
    for (const char* p = name;; ++p) {
        if (*p == '\0' || IsSeparator(*p, conventions)) {
            if (p - element == 2 && element[0] == '.' && element[1] == '.') return false;
            if (*p == '\0') return true;
            element = p + 1;
        }
    }
}
