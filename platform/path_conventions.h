// How the platform's file system reads a path: which characters separate
// its elements, and which names mean something other than a file in the
// current directory.
#pragma once

struct PathConventions {
    const char* separators;
    // A colon names a drive ("C:x") or a stream of another file ("a:b").
    bool colonIsSpecial;
    // CON, NUL, COM1 and their kin are devices in every directory, whatever
    // extension follows.
    bool deviceNames;
    // Names that differ in the case of their letters, or in dots and spaces
    // at the end of an element, name one file.
    bool foldsNames;
};

// Whether `c` separates the elements of a path; the end of a text never does.
constexpr bool IsSeparator(char c, const PathConventions& conventions) {
    for (const char* s = conventions.separators; *s != '\0'; ++s) {
        if (*s == c) return true;
    }
    return false;
}

constexpr PathConventions PosixPaths = {"/", false, false, false};
constexpr PathConventions WindowsPaths = {"/\\", true, true, true};

#ifdef _WIN32
constexpr PathConventions NativePaths = WindowsPaths;
#else
constexpr PathConventions NativePaths = PosixPaths;
#endif
