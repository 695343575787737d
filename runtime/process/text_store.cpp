#include "runtime/process/text_store.h"

#include <cstring>

#include "platform/os.h"

namespace {

HANDLE store;

char* NewText(size_t length) {
    if (!store) return nullptr;
    auto* text = static_cast<char*>(Os.HeapAlloc(store, 0, length + 1));
    if (text) text[length] = '\0';
    return text;
}

}  // namespace

void PrepareTextStore() { store = Os.HeapCreate(0, 4096, 0); }

void ReleaseTextStore() {
    if (!store) return;
    Os.HeapDestroy(store);
    store = nullptr;
}

char* JoinText(const char* first, const char* second, const char* third) {
    size_t a = std::strlen(first);
    size_t b = std::strlen(second);
    size_t c = std::strlen(third);
    char* text = NewText(a + b + c);
    if (text) {
        std::memcpy(text, first, a);
        std::memcpy(text + a, second, b);
        std::memcpy(text + a + b, third, c);
    }
    return text;
}

void FreeText(char* text) {
    if (store && text) Os.HeapFree(store, 0, text);
}
