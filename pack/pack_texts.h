// Every line that wav2lsd prints. A refusal is one line on the error stream,
// "wav2lsd: " + the file + ": " + the words of its reason, and after another
// ": " what the system said or what to do about it. Each reason is a name
// for the code and its words for people, in the one table below.
#pragma once

#include <cstdint>

constexpr const char* RefusalPrefix = "wav2lsd: ";
constexpr const char* RefusalSeparator = ": ";

constexpr const char* Wav2lsdUsageLines[] = {
    "usage: wav2lsd [--force] BANK WAV...",
    "       wav2lsd [--verbose] --update BANK",
    "       wav2lsd --list BANK",
    "Packs the WAV files into a new sound bank BANK, one entry per file in the order",
    "given, each named after its file without \".wav\". A BANK that is there already",
    "is refused, unless --force: then it is replaced once every file has been packed.",
    "  -f, --force    replace an existing BANK with a bank of the WAV files alone",
    "  --update       rebuild BANK from the files that lsd2wav extracted from it",
    "                 into this folder, keeping its order and names",
    "  -v, --verbose  with --update, one line per entry that changed",
    "  --list         one line per entry of BANK: file, channels, rate, bits, bytes",
    "  --help         print this help",
    "  --version      print the version",
};

// The command line.
#define PACK_COMMAND_LINE_REASONS(X)                                                               \
    X(UnknownOption, "unknown option")                                                             \
    X(TryHelp, "try 'wav2lsd --help'")                                                             \
    X(NoWavFiles, "no WAV files given")                                                            \
    /* A lone argument named like a WAV file: the bank was forgotten, not the files. */            \
    X(WavFileAlone,                                                                                \
      "no bank given, only this WAV file: give the bank first, wav2lsd BANK WAV...")               \
    X(NoBank, "no BANK given")                                                                     \
    X(WavFilesWithUpdate, "--update and --list take the bank alone, no WAV files")                 \
    X(VerboseAlone, "--verbose goes with --update")                                                \
    X(ForceAlone, "--force goes with packing WAV files, not --update or --list")                   \
    /* Windows' cmd expands no * or ?, where a POSIX shell would. */                               \
    X(UnexpandedWildcard,                                                                          \
      "Windows passed the * or ? on unexpanded, as typed: name each file, as in "                  \
      "wav2lsd BANK a.wav b.wav")                                                                  \
    X(UnconvertibleArgument,                                                                       \
      "has characters that the system's code page cannot hold, so it would name another file; "    \
      "rename the file, or run in a folder whose path has none")

// The name that a WAV file gives its entry, and the names that lsd2wav
// refuses, on Windows (the bank's home) or anywhere.
#define PACK_NAME_REASONS(X)                                                                       \
    X(NoWavEnding, "the file name does not end in .wav")                                           \
    X(EmptyName, "the name before .wav is empty")                                                  \
    X(LongName, "the name before .wav is longer than 32 bytes")                                    \
    X(RootedName, "lsd2wav refuses a name that starts with / or \\")                               \
    X(ClimbingName, "lsd2wav refuses a name with a .. element")                                    \
    X(ColonName, "lsd2wav on Windows refuses a name with a colon")                                 \
    X(DeviceName, "lsd2wav on Windows refuses a device name (CON, NUL, COM1, LPT1, ...)")          \
    X(ReservedCharacterName, "Windows cannot create a file name with / \\ < > : \" | ? or *")      \
    X(ControlByteName, "Windows cannot create a file name with a control byte")                    \
    /* Windows takes names that differ in case, in / and \, in "." and empty                       \
       folders or in the dots and spaces at a folder's end, for one file. */                       \
    X(SameFile, "lsd2wav would write it to the same file as another entry")

// A WAV file's contents.
#define PACK_WAV_REASONS(X)                                                                        \
    X(CannotOpen, "cannot open the file")                                                          \
    X(IsFolder, "is a folder, not a file")                                                         \
    X(NotRiffWave, "not a RIFF WAVE file")                                                         \
    X(FormatSize, "the format chunk is neither the 16 bytes of PCM nor an extensible one")         \
    X(FloatSamples, "the samples are floating point, not PCM")                                     \
    X(CompressedSamples, "the samples are compressed, not PCM")                                    \
    X(PartlyValidBits, "the samples do not fill their containers")                                 \
    X(InconsistentFormat,                                                                          \
      "the format's channels, bits, block alignment and byte rate do not agree")                   \
    X(ConvertHint, "convert it to PCM, for example: sox in.wav -b 16 -e signed-integer out.wav")   \
    X(SecondFormat, "more than one format chunk")                                                  \
    X(NoFormat, "no format chunk")                                                                 \
    X(DataBeforeFormat, "the data chunk comes before the format chunk")                            \
    X(NoData, "no data chunk")                                                                     \
    X(ShortData, "the data chunk is empty")                                                        \
    X(LongData, "the data chunk is 2 GiB or longer, too long for a bank")                          \
    X(DataPastEnd, "the data chunk runs past the end of the file")                                 \
    X(SecondData, "more than one data chunk")                                                      \
    X(ChunkPastEnd, "a chunk runs past the end of the file")

// The bank, and the slips that would lose a file.
#define PACK_BANK_REASONS(X)                                                                       \
    X(BankEndsInWav, "the bank's name ends in .wav: give the bank first, wav2lsd BANK WAV...")     \
    X(BankToReadEndsInWav,                                                                         \
      "the bank's name ends in .wav: --update and --list take a bank, not a WAV file")             \
    X(BankIsWav, "is a WAV file, not a bank: give the bank first, wav2lsd BANK WAV...")            \
    /* Adding to an archive is what most packers do with an archive that is                        \
       there; a pack here would throw its entries away. */                                         \
    X(BankExists, "already exists; use --update to change its entries, or --force to replace it")  \
    X(BankHasTwoNames,                                                                             \
      "has more than one name (a hard link), which would keep the old contents: copy it to a "     \
      "file of its own first")                                                                     \
    X(BankIsFolder, "is a folder, not a bank")                                                     \
    X(BankIsLink, "is a link: give the file it points to")                                         \
    X(BankIsOther, "is not a regular file")                                                        \
    X(BankReadOnly, "is read-only: clear its read-only attribute first")                           \
    X(CannotOpenBank, "cannot open the bank")                                                      \
    X(CannotReadBank, "cannot read the bank")                                                      \
    X(CannotPrintListing, "cannot write the whole listing to standard output")                     \
    X(CannotPrintChanges,                                                                          \
      "updated, but the list of changes could not be written whole to standard output")            \
    X(LeadCut, "the bank is cut short in its first 4 bytes")                                       \
    X(EntryCut, "the bank is cut short inside this entry")                                         \
    X(SamplesCut,                                                                                  \
      "the bank is cut short inside this entry's samples (lsd2wav pads the file with zeros)")      \
    X(NoSamples, "the length field gives no samples")                                              \
    X(SameEntryName, "gives the same entry name as another file")                                  \
    X(CannotCreateTemporary, "cannot create the temporary file beside it")                         \
    X(CannotWriteBank, "cannot write the bank")                                                    \
    X(CannotReplaceBank, "cannot put the new bank in place")                                       \
    X(TemporaryLeft, "is an unfinished bank that could not be removed; delete it")                 \
    /* The name of the file that holds the new bank follows. */                                    \
    X(OldBankGone, "the old bank is gone, and the new one is whole under the name ")               \
    X(OutOfMemory, "out of memory")

// What the system said, and what to do about it.
#define PACK_SYSTEM_REASONS(X)                                                                     \
    X(NoSuchFile, "no such file or folder")                                                        \
    X(NoSuchFileHere,                                                                              \
      "no such file in the current folder, where --update reads the files that lsd2wav "           \
      "extracted from the bank")                                                                   \
    X(PermissionDenied, "permission denied")                                                       \
    X(WriteProtected, "the disk is write-protected")                                               \
    X(InUse, "in use by another program")                                                          \
    X(DiskFull, "no space left on the disk")                                                       \
    X(AlreadyThere, "exists already")                                                              \
    X(TemporariesLeft,                                                                             \
      "every temporary name beside it is taken, by files left from interrupted runs "              \
      "(BANK.wav2lsd-tmp, BANK.wav2lsd-tmp2, ...): they can be removed")

#define PACK_REASONS(X)           \
    PACK_COMMAND_LINE_REASONS(X)  \
    PACK_NAME_REASONS(X)          \
    PACK_WAV_REASONS(X)           \
    PACK_BANK_REASONS(X)          \
    PACK_SYSTEM_REASONS(X)

// Why wav2lsd refused or failed; None where nothing is wrong.
enum class Reason : uint8_t {
    None,
#define PACK_REASON_NAME(name, words) name,
    PACK_REASONS(PACK_REASON_NAME)
#undef PACK_REASON_NAME
};

// The words of each reason, as the user reads them (none: empty).
constexpr const char* ReasonTexts[] = {
    "",
#define PACK_REASON_WORDS(name, words) words,
    PACK_REASONS(PACK_REASON_WORDS)
#undef PACK_REASON_WORDS
};
constexpr const char* ReasonWords(Reason reason) {
    return ReasonTexts[static_cast<int32_t>(reason)];
}

// The name of each reason, a key that stays when its words change.
constexpr const char* ReasonNames[] = {
    "None",
#define PACK_REASON_KEY(name, words) #name,
    PACK_REASONS(PACK_REASON_KEY)
#undef PACK_REASON_KEY
};
constexpr const char* ReasonName(Reason reason) {
    return ReasonNames[static_cast<int32_t>(reason)];
}

// LongName, followed by ": " + the name's length + this.
constexpr const char* LongNameLength = " bytes long";
// "wav2lsd: BANK: " + this + "alice:audio" + OwnerNow + "bob:audio".
constexpr const char* OwnerNotKept = "could not keep its owner and group ";
constexpr const char* OwnerNow = "; they are now ";

// --update --verbose: "file.wav: " + what changed.
constexpr const char* ChangedFormat = "format";
constexpr const char* ChangedLength = "length";
constexpr const char* ChangedSamples = "samples";
constexpr const char* ChangedEnd = " changed";
// --update, with --verbose or without, on the error stream: "wav2lsd: file.wav" + this.
constexpr const char* FormatChangedWarning =
    ": its format changed (rate, channels or bits); whatever reads the bank must expect the "
    "new one";

// --list marks.
constexpr const char* ListCut = "  (cut short)";
constexpr const char* ListNoSamples = "  (no samples)";
constexpr const char* ListRefused = "  (refused: ";
