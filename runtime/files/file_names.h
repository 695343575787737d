// Operations on files by name rather than by handle.
#pragma once

// Puts the file `from` in the place of `to` in one step, replacing whatever
// was there; whether it worked. Once it has, the move is on the disk. A
// console event waits until it has ended (it runs inside the gate).
bool MoveFileOver(const char* from, const char* to);

// How ReplaceFileWith left the two files: `from` in the place of `to`; both
// as they were; or `to` gone while `from` still has its own name, which
// Windows leaves when it can take the old file away but not rename the new.
enum class Replaced { Done, NotDone, OldGone };

// Puts the file `from` in the place of the existing file `to`, which hands
// on its attributes and security (on POSIX `from` took its owner, group and
// permission bits when it was made from `to` as a template); where the
// system will not replace, a plain move does what it can. Once it is done,
// it is on the disk. A console event waits until it has ended.
Replaced ReplaceFileWith(const char* to, const char* from);

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
