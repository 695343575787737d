#include "runtime/process/print_line.h"

#include <cstring>

#include "platform/os.h"
#include "platform/line_end.h"
#include "runtime/gate/gate.h"
#include "runtime/memory/memory.h"

namespace {

HANDLE standardOutput;
// Lines end as text does on this platform: CR LF on Windows, where the
// console and Notepad expect it, LF on POSIX, where grep and sed do.
constexpr const char* lineEnd = NativeLineEnd;
// The last failed write went to a pipe whose reader had gone.
bool readerGone;

// Whether the whole line went out.
bool WriteLine(HANDLE stream, const char* text) {
    size_t textLength = text ? std::strlen(text) : 0;
    size_t endLength = std::strlen(lineEnd);
    DWORD length = static_cast<DWORD>(textLength + endLength);
    auto* line = static_cast<char*>(Os.HeapAlloc(GeneralMemory(), 0, length + 1));
    if (!line) return false;
    if (textLength) std::memcpy(line, text, textLength);
    std::memcpy(line + textLength, lineEnd, endLength + 1);

    // A full pipe can hold this thread here; the close event must still be
    // able to close the files meanwhile.
    DWORD written = OutsideGate(nullptr, [&] {
        DWORD done = 0;
        if (!Os.WriteConsoleA(stream, line, length, &done, nullptr)) {
            done = 0;
            if (!Os.WriteFile(stream, line, length, &done, nullptr)) {
                DWORD error = Os.GetLastError();
                // Windows names a reader that has gone in three ways: the
                // pipe is broken, being closed, or (Wine) no longer connected.
                readerGone = error == ERROR_BROKEN_PIPE || error == ERROR_NO_DATA ||
                             error == ERROR_PIPE_NOT_CONNECTED;
                done = 0;
            }
        }
        Os.FlushFileBuffers(stream);
        return done;
    });

    Os.HeapFree(GeneralMemory(), 0, line);
    return written == length;
}

}  // namespace

void TakeStandardOutput() { standardOutput = Os.GetStdHandle(STD_OUTPUT_HANDLE); }

void PrintLine(const char* text) { WriteLine(standardOutput, text); }

bool PrintResultLine(const char* text) { return WriteLine(standardOutput, text); }

bool StandardOutputClosed() { return readerGone; }

void PrintErrorLine(const char* text) { WriteLine(Os.GetStdHandle(STD_ERROR_HANDLE), text); }
