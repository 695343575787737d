// The command line as the runtime's 8-bit text, each argument exactly as the
// user gave it.
#pragma once

#include <cstdint>

struct ProgramArguments {
    int32_t count;
    const char* const* values;
    // The first argument that the 8-bit text cannot hold as it stands, or -1.
    // On Windows an argument is taken from the wide command line and must
    // come back unchanged from the ANSI code page, where Windows would put
    // a nearby letter in the place of one it lacks and so name another file.
    int32_t unconvertible;
};

// From main's arguments, which on Windows are taken again from the wide
// command line.
ProgramArguments TakeArguments(int argc, char** argv);
