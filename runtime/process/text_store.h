// The program's text values: zero-terminated byte strings in a private heap
// of their own, used as they are and never converted.
#pragma once

#include <cstddef>

void PrepareTextStore();
void ReleaseTextStore();

// `first`, `second` and `third` (if given) one after the other, or none.
char* JoinText(const char* first, const char* second, const char* third = "");
void FreeText(char* text);
