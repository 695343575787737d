// The program's memory: one private heap, made at start-up and released with
// everything still taken from it at the end of a run. Three kinds of callers
// take from it: the file registry, with its records and buffers, and the
// console lines (through the heap itself); the scratch blocks of the work,
// each kept for one step; and the program's texts.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/os.h"

void CreateMemory();
void ReleaseMemory();

// The heap, for callers that take from it by the OS calls themselves; none
// when start-up could not make it.
HANDLE GeneralMemory();

// A zero-filled block of n bytes, or none when n is 0 or less or the heap
// cannot supply it.
void* AllocateBlock(int32_t n);
// The same, but holding whatever the memory held before, for a caller that
// writes every byte before it reads one: clearing a block of megabytes only
// for a read to fill it again costs a pass over all of it.
void* AllocateBlockToFill(int32_t n);
void FreeBlock(void* block);

// A text: a zero-terminated byte string, used as it is and never converted.
// `first`, `second` and `third` (if given) one after the other, or none.
char* JoinText(const char* first, const char* second, const char* third = "");
void FreeText(char* text);
