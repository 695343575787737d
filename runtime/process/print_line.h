// Console output: whole lines ending in CR LF, each flushed at once.
#pragma once

// Takes the standard output handle that every later line goes to.
void AttachConsole();

// Writes text (absent counts as empty) and CR LF to standard output. A line
// for which no scratch memory can be had is dropped.
void PrintLine(const char* text);

// PrintLine for a program whose output is its result (a listing): whether
// the whole line went out.
bool PrintLineWhole(const char* text);

// The same for the error stream, whose handle is taken at each call: only a
// program's last words go there, and a program that never fails never asks
// for it.
void PrintErrorLine(const char* text);
