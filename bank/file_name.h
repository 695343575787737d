// An entry's file, "name.wav", and how a file system reads such a name: two
// spellings may name one file, so names are compared in one spelling.
#pragma once

#include <cstdint>

#include "bank/bank_layout.h"
#include "platform/path_conventions.h"

// Room for the longest file name, "name.wav" of a full name field, and its
// terminating zero.
constexpr int32_t FileNameSize = NameFieldSize + 4 + 1;

// The name (up to its first zero, at most NameFieldSize bytes) and ".wav",
// into `out` (FileNameSize bytes), which may be the name's own buffer.
void MakeFileName(const char* name, char* out);

// The letters of Windows-1252, the code page of the Windows build, in lower
// case; every other byte as it is. The ASCII letters are the first of them.
unsigned char LowerCase(unsigned char c);

// The file that `fileName` names on a file system that reads paths by
// `conventions`, in one spelling, into `out` (as long as `fileName`): "." and
// empty elements left out, the elements joined by "/"; where names are
// folded, each element without its trailing dots and spaces and in lower
// case. Two names with the same spelling are one file.
void ReduceFileName(const char* fileName, const PathConventions& conventions, char* out);
