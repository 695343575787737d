// The name that a WAV file gives its bank entry: the file's base name without
// its ".wav" ending, so that lsd2wav writes the entry back under the same
// file name.
#pragma once

#include "bank/bank_layout.h"
#include "pack/pack_texts.h"
#include "platform/path_conventions.h"

// Room for the longest name and its terminating zero; the bytes after the
// name stay zero, so the first NameFieldSize bytes are the entry's name field.
constexpr int32_t EntryNameBufferSize = NameFieldSize + 1;

// Why lsd2wav would refuse to write the file `fileName` (an entry's name and
// ".wav"), or None. The rules are those of Windows on every platform: banks
// are made for the Windows lsd2wav, which stops at such a name.
Reason RefusedName(const char* fileName);
// The same in words, for people; none when the name is taken.
const char* RefusedNameReason(const char* fileName);

// What follows the last separator of `conventions` in `path`.
const char* BaseName(const char* path, const PathConventions& conventions);

// Whether `text` ends in ".wav", spelt in any case: names come from file
// systems that ignore case.
bool HasWavEnding(const char* text);

// Whether the argument `path` is a wildcard pattern that reached the program
// unexpanded, as it does where `conventions` say the shell leaves * and ?.
bool IsUnexpandedWildcard(const char* path, const PathConventions& conventions);

// Fills `name` (EntryNameBufferSize bytes) from `path`, whose base name
// follows the last separator of `conventions`. The ending may be spelt in any
// case (".wav", ".WAV", ...): names come from file systems that ignore case.
// A new bank takes no name that any lsd2wav could not write back to its file
// (see FindNewNameFault), nor a pattern (IsUnexpandedWildcard). Returns the
// reason to refuse the name, or None.
Reason EntryNameOf(const char* path, const PathConventions& conventions, char* name);
