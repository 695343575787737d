#include "pack/bank_file.h"

#include <charconv>

#include "pack/entry_name.h"
#include "pack/wav_reader.h"
#include "runtime/files/file_names.h"
#include "runtime/memory/memory.h"
#include "runtime/process/print_line.h"
#include "runtime/process/removal_on_event.h"

namespace {

// More runs than this on one BANK at once are a mistake, not a need.
constexpr int32_t TemporaryTries = 100;

}  // namespace

bool CheckBank(const char* bankPath, BankUse use, BankFile* checked, PackFailure* failure) {
    *checked = BankFile{bankPath, nullptr};
    if (HasWavEnding(bankPath))
        return Fail(failure, use == BankUse::Pack ? Reason::BankEndsInWav
                                                  : Reason::BankToReadEndsInWav);
    bool writing = use != BankUse::List;
    switch (KindOfFile(bankPath)) {
        case FileKind::Missing:
            if (use == BankUse::Pack || use == BankUse::Replace) return true;
            break;
        case FileKind::Directory:
            return Fail(failure, Reason::BankIsFolder);
        case FileKind::Link:
            if (writing) return Fail(failure, Reason::BankIsLink);
            break;
        case FileKind::Other:
            return Fail(failure, Reason::BankIsOther);
        case FileKind::ReadOnly:
            // Not to be packed over anyway: that it is there says more.
            if (writing && use != BankUse::Pack) return Fail(failure, Reason::BankReadOnly);
            break;
        case FileKind::Regular:
            break;
    }
    // One open for the look and for every read after it: whatever replaces
    // BANK meanwhile, the file looked at is the file read.
    FileHandle* bank = OpenForReading(bankPath);
    if (!bank) return Fail(failure, Reason::CannotOpenBank, LastSystemReason());
    Reason refusal = Reason::None;
    unsigned char riff[RiffHeaderSize];
    if (ReadBlock(bank, riff, RiffHeaderSize) == RiffHeaderSize && IsRiffWaveHeader(riff)) {
        refusal = Reason::BankIsWav;
    } else if (use == BankUse::Pack) {
        refusal = Reason::BankExists;
    } else if (writing && IdentityOf(bank).names > 1) {
        refusal = Reason::BankHasTwoNames;
    }
    if (refusal != Reason::None || !RewindFile(bank)) {
        CloseFile(bank);
        return refusal != Reason::None ? Fail(failure, refusal)
                                       : Fail(failure, Reason::CannotReadBank, LastSystemReason());
    }
    checked->existing = bank;
    return true;
}

bool BeginReplacement(const BankFile& bank, Replacement* replacement, PackFailure* failure) {
    FileHandle* like = bank.existing;
    replacement->bankPath = bank.path;
    replacement->file = nullptr;
    replacement->temporaryPath = nullptr;
    replacement->replacing = like != nullptr;
    replacement->ownerWas[0] = '\0';
    for (int32_t attempt = 1; attempt <= TemporaryTries; ++attempt) {
        char number[DecimalTextSize] = "";
        if (attempt > 1) *std::to_chars(number, number + sizeof number - 1, attempt).ptr = '\0';
        char* path = JoinText(bank.path, TemporarySuffix, number);
        if (!path) return Fail(failure, Reason::OutOfMemory);
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
        SystemReason osError = LastSystemReason();
        FreeText(path);
        if (osError != SystemReason::Exists)
            return Fail(failure, Reason::CannotCreateTemporary, osError);
    }
    Fail(failure, Reason::CannotCreateTemporary);
    return Explain(failure, Reason::TemporariesLeft);
}

namespace {

// Puts the closed new bank in BANK's place; whether it is there, and
// whether the old bank has gone all the same.
bool PutInPlace(const Replacement& replacement, bool* oldGone, PackFailure* failure) {
    const char* temporary = replacement.temporaryPath;
    Replaced put;
    if (replacement.replacing) {
        put = ReplaceFileWith(replacement.bankPath, temporary);
    } else {
        put = MoveFileOver(temporary, replacement.bankPath) ? Replaced::Done : Replaced::NotDone;
    }
    *oldGone = put == Replaced::OldGone;
    if (put == Replaced::Done) return true;
    if (put == Replaced::NotDone)
        return Fail(failure, Reason::CannotReplaceBank, LastSystemReason());
    Fail(failure, Reason::CannotReplaceBank);
    return Explain(failure, Reason::OldBankGone, temporary);
}

}  // namespace

bool FinishReplacement(Replacement* replacement, bool written, PackFailure* failure) {
    bool ok = written;
    if (ok && !CommitFile(replacement->file))
        ok = Fail(failure, Reason::CannotWriteBank, LastSystemReason());
    if (!CloseFile(replacement->file) && ok)
        ok = Fail(failure, Reason::CannotWriteBank, LastSystemReason());
    bool oldGone = false;
    if (ok) {
        ok = PutInPlace(*replacement, &oldGone, failure);
        // Still inside the gate, where the move was made: an event from now
        // on finds the run done, or the new bank's one copy left alone.
        if (ok) DoneOnEvent();
        if (oldGone) KeepOnEvent();
    }
    // The new bank under its temporary name is all there is of the bank then.
    if (!ok && !oldGone && !RemoveFile(replacement->temporaryPath)) {
        PackFailure left = {};
        FailFile(&left, replacement->temporaryPath, Reason::TemporaryLeft, LastSystemReason());
        PrintFailure(left, replacement->bankPath);
    }
    if (ok && replacement->ownerWas[0] != '\0') {
        LineText line = {};
        const char* parts[] = {RefusalPrefix,         replacement->bankPath,
                               RefusalSeparator,      OwnerNotKept,
                               replacement->ownerWas, OwnerNow,
                               replacement->ownerNow};
        for (const char* part : parts) AppendText(&line, part);
        PrintErrorLine(line.text);
    }
    KeepOnEvent();
    FreeText(replacement->temporaryPath);
    replacement->file = nullptr;
    replacement->temporaryPath = nullptr;
    return ok;
}
