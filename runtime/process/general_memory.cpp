#include "runtime/process/general_memory.h"

namespace {
HANDLE generalMemory;
}

void CreateGeneralMemory() { generalMemory = Os.HeapCreate(0, 4096, 0); }

void DestroyGeneralMemory() {
    Os.HeapDestroy(generalMemory);
    generalMemory = nullptr;
}

HANDLE GeneralMemory() { return generalMemory; }
