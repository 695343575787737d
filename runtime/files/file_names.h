// Operations on files by name rather than by handle.
#pragma once

// Puts the file `from` in the place of `to` in one step, replacing whatever
// was there; whether it worked.
bool MoveFileOver(const char* from, const char* to);

// Deletes the file; whether it went.
bool RemoveFile(const char* name);

// What a name stands for, without following a link at its end.
enum class FileKind { Missing, Regular, ReadOnly, Directory, Link, Other };
FileKind KindOfFile(const char* name);

// Why this thread's last file operation failed, as far as the user can act
// on it.
enum class SystemReason { Unknown, NoSuchFile, PermissionDenied, WriteProtected, InUse, DiskFull,
                          Exists };
SystemReason LastSystemReason();
