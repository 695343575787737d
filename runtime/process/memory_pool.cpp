#include "runtime/process/memory_pool.h"

#include "platform/os.h"

namespace {
HANDLE pool;
}

void CreateMemoryPool() { pool = Os.HeapCreate(0, 4096, 0); }

void DestroyMemoryPool() {
    if (!pool) return;
    Os.HeapDestroy(pool);
    pool = nullptr;
}

void* AllocateBlock(int32_t n) {
    if (n <= 0 || !pool) return nullptr;
    return Os.HeapAlloc(pool, HEAP_ZERO_MEMORY, static_cast<SIZE_T>(n));
}

void* AllocateBlockToFill(int32_t n) {
    if (n <= 0 || !pool) return nullptr;
    return Os.HeapAlloc(pool, 0, static_cast<SIZE_T>(n));
}

void FreeBlock(void* block) {
    if (pool && block) Os.HeapFree(pool, 0, block);
}
