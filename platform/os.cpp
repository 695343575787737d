#include "platform/os.h"

namespace {

// Each entry is set by its name, so two calls of the same type cannot trade
// places unnoticed.
constexpr OsApi NativeTable() {
    OsApi table{};
#define LSD2WAV_OS_ENTRY(name) table.name = &NativeOs::name;
    LSD2WAV_OS_CALLS(LSD2WAV_OS_ENTRY)
#undef LSD2WAV_OS_ENTRY
    return table;
}

}  // namespace

const OsApi RealOs = NativeTable();

OsApi Os = RealOs;
