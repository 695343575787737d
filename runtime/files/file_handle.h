// Open files. Callers hold a `FileHandle` as an opaque value; 0 (nullptr)
// stands for no file. Each handle is kept in the file registry from its open
// to its `CloseFile`.
#pragma once

#include <cstdint>

struct FileHandle;

// Who a file is, whatever name it is reached by: two names of one file (hard
// links) give the same identity.
struct FileIdentity {
    bool known;
    uint32_t volume;
    uint32_t indexHigh;
    uint32_t indexLow;
    uint32_t names;  // how many names (hard links) the file has
};
// Unknown when the system does not tell.
FileIdentity IdentityOf(FileHandle* h);

FileHandle* OpenForReading(const char* name);
// Creates the relative `name` beneath the current folder, or empties the
// file of that name that is there, through the handle it is then written
// with. Nothing outside the folder is reached, whatever another process does
// meanwhile: no link is followed, on the way or at the end. An existing file
// is taken only when it is an ordinary file with no other name and not
// `never` (none: no file to keep from; one whose identity is unknown keeps
// every existing file from being taken). Anything else is left as it is and
// the create fails.
FileHandle* CreateForWriting(const char* name, const FileIdentity* never);
// Creates a file that is not there yet, never one that is nor one through a
// link; it takes the attributes (on POSIX the permission bits, owner and
// group, as far as the system lets them be given) of the open file `like`
// when one is given.
FileHandle* CreateNewForWriting(const char* name, FileHandle* like);

// Whether `made` has the owner and group of `like`, which a file made from it
// as a template takes as far as the system lets it; when not, `was` and `now`
// (`size` bytes each) name them as "owner:group". On Windows the owner goes
// with ReplaceFileWith, so the answer there is always yes.
bool KeepsOwner(FileHandle* made, FileHandle* like, char* was, char* now, int32_t size);

int32_t ReadInt32(FileHandle* h);
int32_t ReadBlock(FileHandle* h, void* dst, int32_t n);
int32_t WriteInt32(FileHandle* h, int32_t value);
int32_t WriteBlock(FileHandle* h, const void* src, int32_t n);
int32_t AtEnd(FileHandle* h);
// Moves up to `n` bytes further in a file that is being read, without
// reading them, as far as the file goes: returns the bytes passed over,
// fewer than `n` at its end. For a regular file, whose size the system knows;
// a file that cannot tell it, or seek, is marked failed.
int32_t SkipBytes(FileHandle* h, int32_t n);
int64_t GetPosition(FileHandle* h);

// Whether a read or a write on the handle has failed since its open. The end
// of a file is no failure: AtEnd and short reads tell it apart only so.
bool HasFailed(FileHandle* h);

// Back to the start of the file, to read it again through the same handle;
// whether that worked.
bool RewindFile(FileHandle* h);

// Writes every waiting byte and has the OS put the file on the disk, so that
// a file renamed into place afterwards cannot come back empty after a crash.
// Whether both worked and no write on the handle ever failed.
bool CommitFile(FileHandle* h);

// Whether every read and write on the handle worked, every waiting byte
// reached the file and the OS closed it. The record is released either way.
bool CloseFile(FileHandle* h);

// Closes every open file with CloseFile, oldest first. A file that the main
// thread is using in an OS call at that moment is left alone.
void CloseAllFiles();
