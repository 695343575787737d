// BANK itself: the slips that would lose a file are refused before anything
// is written, and a new bank is written under a name of its own beside BANK
// and renamed over it only once it is complete and on the disk.
#pragma once

#include "pack/pack_failure.h"
#include "runtime/files/file_handle.h"

// Appended to BANK to name the file that becomes the bank; a run that finds
// that name taken adds a number to it.
constexpr const char* TemporarySuffix = ".wav2lsd-tmp";

// Pack makes a new bank; Replace packs over whatever bank is there.
enum class BankUse { Pack, Replace, Update, List };

// BANK as a command found it: its path, and the bank that is there, opened
// for reading at its start, or none.
struct BankFile {
    const char* path;
    FileHandle* existing;
};

// Refuses a BANK named like a WAV file, one that is a RIFF WAVE file, one
// that is a folder, a link or anything but a regular file, and, to write
// over, one that the system will not let be replaced or that has another
// name, which would go on holding the old bank. Pack refuses a BANK that is
// there; Update and List need it. Fills `bank` when it is not refused.
bool CheckBank(const char* bankPath, BankUse use, BankFile* bank, PackFailure* failure);

constexpr int32_t OwnerTextSize = 256;

struct Replacement {
    const char* bankPath;  // BANK, the name the new bank takes
    FileHandle* file;      // the new bank, being written
    char* temporaryPath;   // its name until it is renamed over BANK
    bool replacing;        // BANK was there, and hands on who may use it
    // The owner and group ("owner:group") that BANK had and that the new
    // bank could not take; ownerWas is empty when it took them.
    char ownerWas[OwnerTextSize];
    char ownerNow[OwnerTextSize];
};

// Creates the temporary file beside BANK, new and not through a link, with
// the permission bits, owner and group of the bank that is there, if any, as
// far as the system lets them be kept.
bool BeginReplacement(const BankFile& bank, Replacement* replacement, PackFailure* failure);

// With `written` true, commits, closes and renames the new bank over BANK,
// and says on the error stream when it could not keep BANK's owner and group;
// whatever fails, and whenever `written` is false, the temporary file goes,
// unless it is all that is left of the bank. Returns whether BANK is now
// the new bank.
bool FinishReplacement(Replacement* replacement, bool written, PackFailure* failure);
