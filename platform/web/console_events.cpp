// Console events in a page: there is no console and no signal, so no event
// ever arrives and no thread waits for one. A handler is accepted, as on
// Windows, and never called.
#include "platform/posix/windows_types.h"

namespace PosixOs {

BOOL SetConsoleCtrlHandler(PHANDLER_ROUTINE handler, BOOL) { return handler != nullptr; }

}  // namespace PosixOs
