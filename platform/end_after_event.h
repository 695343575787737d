// How a process ends once a console event has been dealt with.
#pragma once

#include "platform/os.h"

// Ends the process as a console event ends it, with a code that says it did
// not finish: on Windows STATUS_CONTROL_C_EXIT, which Wine's own default
// action does not give (it ends with 0). On POSIX the signal itself ends the
// process once the handler returns, so this returns at once.
void EndAfterEvent();

// Ends the process at once with exit code 0, from the event's thread, for a
// run that had done its work when the event came. On POSIX with _exit, as
// the main thread may be running the exit handlers at the same time, which
// two threads must not do at once; on Windows with ExitProcess.
void EndDoneAfterEvent();
