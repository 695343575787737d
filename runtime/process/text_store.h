// The program's text values: zero-terminated byte strings in a private heap
// of their own, used as they are and never converted.
#pragma once

#include <cstddef>

void PrepareTextStore();
void ReleaseTextStore();

// A copy of the first n bytes of `bytes`, up to a zero byte, or none.
char* CopyText(const char* bytes, size_t n);
// `first` followed by `second`, or none.
char* JoinText(const char* first, const char* second);
void FreeText(char* text);
