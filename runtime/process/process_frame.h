// The frame around the extraction: start-up, the end routine that closes
// every file, the console close event, and shut-down.
#pragma once

#include "platform/os.h"

// Prepares memory, files and the console, and registers the close handler.
void StartUp();

// Closes every open file, oldest first. Runs at most once per start-up,
// whether shut-down or the close event asks.
void EndRoutine();

// Runs the end routine for the console close event; never handles an event,
// so the system's default action, ending the process, always follows.
BOOL WINAPI ConsoleCloseHandler(DWORD event);

// The end of a run: the end routine, then the memory released. The process
// goes on, so a host that keeps it (the page) can start another run.
void EndRun();

// The end of a run, then the process ends with `exitCode`.
void ShutDown(UINT exitCode = 0);
