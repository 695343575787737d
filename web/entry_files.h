// The page's folder as lsd2wav leaves it after extracting a bank that
// wav2lsd --update takes, without extracting it: each entry's WAV file is a
// view of the bank (its header, then the entry's samples where they lie),
// so that --update reads the bank through them and nothing is copied.
#pragma once

#include <cstdint>

// Puts the view of each entry's file of `bankName`, the page's own file
// number `outside` of `size` bytes, in the folder; the later of two entries
// of one file name wins, as it does in lsd2wav's folder. Runs inside a
// started run. A bank that --update refuses (an entry without samples, cut
// short, or named so that lsd2wav writes no file of it) may get fewer files
// than lsd2wav would leave: --update refuses it before it opens any.
void PutEntryFiles(const char* bankName, int32_t outside, int64_t size);
