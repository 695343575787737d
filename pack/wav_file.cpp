#include "pack/wav_file.h"

#include "runtime/files/file_names.h"
#include "runtime/memory/memory.h"

FileHandle* OpenWav(const char* path, const char* shown, const unsigned char* own, WavHead* head,
                    PackFailure* failure) {
    FileHandle* wav = OpenForReading(path);
    if (!wav) {
        // Taken first: asking for the kind would overwrite the reason.
        SystemReason osError = LastSystemReason();
        if (KindOfFile(path) == FileKind::Directory) {
            FailFile(failure, shown, Reason::IsFolder);
        } else {
            FailFile(failure, shown, Reason::CannotOpen, osError);
        }
        return nullptr;
    }
    Reason reason = ReadWavHead(wav, own, head);
    if (reason == Reason::None) return wav;
    FailFile(failure, shown, reason);
    if (head->convertible) Explain(failure, Reason::ConvertHint);
    CloseFile(wav);
    return nullptr;
}

bool CopyData(FileHandle* wav, const char* shown, FileHandle* bank, int32_t n, PieceTaker taker,
              PackFailure* failure) {
    unsigned char* piece =
        static_cast<unsigned char*>(AllocateBlock(n < CopyPieceSize ? n : CopyPieceSize));
    bool ok = piece != nullptr || FailFile(failure, shown, Reason::OutOfMemory);
    while (ok && n > 0) {
        int32_t want = n < CopyPieceSize ? n : CopyPieceSize;
        int32_t got = ReadBlock(wav, piece, want);
        if (got > 0 && WriteBlock(bank, piece, got) != got) {
            ok = Fail(failure, Reason::CannotWriteBank, LastSystemReason());
        } else if (got != want) {
            ok = FailFile(failure, shown, Reason::DataPastEnd);
        } else if (taker.take) {
            taker.take(taker.context, piece, want);
        }
        n -= want;
    }
    if (piece) FreeBlock(piece);
    return ok;
}

bool CloseWav(FileHandle* wav, const char* shown, const WavHead& head, bool copied,
              PackFailure* failure) {
    Reason reason = copied ? ReadWavTail(wav, head) : Reason::None;
    CloseFile(wav);
    return copied && (reason == Reason::None || FailFile(failure, shown, reason));
}
