// What lsd2wav makes of its command line: it extracts whatever it is given,
// but a call that asks only how to use it must not overwrite anything.
#pragma once

#include <cstdint>

// Answers a lone --help, -h, /? or --version on standard output and returns
// true: the run then ends without opening a bank. Any other command line
// gets one line on the error stream and returns false, for the extraction
// to go on as it always has.
bool AnswerCommandLine(int32_t argc, const char* const* argv);
