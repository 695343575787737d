// What the stand-in has learned about a descriptor that it opened itself (or
// the standard output it handed out), so that it can answer a zero-distance
// move or a console test without asking the kernel again. Descriptors that
// came from elsewhere have no facts: their numbers may be reused behind the
// stand-in's back.
#pragma once

#include <cstdint>

struct FdFacts {
    bool adopted;
    bool knowsKind;      // terminal and flushable below were looked up
    bool terminal;
    bool flushable;      // a regular file or a block device
    bool knowsPosition;  // the last real move succeeded: the file can seek
    bool atStart;        // opened here and not read, written or moved since
    int64_t position;
};

// Fresh facts for a descriptor just opened or handed out.
void AdoptFd(int fd);
// Before the descriptor is closed.
void ForgetFd(int fd);
// The facts of an adopted descriptor, or none.
FdFacts* FactsOf(int fd);
// Looks up what kind of file the descriptor is, once.
void LearnKind(int fd, FdFacts* facts);
