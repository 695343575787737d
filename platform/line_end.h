// How a line of text ends in this platform's text files.
#pragma once

#ifdef _WIN32
constexpr const char* NativeLineEnd = "\r\n";
#else
constexpr const char* NativeLineEnd = "\n";
#endif
