#include "platform/create_beneath.h"

// The stand-in itself resolves a name opened with FILE_FLAG_OPEN_REPARSE_POINT
// beneath the current folder, one folder at a time.
HANDLE CreateFileBeneath(LPCSTR name, DWORD disposition) {
    return Os.CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                          disposition, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                          nullptr);
}
