#include "pack/entry_table.h"

#include <algorithm>
#include <cstring>

#include "runtime/memory/memory.h"

bool AddEntry(EntryTable* table, const char* name) {
    if (table->count == table->capacity) {
        int32_t capacity = table->capacity == 0 ? 64 : table->capacity * 2;
        int64_t bytes = static_cast<int64_t>(capacity) * static_cast<int64_t>(sizeof(EntryRecord));
        if (bytes > INT32_MAX) return false;
        EntryRecord* grown = static_cast<EntryRecord*>(AllocateBlock(static_cast<int32_t>(bytes)));
        if (!grown) return false;
        if (table->records) {
            std::memcpy(grown, table->records, sizeof(EntryRecord) * table->count);
            FreeBlock(table->records);
        }
        table->records = grown;
        table->capacity = capacity;
    }
    EntryRecord* record = &table->records[table->count++];
    std::memset(record, 0, sizeof *record);
    std::strncpy(record->name, name, NameFieldSize);
    char file[FileNameSize];
    MakeFileName(record->name, file);
    ReduceFileName(file, WindowsPaths, record->file);
    return true;
}

void FreeEntryTable(EntryTable* table) {
    if (table->records) FreeBlock(table->records);
    *table = EntryTable{nullptr, 0, 0};
}

bool FindSameFile(const EntryTable& table, int32_t* first, int32_t* second, bool* outOfMemory) {
    *outOfMemory = false;
    if (table.count < 2) return false;
    // Sorted by folded name, then by place: equal names end up side by side,
    // the earlier entry first. Quadratic comparison would not do for banks
    // of many thousand entries.
    int32_t* order = static_cast<int32_t*>(
        AllocateBlock(static_cast<int32_t>(sizeof(int32_t)) * table.count));
    if (!order) {
        *outOfMemory = true;
        return false;
    }
    for (int32_t i = 0; i < table.count; ++i) order[i] = i;
    std::sort(order, order + table.count, [&](int32_t a, int32_t b) {
        int c = std::strcmp(table.records[a].file, table.records[b].file);
        return c != 0 ? c < 0 : a < b;
    });
    bool found = false;
    for (int32_t i = 1; i < table.count; ++i) {
        if (std::strcmp(table.records[order[i - 1]].file, table.records[order[i]].file) != 0)
            continue;
        // Of all such pairs, the one whose later entry comes first in the bank.
        if (!found || order[i] < *second) {
            *first = order[i - 1];
            *second = order[i];
            found = true;
        }
    }
    FreeBlock(order);
    return found;
}
