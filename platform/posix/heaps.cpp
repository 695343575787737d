// Private heaps. Every block carries a header that links it into its heap, so
// that HeapDestroy can release whatever the caller never freed, which is how
// the runtime drops all of its memory at once.
#include <cstdint>
#include <cstdlib>
#include <cstring>
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
    SIZE_T capacity;  // the caller's part as it was first asked for
};

// From this size on, glibc may serve a block by mmap and unmap it at free
// (above 32 MiB it always does), so such a block would arrive as fresh pages
// that fault in one by one while the caller fills them: once per entry for a
// copy buffer. A heap keeps the largest of these that it was given back and
// hands it out again for any large block that fits, in memory already there.
constexpr SIZE_T SpareFrom = SIZE_T(128) << 10;

struct Heap {
    std::mutex lock;  // Windows heaps serialise their callers by default
    Block* first = nullptr;
    Block* spare = nullptr;  // freed, unlinked, and kept for the next large block
};

void Link(Heap* heap, Block* block) {
    block->previous = nullptr;
    block->next = heap->first;
    if (heap->first != nullptr) heap->first->previous = block;
    heap->first = block;
}

// The spare block when it holds `bytes`, taken off the heap; none otherwise.
// A spare too small is released first, so that the larger block which comes
// instead is never held in memory next to it.
Block* TakeSpare(Heap* heap, SIZE_T bytes) {
    Block* spare = nullptr;
    {
        std::lock_guard<std::mutex> hold(heap->lock);
        if (heap->spare == nullptr) return nullptr;
        spare = heap->spare;
        heap->spare = nullptr;
    }
    if (spare->capacity >= bytes) return spare;
    free(spare);
    return nullptr;
}

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
    const bool zeroed = (flags & HEAP_ZERO_MEMORY) != 0;
    Block* block = bytes >= SpareFrom ? TakeSpare(heap, bytes) : nullptr;
    if (block != nullptr) {
        // Memory that is there already costs less to clear than fresh pages
        // cost to fault in, which the kernel clears as well.
        if (zeroed) memset(block + 1, 0, bytes);
    } else {
        // calloc gets fresh pages from the system already zeroed, so a large
        // zeroed block costs no pass over its memory.
        void* memory = zeroed ? calloc(1, sizeof(Block) + bytes) : malloc(sizeof(Block) + bytes);
        if (memory == nullptr) return nullptr;
        block = static_cast<Block*>(memory);
        block->capacity = bytes;
    }
    block->heap = heap;
    std::lock_guard<std::mutex> hold(heap->lock);
    Link(heap, block);
    return block + 1;
}

BOOL HeapFree(HANDLE handle, DWORD, LPVOID memory) {
    Heap* heap = static_cast<Heap*>(handle);
    if (heap == nullptr || memory == nullptr) return FALSE;
    Block* block = static_cast<Block*>(memory) - 1;
    if (block->heap != heap) return FALSE;
    Block* released = block;
    {
        std::lock_guard<std::mutex> hold(heap->lock);
        if (block->previous != nullptr) block->previous->next = block->next;
        else heap->first = block->next;
        if (block->next != nullptr) block->next->previous = block->previous;
        // Of two large blocks the larger stays: it can stand in for either.
        if (block->capacity >= SpareFrom) {
            if (heap->spare == nullptr || heap->spare->capacity <= block->capacity) {
                released = heap->spare;
                heap->spare = block;
            }
        }
    }
    free(released);
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
    free(heap->spare);
    delete heap;
    return TRUE;
}

}  // namespace PosixOs
