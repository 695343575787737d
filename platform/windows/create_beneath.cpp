#include "platform/create_beneath.h"

#include <cstring>

#include "platform/path_conventions.h"

namespace {

constexpr DWORD ReadWrite = GENERIC_READ | GENERIC_WRITE;

// Opens a folder on the way as itself, never through a reparse point, and
// without FILE_SHARE_DELETE, so that nobody can rename or remove it, nor put
// a link in its place, while it is held. None unless it is an ordinary folder.
HANDLE HoldFolder(const char* path) {
    HANDLE folder = Os.CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                   nullptr);
    if (folder == INVALID_HANDLE_VALUE) return folder;
    BY_HANDLE_FILE_INFORMATION info;
    const DWORD kind = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    if (!Os.GetFileInformationByHandle(folder, &info) ||
        (info.dwFileAttributes & kind) != FILE_ATTRIBUTE_DIRECTORY) {
        Os.CloseHandle(folder);
        return INVALID_HANDLE_VALUE;
    }
    return folder;
}

// Whether `file` is an element of `folder` itself. Wine opens a Unix
// symbolic link as the file it points to, even when asked for the link, and
// shows that file's attributes; only the final path names where it is.
bool OpenedInFolder(HANDLE file, HANDLE folder) {
    char filePath[2 * MAX_PATH];
    char folderPath[2 * MAX_PATH];
    DWORD fileLength = Os.GetFinalPathNameByHandleA(file, filePath, sizeof filePath, 0);
    DWORD folderLength = Os.GetFinalPathNameByHandleA(folder, folderPath, sizeof folderPath, 0);
    if (fileLength == 0 || fileLength >= sizeof filePath || folderLength == 0 ||
        folderLength >= sizeof folderPath)
        return false;
    if (folderPath[folderLength - 1] == '\\') --folderLength;  // a drive's root
    return fileLength > folderLength + 1 &&
           std::memcmp(filePath, folderPath, folderLength) == 0 &&
           filePath[folderLength] == '\\' &&
           std::strchr(filePath + folderLength + 1, '\\') == nullptr;
}

bool IsHere(const char* element, const char* end) {
    return element == end || (end - element == 1 && *element == '.');
}

HANDLE OpenCurrentFolder() {
    return Os.CreateFileA(".", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

}  // namespace

// Each folder on the way is held, and so is the current folder once anything
// needs to be compared with it: every held folder and an existing file must
// be where their names say, one element below the folder before them.
HANDLE CreateFileBeneath(LPCSTR name, DWORD disposition) {
    char path[MAX_PATH];
    size_t length = std::strlen(name);
    if (length >= sizeof path) return INVALID_HANDLE_VALUE;
    std::memcpy(path, name, length + 1);
    // held[0] is the current folder, the user's choice, link or not.
    HANDLE held[MAX_PATH / 2 + 1];
    int count = 0;
    bool wayHeld = true;
    const char* element = path;
    for (char* p = path; wayHeld && *p != '\0'; ++p) {
        if (!IsSeparator(*p, WindowsPaths)) continue;
        if (!IsHere(element, p)) {
            if (count == 0) held[count++] = OpenCurrentFolder();
            char separator = *p;
            *p = '\0';
            HANDLE folder = held[0] == INVALID_HANDLE_VALUE ? held[0] : HoldFolder(path);
            *p = separator;
            if (folder != INVALID_HANDLE_VALUE) held[count++] = folder;
            wayHeld = folder != INVALID_HANDLE_VALUE && OpenedInFolder(folder, held[count - 2]);
        }
        element = p + 1;
    }
    HANDLE file = INVALID_HANDLE_VALUE;
    if (wayHeld) {
        file = Os.CreateFileA(name, ReadWrite, FILE_SHARE_READ, nullptr, disposition,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    }
    // A file made new cannot be a link; one that was there may be one that
    // Wine followed.
    if (file != INVALID_HANDLE_VALUE && disposition != CREATE_NEW) {
        if (count == 0) held[count++] = OpenCurrentFolder();
        if (held[count - 1] == INVALID_HANDLE_VALUE || !OpenedInFolder(file, held[count - 1])) {
            Os.CloseHandle(file);
            file = INVALID_HANDLE_VALUE;
        }
    }
    while (count > 0) {
        HANDLE folder = held[--count];
        if (folder != INVALID_HANDLE_VALUE) Os.CloseHandle(folder);
    }
    return file;
}
