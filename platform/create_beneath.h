// Opening an output file so that no other process can lead the open outside
// the current folder while it is made.
#pragma once

#include "platform/os.h"

// Opens `name`, a path relative to the current folder, for reading and
// writing: a new file with CREATE_NEW, one that is there with OPEN_EXISTING,
// which never empties it. No link is followed, on the way or at the end, and
// no folder on the way can be swapped for a link while the open is made; an
// existing FIFO or device is opened without waiting, for the caller to look
// at. INVALID_HANDLE_VALUE when it cannot, with the reason for GetLastError.
// Makes its OS calls through `Os`.
HANDLE CreateFileBeneath(LPCSTR name, DWORD disposition);
