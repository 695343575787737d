// A run that writes (a new bank, say) must not look finished when a console
// event (Ctrl+C, the console's close, a shutdown) ends it, nor leave a half
// made file behind, such as the new bank under its temporary name.
#pragma once

struct FileHandle;

// From now on an event closes every file, removes the file that
// RemoveOnEvent names, if any, and ends the process with a code that says
// the run did not finish: on Windows STATUS_CONTROL_C_EXIT, on POSIX the
// signal's own end. For the whole of a run that writes, so that no event
// ends it with success, whatever step it comes in.
void EndRunOnEvent();

// Also removes `path` on an event, from now on; `writer`, the file's own
// handle, is waited for when the event comes in the middle of a write to
// it, as Windows removes no file that is open. The path must stay valid
// until KeepOnEvent.
void RemoveOnEvent(const char* path, FileHandle* writer);

// The file is done with (removed, or left as all there is of the new
// bank): an event leaves it alone, and still ends the run as unfinished.
void KeepOnEvent();

// The file has taken the place it was made for, and with that the run has
// done its work: an event from now on leaves it alone and ends the process at
// once with exit code 0, whatever lines were still to be printed. To be
// called inside the gate, right after the move, so that no event comes
// between the two.
void DoneOnEvent();
