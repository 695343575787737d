// Console output: whole lines ending as this platform's text does (CR LF on
// Windows, LF on POSIX), each flushed at once.
#pragma once

// Takes the standard output handle that every later line goes to.
void TakeStandardOutput();

// Writes text (absent counts as empty) and the line end to standard output. A line
// for which no scratch memory can be had is dropped.
void PrintLine(const char* text);

// PrintLine for a program whose output is its result (a listing): whether
// the whole line went out.
bool PrintResultLine(const char* text);

// Whether the last line that did not go out was lost because nobody reads
// standard output any more (a pipe whose reader has ended).
bool StandardOutputClosed();

// The same for the error stream, whose handle is taken at each call: only a
// program's last words go there, and a program that never fails never asks
// for it.
void PrintErrorLine(const char* text);
