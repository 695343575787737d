#include "extract/extract_all.h"

#include <cstdint>

#include "bank/bank_layout.h"
#include "bank/file_name.h"
#include "bank/safe_name.h"
#include "extract/console_texts.h"
#include "extract/entry_wav.h"
#include "runtime/files/file_handle.h"
#include "runtime/memory/memory.h"
#include "runtime/process/print_line.h"

namespace {

FileHandle* OpenBank() {
    FileHandle* archive = OpenForReading(MusicBankName);
    if (archive) {
        PrintLine(MusicHeading);
        return archive;
    }
    archive = OpenForReading(SoundBankName);
    if (archive) PrintLine(SoundHeading);
    return archive;
}

// The entry's file name: the name field up to its first zero byte, taken as
// it stands, and the extension; none without memory. A block of its own, so
// that a full field is still ended and the extension fits behind it.
char* ReadFileName(FileHandle* archive) {
    auto* name = static_cast<char*>(AllocateBlock(FileNameSize));
    if (!name) return nullptr;
    // Bytes that the archive no longer holds stay zero.
    ReadBlock(archive, name, NameFieldSize);
    MakeFileName(name, name);
    return name;
}

// Writes the WAV file of one entry whose name and line have been made;
// returns the status that ends the walk, or none to go on with the next entry.
const char* ExtractEntry(FileHandle* archive, const FileIdentity& bank, const char* fileName,
                         const char* line) {
    int32_t length = ReadInt32(archive);
    // A name or length that could not be read is no entry to show.
    if (HasFailed(archive)) return StatusFailedToRead;
    PrintLine(line);
    FileHandle* output =
        IsSafeOutputName(fileName, NativePaths) ? CreateForWriting(fileName, &bank) : nullptr;
    if (!output) return StatusCannotCreate;

    // On failure the file stays open: the end routine flushes and closes it,
    // and what was written stays on disk.
    const char* status = StatusOf(WriteEntryWav(archive, output, length));
    if (status) return status;
    if (!CloseFile(output)) return StatusFailedToWrite;
    return nullptr;
}

// A name's bytes go to the terminal too: a control byte there could move the
// cursor, erase the line or fake a status such as "  ok", so the line shows
// each one as "?". The file keeps its name as it stands.
void MaskControlBytes(char* line) {
    for (char* at = line; *at; ++at) {
        auto byte = static_cast<unsigned char>(*at);
        if (byte < 0x20 || byte == 0x7F) *at = '?';
    }
}

const char* ExtractEntries(FileHandle* archive) {
    // Asked once: no file written may be the bank, by whatever name.
    const FileIdentity bank = IdentityOf(archive);
    for (;;) {
        // A failed read looks like the end of the bank to AtEnd; the bank
        // did not end there, though, and the entries after it are lost.
        if (AtEnd(archive)) return HasFailed(archive) ? StatusFailedToRead : StatusOk;
        char* fileName = ReadFileName(archive);
        if (!fileName) return StatusOutOfMemory;
        char* line = JoinText(EntryIndent, fileName);
        if (line) MaskControlBytes(line);
        const char* status = line ? ExtractEntry(archive, bank, fileName, line) : StatusOutOfMemory;
        FreeText(line);
        FreeBlock(fileName);
        if (status) return status;
    }
}

}  // namespace

void ExtractAll() {
    FileHandle* archive = OpenBank();
    if (!archive) {
        PrintErrorLine(NoBankLine);
        return;
    }
    ReadInt32(archive);  // the lead field means nothing to the extraction
    PrintLine(ExtractEntries(archive));
    CloseFile(archive);
}
