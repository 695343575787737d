#include "platform/file_owner.h"

bool SameOwnerAndGroup(HANDLE, HANDLE, char*, char*, size_t) { return true; }
