// Operations on files by name rather than by handle.
#pragma once

// Puts the file `from` in the place of `to` in one step, replacing whatever
// was there; whether it worked.
bool MoveFileOver(const char* from, const char* to);

// Deletes the file; whether it went.
bool RemoveFile(const char* name);
