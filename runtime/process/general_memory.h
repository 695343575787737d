// General memory: the heap for file records, file buffers and console
// lines, made first at start-up and destroyed last at shut-down.
#pragma once

#include "platform/os.h"

void CreateGeneralMemory();
void DestroyGeneralMemory();
HANDLE GeneralMemory();
