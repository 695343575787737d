// Zero-filled scratch blocks for the extraction, each kept for one step.
#pragma once

#include <cstdint>

void CreateMemoryPool();
// Releases the pool and every block still taken from it.
void DestroyMemoryPool();

// A zero-filled block of n bytes, or none when n is 0 or less or the pool
// cannot supply it.
void* AllocateBlock(int32_t n);
void FreeBlock(void* block);
