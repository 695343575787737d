#include "platform/end_after_event.h"

void EndAfterEvent() { Os.ExitProcess(0xC000013A); }

void EndDoneAfterEvent() { Os.ExitProcess(0); }
