#include "web/entry_files.h"

#include <cstring>
#include <string>

#include "bank/bank_walk.h"
#include "bank/file_name.h"
#include "extract/entry_wav.h"
#include "platform/web/file_store.h"

void PutEntryFiles(const char* bankName, int32_t outside, int64_t size) {
    FileHandle* bank = OpenForReading(bankName);
    if (!bank) return;
    unsigned char lead[LeadFieldSize];
    bool more = ReadBlock(bank, lead, LeadFieldSize) == LeadFieldSize;
    while (more) {
        int64_t at = GetPosition(bank);
        EntryHead head;
        if (ReadEntryHead(bank, &head) != HeadRead::Whole) break;
        int32_t samples = SampleBlockSize(head.length);
        if (samples <= 0) break;
        char file[FileNameSize];
        MakeFileName(head.name, file);
        std::string prefix(WavHeaderSize, '\0');
        EntryWavHeader(head.length, head.format, reinterpret_cast<unsigned char*>(&prefix[0]));
        // A name that the folder cannot hold gets no file, as in lsd2wav's.
        int64_t samplesAt = at + NameFieldSize + 4 + FormatBlockSize;
        StoreSlice(file, std::strlen(file), outside, size, prefix, samplesAt, samples);
        more = SkipBytes(bank, samples) == samples;
    }
    CloseFile(bank);
}
