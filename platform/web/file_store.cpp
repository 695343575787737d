#include "platform/web/file_store.h"

#include <emscripten/emscripten.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <new>

#include "platform/web/file_store_node.h"

StoredFile::~StoredFile() { std::free(bytes); }

std::map<std::string, FileNode>& StoredFiles() {
    static std::map<std::string, FileNode> files;
    return files;
}

FileNode NewStoredFile() {
    static uint32_t made = 0;
    FileNode file(new (std::nothrow) StoredFile);
    if (file) file->index = ++made;
    return file;
}

// The page's reader of its own files: in the worker that runs the engine, a
// slice of the file read at once, so nothing but the asked-for bytes is read.
EM_JS(int32_t, ReadPageFile, (int32_t file, double at, unsigned char* to, int32_t n), {
    return Module['readPageFile'](file, at, to, n);
});

bool ReadOutside(const StoredFile& file, int64_t at, unsigned char* to, int64_t n) {
    int64_t prefix = static_cast<int64_t>(file.prefix.size());
    if (at < prefix) {
        int64_t part = std::min(n, prefix - at);
        std::memcpy(to, file.prefix.data() + at, static_cast<size_t>(part));
        at += part;
        to += part;
        n -= part;
    }
    // The page reads at most 1 GiB at a time, as the stand-in does on POSIX.
    int64_t from = file.sliceAt + (at - prefix);
    while (n > 0 && from < file.outsideSize) {
        int32_t step = static_cast<int32_t>(std::min({n, file.outsideSize - from, int64_t{1} << 30}));
        int32_t got = ReadPageFile(file.outside, static_cast<double>(from), to, step);
        if (got <= 0) return false;
        from += got;
        to += got;
        n -= got;
    }
    std::memset(to, 0, static_cast<size_t>(n));
    return true;
}

EM_JS(int32_t, WritePageSink, (int32_t sink, const unsigned char* from, int32_t n), {
    return Module['writePageSink'](sink, from, n);
});

int32_t WriteSink(const StoredFile& file, const unsigned char* from, int32_t n) {
    return WritePageSink(file.sink, from, n);
}

bool Reserve(StoredFile* file, size_t size) {
    if (size <= file->capacity) return true;
    // Doubling: a bank written a piece at a time is copied at most twice.
    size_t capacity = file->capacity < 4096 ? 4096 : file->capacity;
    while (capacity < size) capacity = capacity > SIZE_MAX / 2 ? size : capacity * 2;
    auto* grown = static_cast<unsigned char*>(std::realloc(file->bytes, capacity));
    if (!grown) return false;
    file->bytes = grown;
    file->capacity = capacity;
    return true;
}

NameLookup LookUpName(const char* name, size_t length) {
    if (length == 0) return {"", ERROR_PATH_NOT_FOUND};
    if (name[0] == '/') return {"", ERROR_ACCESS_DENIED};
    std::string key;
    bool inFolder = false;
    size_t start = 0;
    for (size_t i = 0; i <= length; ++i) {
        if (i < length && name[i] != '/') continue;
        size_t elementLength = i - start;
        const char* element = name + start;
        start = i + 1;
        if (elementLength == 0 || (elementLength == 1 && element[0] == '.')) continue;
        if (elementLength == 2 && element[0] == '.' && element[1] == '.')
            return {"", ERROR_ACCESS_DENIED};
        // A second element means the first is a folder, and there are none.
        if (!key.empty()) inFolder = true;
        key.assign(element, elementLength);
    }
    if (inFolder) return {"", ERROR_PATH_NOT_FOUND};
    if (key.empty()) return {"", ERROR_ACCESS_DENIED};  // the folder itself
    return {key, 0};
}

bool StoreOutside(const char* name, size_t nameLength, int32_t outside, int64_t size) {
    return StoreSlice(name, nameLength, outside, size, {}, 0, size);
}

bool StoreSlice(const char* name, size_t nameLength, int32_t outside, int64_t outsideSize,
                const std::string& prefix, int64_t sliceAt, int64_t sliceLength) {
    NameLookup found = LookUpName(name, nameLength);
    FileNode file = found.error ? nullptr : NewStoredFile();
    if (!file) return false;
    file->outside = outside;
    file->outsideSize = outsideSize;
    file->prefix = prefix;
    file->sliceAt = sliceAt;
    file->size = static_cast<int64_t>(prefix.size()) + sliceLength;
    StoredFiles()[found.key] = file;
    return true;
}

bool StoreSink(const char* name, size_t nameLength, int32_t sink) {
    NameLookup found = LookUpName(name, nameLength);
    FileNode file = found.error ? nullptr : NewStoredFile();
    if (!file) return false;
    file->sink = sink;
    StoredFiles()[found.key] = file;
    return true;
}

bool StoreRename(const char* from, size_t fromLength, const char* to, size_t toLength) {
    NameLookup old = LookUpName(from, fromLength), now = LookUpName(to, toLength);
    auto& files = StoredFiles();
    auto at = old.error || now.error ? files.end() : files.find(old.key);
    if (at == files.end()) return false;
    FileNode file = at->second;
    files.erase(at);
    files[now.key] = file;
    return true;
}

const unsigned char* StoreView(const char* name, size_t nameLength, size_t* size) {
    NameLookup found = LookUpName(name, nameLength);
    auto at = found.error ? StoredFiles().end() : StoredFiles().find(found.key);
    if (at == StoredFiles().end() || at->second->outside) return nullptr;
    *size = static_cast<size_t>(at->second->size);
    // A file of no bytes still has a place to point to.
    return at->second->bytes ? at->second->bytes : reinterpret_cast<const unsigned char*>("");
}

bool StoreRemove(const char* name, size_t nameLength) {
    NameLookup found = LookUpName(name, nameLength);
    return !found.error && StoredFiles().erase(found.key) > 0;
}

void StoreClear() { StoredFiles().clear(); }

void StoreKeepOnly(const char* name, size_t nameLength) {
    NameLookup kept = LookUpName(name, nameLength);
    auto& files = StoredFiles();
    for (auto at = files.begin(); at != files.end();) at = at->first == kept.key ? std::next(at) : files.erase(at);
}
