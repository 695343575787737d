#include "runtime/files/file_names.h"

#include "platform/os.h"

bool MoveFileOver(const char* from, const char* to) {
    return Os.MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != FALSE;
}

bool RemoveFile(const char* name) { return Os.DeleteFileA(name) != FALSE; }
