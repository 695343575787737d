// Scratch blocks for the extraction, each kept for one step.
#pragma once

#include <cstdint>

void CreateMemoryPool();
// Releases the pool and every block still taken from it.
void DestroyMemoryPool();

// A zero-filled block of n bytes, or none when n is 0 or less or the pool
// cannot supply it.
void* AllocateBlock(int32_t n);
// The same, but holding whatever the memory held before, for a caller that
// writes every byte before it reads one: clearing a block of megabytes only
// for a read to fill it again costs a pass over all of it.
void* AllocateBlockToFill(int32_t n);
void FreeBlock(void* block);
