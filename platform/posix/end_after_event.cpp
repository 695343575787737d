#include "platform/end_after_event.h"

#include <unistd.h>

// The stand-in raises the signal again once the handler has returned.
void EndAfterEvent() {}

void EndDoneAfterEvent() { _exit(0); }
