// The file calls of the OS table over the page's folder (file_store.h): the
// same answers that the POSIX stand-in gives over a real folder, for the
// calls and arguments that the runtime makes. Standard output and the error
// stream stay descriptors, written as on POSIX.
#include <errno.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "platform/posix/fd_handle.h"
#include "platform/web/file_store_node.h"

namespace {

// An open file: its bytes, where it stands, and whether it may be written.
struct OpenFile {
    FileNode file;
    int64_t position;
    bool writes;
};

// Handles of the folder's files start far above any descriptor, so that
// one is never taken for the other.
constexpr intptr_t FirstHandle = 0x10000000;

std::vector<OpenFile>& OpenFiles() {
    static std::vector<OpenFile> open;
    return open;
}

DWORD lastError = 0;

template <typename T>
T Failed(DWORD error, T result) {
    lastError = error;
    return result;
}

OpenFile* OpenFileOf(HANDLE handle) {
    intptr_t slot = reinterpret_cast<intptr_t>(handle) - FirstHandle;
    std::vector<OpenFile>& open = OpenFiles();
    if (slot < 0 || slot >= static_cast<intptr_t>(open.size())) return nullptr;
    OpenFile* file = &open[static_cast<size_t>(slot)];
    return file->file ? file : nullptr;
}

HANDLE HandleFor(FileNode file, bool writes) {
    std::vector<OpenFile>& open = OpenFiles();
    size_t slot = 0;
    while (slot < open.size() && open[slot].file) ++slot;
    if (slot == open.size()) open.push_back({});
    open[slot] = {std::move(file), 0, writes};
    return reinterpret_cast<HANDLE>(FirstHandle + static_cast<intptr_t>(slot));
}

// A descriptor's own calls, for standard output and the error stream.
int ConsoleFd(HANDLE handle) {
    int fd = FdOfHandle(handle);
    return fd == STDOUT_FILENO || fd == STDERR_FILENO ? fd : -1;
}

bool Found(LPCSTR name, NameLookup* found) {
    if (name == nullptr) return Failed(ERROR_PATH_NOT_FOUND, false);
    *found = LookUpName(name, std::strlen(name));
    return found->error == 0 || Failed(found->error, false);
}

}  // namespace

namespace PosixOs {

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD, LPSECURITY_ATTRIBUTES security,
                   DWORD disposition, DWORD, HANDLE) {
    NameLookup found;
    if (security != nullptr) return Failed(ERROR_GEN_FAILURE, INVALID_HANDLE_VALUE);
    if (!Found(name, &found)) return INVALID_HANDLE_VALUE;
    bool writes = (access & GENERIC_WRITE) != 0;
    auto& files = StoredFiles();
    auto at = files.find(found.key);
    bool there = at != files.end();
    if (disposition == CREATE_NEW && there) return Failed(ERROR_FILE_EXISTS, INVALID_HANDLE_VALUE);
    if (disposition == OPEN_EXISTING && !there)
        return Failed(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
    if (disposition != OPEN_EXISTING && !writes)
        return Failed(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
    FileNode file;
    if (there && disposition != CREATE_ALWAYS) {
        file = at->second;
    } else {
        file = NewStoredFile();
        if (!file) return Failed(ERROR_DISK_FULL, INVALID_HANDLE_VALUE);
        files[found.key] = file;
    }
    return HandleFor(file, writes);
}

BOOL ReadFile(HANDLE handle, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED overlapped) {
    if (read != nullptr) *read = 0;
    OpenFile* open = OpenFileOf(handle);
    if (!open || overlapped != nullptr) return Failed(ERROR_GEN_FAILURE, FALSE);
    const StoredFile& file = *open->file;
    // What went to a sink is the page's, not the file's.
    int64_t left = file.size > open->position && !file.sink ? file.size - open->position : 0;
    DWORD n = static_cast<DWORD>(std::min<int64_t>(left, toRead));
    auto* to = static_cast<unsigned char*>(buffer);
    if (n > 0 && file.outside) {
        if (!ReadOutside(file, open->position, to, n)) return Failed(ERROR_GEN_FAILURE, FALSE);
    } else if (n > 0) {
        std::memcpy(to, file.bytes + open->position, n);
    }
    open->position += n;
    if (read != nullptr) *read = n;
    return TRUE;
}

BOOL WriteFile(HANDLE handle, LPCVOID buffer, DWORD toWrite, LPDWORD written,
               LPOVERLAPPED overlapped) {
    if (written != nullptr) *written = 0;
    if (overlapped != nullptr) return Failed(ERROR_GEN_FAILURE, FALSE);
    int fd = ConsoleFd(handle);
    if (fd >= 0) {
        DWORD done = 0;
        while (done < toWrite) {
            ssize_t n = ::write(fd, static_cast<const char*>(buffer) + done, toWrite - done);
            if (n <= 0) return Failed(ERROR_BROKEN_PIPE, FALSE);
            done += static_cast<DWORD>(n);
        }
        if (written != nullptr) *written = done;
        return TRUE;
    }
    OpenFile* open = OpenFileOf(handle);
    if (!open || !open->writes || open->file->outside) return Failed(ERROR_ACCESS_DENIED, FALSE);
    StoredFile* file = open->file.get();
    int64_t end = open->position + toWrite;
    // A sink takes its bytes in order, as they come.
    if (file->sink) {
        if (open->position != file->size) return Failed(ERROR_GEN_FAILURE, FALSE);
        DWORD done = 0;
        while (done < toWrite) {
            int32_t step = static_cast<int32_t>(std::min<DWORD>(toWrite - done, 1u << 30));
            int32_t took = WriteSink(*file, static_cast<const unsigned char*>(buffer) + done, step);
            if (took <= 0) break;
            done += static_cast<DWORD>(took);
        }
        open->position += done;
        file->size = open->position;
        if (written != nullptr) *written = done;
        return done == toWrite ? TRUE : Failed(ERROR_DISK_FULL, FALSE);
    }
    // The engine's memory is the disk here: when it cannot grow, the disk is full.
    if (end > static_cast<int64_t>(SIZE_MAX) || !Reserve(file, static_cast<size_t>(end)))
        return Failed(ERROR_DISK_FULL, FALSE);
    // A write past the end leaves zeros in the gap, as a file system does.
    if (open->position > file->size)
        std::memset(file->bytes + file->size, 0, static_cast<size_t>(open->position - file->size));
    if (toWrite > 0) std::memcpy(file->bytes + open->position, buffer, toWrite);
    file->size = std::max(file->size, end);
    open->position = end;
    if (written != nullptr) *written = toWrite;
    return TRUE;
}

DWORD SetFilePointer(HANDLE handle, LONG distance, PLONG distanceHigh, DWORD method) {
    OpenFile* open = OpenFileOf(handle);
    if (!open) return Failed(ERROR_GEN_FAILURE, INVALID_SET_FILE_POINTER);
    int64_t move = distance;
    if (distanceHigh != nullptr)
        move = static_cast<int64_t>(static_cast<uint64_t>(static_cast<uint32_t>(*distanceHigh))
                                        << 32 |
                                    static_cast<uint32_t>(distance));
    int64_t from = method == FILE_BEGIN     ? 0
                   : method == FILE_CURRENT ? open->position
                   : method == FILE_END     ? open->file->size
                                            : -1;
    int64_t position = from + move;
    // Without a high half the caller can only take a 32-bit answer.
    if (from < 0 || position < 0 ||
        (distanceHigh == nullptr && position > static_cast<int64_t>(UINT32_MAX)))
        return Failed(ERROR_GEN_FAILURE, INVALID_SET_FILE_POINTER);
    open->position = position;
    if (distanceHigh != nullptr) *distanceHigh = static_cast<LONG>(position >> 32);
    return static_cast<DWORD>(position);
}

BOOL CloseHandle(HANDLE handle) {
    OpenFile* open = OpenFileOf(handle);
    if (!open) return Failed(ERROR_GEN_FAILURE, FALSE);
    *open = OpenFile{};
    return TRUE;
}

// The engine's memory keeps nothing back to push through.
BOOL FlushFileBuffers(HANDLE handle) {
    return ConsoleFd(handle) >= 0 || OpenFileOf(handle) ? TRUE : Failed(ERROR_GEN_FAILURE, FALSE);
}

BOOL MoveFileExA(LPCSTR existing, LPCSTR replacement, DWORD flags) {
    NameLookup from, to;
    if ((flags & MOVEFILE_REPLACE_EXISTING) == 0) return Failed(ERROR_GEN_FAILURE, FALSE);
    if (!Found(existing, &from) || !Found(replacement, &to)) return FALSE;
    auto& files = StoredFiles();
    auto at = files.find(from.key);
    if (at == files.end()) return Failed(ERROR_FILE_NOT_FOUND, FALSE);
    FileNode file = at->second;
    files.erase(at);
    files[to.key] = file;
    return TRUE;
}

BOOL ReplaceFileA(LPCSTR replaced, LPCSTR replacement, LPCSTR backup, DWORD, LPVOID, LPVOID) {
    NameLookup old;
    if (backup != nullptr) return Failed(ERROR_GEN_FAILURE, FALSE);
    if (!Found(replaced, &old)) return FALSE;
    if (StoredFiles().count(old.key) == 0) return Failed(ERROR_FILE_NOT_FOUND, FALSE);
    return MoveFileExA(replacement, replaced, MOVEFILE_REPLACE_EXISTING);
}

BOOL DeleteFileA(LPCSTR name) {
    NameLookup found;
    if (!Found(name, &found)) return FALSE;
    return StoredFiles().erase(found.key) > 0 ? TRUE : Failed(ERROR_FILE_NOT_FOUND, FALSE);
}

DWORD GetFileAttributesA(LPCSTR name) {
    NameLookup found;
    if (!Found(name, &found)) return INVALID_FILE_ATTRIBUTES;
    if (StoredFiles().count(found.key) == 0)
        return Failed(ERROR_FILE_NOT_FOUND, INVALID_FILE_ATTRIBUTES);
    return FILE_ATTRIBUTE_NORMAL;
}

// The folder's files have no attributes but being files; the archive mark,
// which nothing here reads, is taken.
BOOL SetFileAttributesA(LPCSTR name, DWORD attributes) {
    if (GetFileAttributesA(name) == INVALID_FILE_ATTRIBUTES) return FALSE;
    if ((attributes & ~(FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_ARCHIVE)) != 0)
        return Failed(ERROR_ACCESS_DENIED, FALSE);
    return TRUE;
}

BOOL GetFileInformationByHandle(HANDLE handle, LPBY_HANDLE_FILE_INFORMATION info) {
    OpenFile* open = OpenFileOf(handle);
    if (!open || info == nullptr) return Failed(ERROR_GEN_FAILURE, FALSE);
    *info = BY_HANDLE_FILE_INFORMATION{};
    info->dwFileAttributes = FILE_ATTRIBUTE_NORMAL;
    info->nNumberOfLinks = 1;
    uint64_t size = open->file->size;
    info->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    info->nFileSizeLow = static_cast<DWORD>(size);
    info->dwVolumeSerialNumber = 1;
    info->nFileIndexLow = open->file->index;
    return TRUE;
}

BOOL SetEndOfFile(HANDLE handle) {
    OpenFile* open = OpenFileOf(handle);
    if (!open || !open->writes || open->file->outside) return Failed(ERROR_ACCESS_DENIED, FALSE);
    StoredFile* file = open->file.get();
    int64_t end = open->position;
    if (file->sink) return end == file->size ? TRUE : Failed(ERROR_ACCESS_DENIED, FALSE);
    if (end > static_cast<int64_t>(SIZE_MAX) || !Reserve(file, static_cast<size_t>(end)))
        return Failed(ERROR_DISK_FULL, FALSE);
    if (end > file->size) std::memset(file->bytes + file->size, 0, static_cast<size_t>(end - file->size));
    file->size = end;
    return TRUE;
}

DWORD GetLastError() { return lastError; }

}  // namespace PosixOs
