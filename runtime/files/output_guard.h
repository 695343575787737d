// The check before an output file is created: the program writes only into
// its own folder and never onto the bank it reads.
#pragma once

struct FileHandle;

// Whether the relative `name` may be created for writing: neither the file
// nor any existing folder along its path is a symbolic link (on Windows a
// reparse point, which junctions are too), and the file, if there is one, is
// not the file that `source` reads, by whatever name (a hard link is the same
// file). When an existing file's identity cannot be learnt, the answer is no.
// Nothing on the disk changes.
bool MayCreateOutput(const char* name, FileHandle* source);
