// A file that is only half made, such as a new bank being written under a
// temporary name, must not outlive the process when a console event (Ctrl+C,
// the console's close, a shutdown) ends it.
#pragma once

struct FileHandle;

// From now on an event closes every file and removes `path` before the
// process ends; `writer`, the file's own handle, is waited for when the
// event comes in the middle of a write to it, as Windows removes no file
// that is open. The path must stay valid until KeepOnEvent.
void RemoveOnEvent(const char* path, FileHandle* writer);

// The file is done with (renamed into place, or removed): an event leaves
// it alone.
void KeepOnEvent();
