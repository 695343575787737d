// Every line that wav2lsd prints. A refusal is one line on the error stream,
// "wav2lsd: " + the file + ": " + one of the reasons below.
#pragma once

constexpr const char* RefusalPrefix = "wav2lsd: ";
constexpr const char* RefusalSeparator = ": ";

constexpr const char* UsageLines[] = {
    "usage: wav2lsd BANK WAV...",
    "Packs the WAV files into the sound bank BANK, one entry per file in the order",
    "given, each named after its file without \".wav\". BANK is replaced only once",
    "every file has been packed.",
    "  --help     print this help",
    "  --version  print the version",
};

// The command line.
constexpr const char* UnknownOption = "unknown option";
constexpr const char* NoWavFiles = "no WAV files given";

// The name that a WAV file gives its entry.
constexpr const char* NoWavEnding = "the file name does not end in .wav";
constexpr const char* EmptyName = "the name before .wav is empty";
constexpr const char* LongName = "the name before .wav is longer than 32 bytes";
constexpr const char* UnsafeName = "lsd2wav would refuse the name as unsafe";

// A WAV file's contents.
constexpr const char* CannotOpen = "cannot open the file";
constexpr const char* NotRiffWave = "not a RIFF WAVE file";
constexpr const char* FormatSize = "the format chunk is not 16 bytes long";
constexpr const char* SecondFormat = "more than one format chunk";
constexpr const char* NoFormat = "no format chunk";
constexpr const char* DataBeforeFormat = "the data chunk comes before the format chunk";
constexpr const char* NoData = "no data chunk";
constexpr const char* ShortData = "the data chunk is shorter than 2 bytes";
constexpr const char* LongData = "the data chunk is 2 GiB or longer, too long for a bank";
constexpr const char* DataPastEnd = "the data chunk runs past the end of the file";
constexpr const char* SecondData = "more than one data chunk";
constexpr const char* ChunkPastEnd = "a chunk runs past the end of the file";

// The bank.
constexpr const char* CannotCreateTemporary = "cannot create the temporary file beside it";
constexpr const char* CannotWriteBank = "cannot write the bank";
constexpr const char* CannotReplaceBank = "cannot put the new bank in place";
constexpr const char* OutOfMemory = "out of memory";
