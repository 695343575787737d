// How the platform's file system reads a path: which characters separate
// its elements, and whether a drive prefix ("C:") roots it.
#pragma once

struct PathConventions {
    const char* separators;
    bool drivePrefixes;
};

constexpr PathConventions PosixPaths = {"/", false};
constexpr PathConventions WindowsPaths = {"/\\", true};

#ifdef _WIN32
constexpr PathConventions NativePaths = WindowsPaths;
#else
constexpr PathConventions NativePaths = PosixPaths;
#endif
