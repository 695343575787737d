#include "pack/bank_file.h"

#include <charconv>

#include "pack/entry_name.h"
#include "pack/pack_texts.h"
#include "pack/text_format.h"
#include "pack/wav_reader.h"
#include "runtime/files/file_names.h"
#include "runtime/memory/memory.h"
#include "runtime/process/print_line.h"
#include "runtime/process/removal_on_event.h"

namespace {

// More runs than this on one BANK at once are a mistake, not a need.
constexpr int32_t TemporaryTries = 100;

}  // namespace

bool CheckBank(const char* bankPath, BankUse use, FileHandle** existing, PackFailure* failure) {
    *existing = nullptr;
    if (HasWavEnding(bankPath))
        return Fail(failure, bankPath, use == BankUse::Pack ? BankEndsInWav : BankToReadEndsInWav);
    bool writing = use != BankUse::List;
    switch (KindOfFile(bankPath)) {
        case FileKind::Missing:
            if (use == BankUse::Pack || use == BankUse::Replace) return true;
            break;
        case FileKind::Directory:
            return Fail(failure, bankPath, BankIsFolder);
        case FileKind::Link:
            if (writing) return Fail(failure, bankPath, BankIsLink);
            break;
        case FileKind::Other:
            return Fail(failure, bankPath, BankIsOther);
        case FileKind::ReadOnly:
            // Not to be packed over anyway: that it is there says more.
            if (writing && use != BankUse::Pack) return Fail(failure, bankPath, BankReadOnly);
            break;
        case FileKind::Regular:
            break;
    }
    // One open for the look and for every read after it: whatever replaces
    // BANK meanwhile, the file looked at is the file read.
    FileHandle* bank = OpenForReading(bankPath);
    if (!bank) return Fail(failure, bankPath, CannotOpenBank, SystemReasonText());
    const char* refusal = nullptr;
    if (ReadRiffWaveHeader(bank)) {
        refusal = BankIsWav;
    } else if (use == BankUse::Pack) {
        refusal = BankExists;
    } else if (writing && IdentityOf(bank).names > 1) {
        refusal = BankHasTwoNames;
    }
    if (refusal || !RewindFile(bank)) {
        CloseFile(bank);
        return refusal ? Fail(failure, bankPath, refusal)
                       : Fail(failure, bankPath, CannotReadBank, SystemReasonText());
    }
    *existing = bank;
    return true;
}

bool BeginReplacement(const char* bankPath, FileHandle* like, Replacement* replacement,
                      PackFailure* failure) {
    replacement->file = nullptr;
    replacement->temporaryPath = nullptr;
    replacement->replacing = like != nullptr;
    replacement->ownerWas[0] = '\0';
    for (int32_t attempt = 1; attempt <= TemporaryTries; ++attempt) {
        char number[DecimalTextSize] = "";
        if (attempt > 1) *std::to_chars(number, number + sizeof number - 1, attempt).ptr = '\0';
        char* path = JoinText(bankPath, TemporarySuffix, number);
        if (!path) return Fail(failure, bankPath, OutOfMemory);
        FileHandle* file = CreateNewForWriting(path, like);
        if (file) {
            replacement->file = file;
            replacement->temporaryPath = path;
            RemoveOnEvent(path, file);
            // Told once the bank is replaced, when it matters.
            if (like)
                KeepsOwner(file, like, replacement->ownerWas, replacement->ownerNow, OwnerTextSize);
            return true;
        }
        // Another run's temporary file, or one left by a run that was killed.
        bool taken = LastSystemReason() == SystemReason::Exists;
        FreeText(path);
        if (!taken) return Fail(failure, bankPath, CannotCreateTemporary, SystemReasonText());
    }
    return Fail(failure, bankPath, CannotCreateTemporary, TemporariesLeft);
}

// Puts the closed new bank in BANK's place; whether it is there, and
// whether the old bank has gone all the same.
bool PutInPlace(const char* bankPath, const Replacement& replacement, bool* oldGone,
                PackFailure* failure) {
    const char* temporary = replacement.temporaryPath;
    Replaced put;
    if (replacement.replacing) {
        put = ReplaceFileWith(bankPath, temporary);
    } else {
        put = MoveFileOver(temporary, bankPath) ? Replaced::Done : Replaced::NotDone;
    }
    *oldGone = put == Replaced::OldGone;
    if (put == Replaced::Done) return true;
    if (put == Replaced::NotDone)
        return Fail(failure, bankPath, CannotReplaceBank, SystemReasonText());
    LineText where = {};
    AppendText(&where, OldBankGone);
    AppendText(&where, temporary);
    return Fail(failure, bankPath, CannotReplaceBank, where.text);
}

bool FinishReplacement(const char* bankPath, Replacement* replacement, bool written,
                       PackFailure* failure) {
    bool ok = written;
    if (ok && !CommitFile(replacement->file))
        ok = Fail(failure, bankPath, CannotWriteBank, SystemReasonText());
    if (!CloseFile(replacement->file) && ok)
        ok = Fail(failure, bankPath, CannotWriteBank, SystemReasonText());
    bool oldGone = false;
    if (ok) {
        ok = PutInPlace(bankPath, *replacement, &oldGone, failure);
        // Still inside the gate, where the move was made: an event from now
        // on finds the run done, or the new bank's one copy left alone.
        if (ok) DoneOnEvent();
        if (oldGone) KeepOnEvent();
    }
    // The new bank under its temporary name is all there is of the bank then.
    if (!ok && !oldGone && !RemoveFile(replacement->temporaryPath)) {
        PackFailure left = {};
        Fail(&left, replacement->temporaryPath, TemporaryLeft, SystemReasonText());
        PrintFailure(left);
    }
    if (ok && replacement->ownerWas[0] != '\0') {
        LineText line = {};
        const char* parts[] = {RefusalPrefix,         bankPath, RefusalSeparator, OwnerNotKept,
                               replacement->ownerWas, OwnerNow, replacement->ownerNow};
        for (const char* part : parts) AppendText(&line, part);
        PrintErrorLine(line.text);
    }
    KeepOnEvent();
    FreeText(replacement->temporaryPath);
    replacement->file = nullptr;
    replacement->temporaryPath = nullptr;
    return ok;
}
