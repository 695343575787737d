// Private heaps. Every block carries a header that links it into its heap, so
// that HeapDestroy can release whatever the caller never freed, which is how
// the runtime drops all of its memory at once.
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <new>

#include "platform/posix/windows_types.h"

namespace {

struct Heap;

// The header keeps the strictest alignment, so the caller's part that follows
// it is as well aligned as anything malloc returns.
struct alignas(std::max_align_t) Block {
    Block* previous;
    Block* next;
    Heap* heap;
};

struct Heap {
    std::mutex lock;  // Windows heaps serialise their callers by default
    Block* first = nullptr;
};

}  // namespace

namespace PosixOs {

// The creation options and sizes are not needed here: a heap grows as long
// as the system gives memory.
HANDLE HeapCreate(DWORD, SIZE_T, SIZE_T) {
    return new (std::nothrow) Heap;
}

LPVOID HeapAlloc(HANDLE handle, DWORD flags, SIZE_T bytes) {
    Heap* heap = static_cast<Heap*>(handle);
    if (heap == nullptr || bytes > SIZE_MAX - sizeof(Block)) return nullptr;
    // calloc gets fresh pages from the system already zeroed, so a large
    // zeroed block costs no pass over its memory.
    void* memory = (flags & HEAP_ZERO_MEMORY) != 0 ? calloc(1, sizeof(Block) + bytes)
                                                   : malloc(sizeof(Block) + bytes);
    if (memory == nullptr) return nullptr;
    Block* block = static_cast<Block*>(memory);
    block->previous = nullptr;
    block->heap = heap;
    std::lock_guard<std::mutex> hold(heap->lock);
    block->next = heap->first;
    if (heap->first != nullptr) heap->first->previous = block;
    heap->first = block;
    return block + 1;
}

BOOL HeapFree(HANDLE handle, DWORD, LPVOID memory) {
    Heap* heap = static_cast<Heap*>(handle);
    if (heap == nullptr || memory == nullptr) return FALSE;
    Block* block = static_cast<Block*>(memory) - 1;
    if (block->heap != heap) return FALSE;
    {
        std::lock_guard<std::mutex> hold(heap->lock);
        if (block->previous != nullptr) block->previous->next = block->next;
        else heap->first = block->next;
        if (block->next != nullptr) block->next->previous = block->previous;
    }
    free(block);
    return TRUE;
}

BOOL HeapDestroy(HANDLE handle) {
    Heap* heap = static_cast<Heap*>(handle);
    if (heap == nullptr) return FALSE;
    for (Block* block = heap->first; block != nullptr;) {
        Block* next = block->next;
        free(block);
        block = next;
    }
    delete heap;
    return TRUE;
}

}  // namespace PosixOs
