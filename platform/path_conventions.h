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
    // The shell hands * and ? to the program as typed (cmd expands no
    // wildcards, and the C runtime is not asked to), and no file name holds
    // either: an argument with one is a pattern, never a file.
    bool wildcardsUnexpanded;
};

// Whether `c` separates the elements of a path; the end of a text never does.
constexpr bool IsSeparator(char c, const PathConventions& conventions) {
    for (const char* s = conventions.separators; *s != '\0'; ++s) {
        if (*s == c) return true;
    }
    return false;
}

constexpr PathConventions PosixPaths = {"/", false, false, false, false};
constexpr PathConventions WindowsPaths = {"/\\", true, true, true, true};

#ifdef _WIN32
constexpr PathConventions NativePaths = WindowsPaths;
#else
constexpr PathConventions NativePaths = PosixPaths;
#endif
