#include "pack/wav_file.h"

#include "pack/pack_texts.h"
#include "runtime/files/file_names.h"
#include "runtime/memory/memory.h"

FileHandle* OpenWav(const char* wavPath, const unsigned char* own, WavHead* head,
                    PackFailure* failure) {
    FileHandle* wav = OpenForReading(wavPath);
    if (!wav) {
        // Taken first: asking for the kind would overwrite the reason.
        const char* reason = SystemReasonText();
        bool folder = KindOfFile(wavPath) == FileKind::Directory;
        Fail(failure, wavPath, folder ? IsFolder : CannotOpen, folder ? nullptr : reason);
        return nullptr;
    }
    const char* reason = ReadWavHead(wav, own, head);
    if (!reason) return wav;
    Fail(failure, wavPath, reason, head->convertible ? ConvertHint : nullptr);
    failure->convertible = head->convertible;
    CloseFile(wav);
    return nullptr;
}

bool CopyData(FileHandle* wav, const char* wavPath, FileHandle* bank, const char* bankPath,
              int32_t n, PieceTaker taker, PackFailure* failure) {
    unsigned char* piece =
        static_cast<unsigned char*>(AllocateBlock(n < CopyPieceSize ? n : CopyPieceSize));
    bool ok = piece != nullptr || Fail(failure, wavPath, OutOfMemory);
    while (ok && n > 0) {
        int32_t want = n < CopyPieceSize ? n : CopyPieceSize;
        int32_t got = ReadBlock(wav, piece, want);
        if (got > 0 && WriteBlock(bank, piece, got) != got) {
            ok = Fail(failure, bankPath, CannotWriteBank, SystemReasonText());
        } else if (got != want) {
            ok = Fail(failure, wavPath, DataPastEnd);
        } else if (taker.take) {
            taker.take(taker.context, piece, want);
        }
        n -= want;
    }
    if (piece) FreeBlock(piece);
    return ok;
}

bool CloseWav(FileHandle* wav, const char* wavPath, const WavHead& head, bool copied,
              PackFailure* failure) {
    const char* reason = copied ? ReadWavTail(wav, head) : nullptr;
    CloseFile(wav);
    return copied && (!reason || Fail(failure, wavPath, reason));
}
