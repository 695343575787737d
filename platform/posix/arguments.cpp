#include "platform/arguments.h"

// POSIX hands a program its arguments' bytes as they are.
ProgramArguments TakeArguments(int argc, char** argv) { return {argc, argv, -1}; }
