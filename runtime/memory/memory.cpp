#include "runtime/memory/memory.h"

#include <cstring>

namespace {

HANDLE heap;

void* Take(SIZE_T n, DWORD flags) { return heap ? Os.HeapAlloc(heap, flags, n) : nullptr; }

void GiveBack(void* memory) {
    if (heap && memory) Os.HeapFree(heap, 0, memory);
}

}  // namespace

void CreateMemory() { heap = Os.HeapCreate(0, 4096, 0); }

void ReleaseMemory() {
    if (!heap) return;
    Os.HeapDestroy(heap);
    heap = nullptr;
}

HANDLE GeneralMemory() { return heap; }

void* AllocateBlock(int32_t n) {
    return n > 0 ? Take(static_cast<SIZE_T>(n), HEAP_ZERO_MEMORY) : nullptr;
}

void* AllocateBlockToFill(int32_t n) { return n > 0 ? Take(static_cast<SIZE_T>(n), 0) : nullptr; }

void FreeBlock(void* block) { GiveBack(block); }

char* JoinText(const char* first, const char* second, const char* third) {
    size_t a = std::strlen(first);
    size_t b = std::strlen(second);
    size_t c = std::strlen(third);
    auto* text = static_cast<char*>(Take(a + b + c + 1, 0));
    if (text) {
        std::memcpy(text, first, a);
        std::memcpy(text + a, second, b);
        std::memcpy(text + a + b, third, c);
        text[a + b + c] = '\0';
    }
    return text;
}

void FreeText(char* text) { GiveBack(text); }
