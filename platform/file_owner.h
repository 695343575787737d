// Who owns a file, for the one case where the runtime must tell: a file made
// to replace another, from it as a template, may not be able to take its
// owner and group, and whoever uses the old file may then be locked out.
#pragma once

#include <cstddef>

#include "platform/os.h"

// Whether the file open as `made` has the owner and group of the file open
// as `like`; when not, `was` and `now` (`size` bytes each) name them as
// "owner:group". On Windows the replacement takes the replaced file's
// owner and security when it is put in its place (ReplaceFileA), so there
// the answer is always yes.
bool SameOwnerAndGroup(HANDLE made, HANDLE like, char* was, char* now, size_t size);
