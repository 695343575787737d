#include "runtime/files/file_registry.h"

#include "runtime/files/file_record.h"

namespace {
FileRegistry* registry;
}

FileRegistry* CreateFileRegistry(HANDLE memory) {
    registry = static_cast<FileRegistry*>(
        Os.HeapAlloc(memory, HEAP_ZERO_MEMORY, sizeof(FileRegistry)));
    if (registry) {
        registry->memory = memory;
        registry->bufferSize = FileBufferSize;
    }
    return registry;
}

FileRegistry* CurrentFileRegistry() { return registry; }

FileHandle* ReserveRecord() {
    if (!registry) return nullptr;
    auto* h = static_cast<FileHandle*>(
        Os.HeapAlloc(registry->memory, HEAP_ZERO_MEMORY, sizeof(FileHandle)));
    if (!h) return nullptr;
    h->older = registry->newest;
    if (registry->newest) {
        registry->newest->newer = h;
    } else {
        registry->oldest = h;
    }
    registry->newest = h;
    return h;
}

void ReleaseRecord(FileHandle* h) {
    if (h->newer) {
        h->newer->older = h->older;
    } else {
        registry->newest = h->older;
    }
    if (h->older) {
        h->older->newer = h->newer;
    } else {
        registry->oldest = h->newer;
    }
    Os.HeapFree(registry->memory, 0, h);
}
