// Every line that wav2lsd prints. A refusal is one line on the error stream,
// "wav2lsd: " + the file + ": " + one of the reasons below, and after another
// ": " what the system said or what to do about it.
#pragma once

constexpr const char* RefusalPrefix = "wav2lsd: ";
constexpr const char* RefusalSeparator = ": ";

constexpr const char* UsageLines[] = {
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
constexpr const char* UnknownOption = "unknown option";
constexpr const char* TryHelp = "try 'wav2lsd --help'";
constexpr const char* NoWavFiles = "no WAV files given";
// A lone argument named like a WAV file: the bank was forgotten, not the files.
constexpr const char* WavFileAlone =
    "no bank given, only this WAV file: give the bank first, wav2lsd BANK WAV...";
constexpr const char* NoBank = "no BANK given";
constexpr const char* WavFilesWithUpdate = "--update and --list take the bank alone, no WAV files";
constexpr const char* VerboseAlone = "--verbose goes with --update";
constexpr const char* ForceAlone = "--force goes with packing WAV files, not --update or --list";
// Windows' cmd expands no * or ?, where a POSIX shell would.
constexpr const char* UnexpandedWildcard =
    "Windows passed the * or ? on unexpanded, as typed: name each file, as in "
    "wav2lsd BANK a.wav b.wav";
constexpr const char* UnconvertibleArgument =
    "has characters that the system's code page cannot hold, so it would name another file; "
    "rename the file, or run in a folder whose path has none";

// The name that a WAV file gives its entry.
constexpr const char* NoWavEnding = "the file name does not end in .wav";
constexpr const char* EmptyName = "the name before .wav is empty";
constexpr const char* LongName = "the name before .wav is longer than 32 bytes";
constexpr const char* LongNameLength = " bytes long";
// The names that lsd2wav refuses, on Windows (the bank's home) or anywhere.
constexpr const char* RootedName = "lsd2wav refuses a name that starts with / or \\";
constexpr const char* ClimbingName = "lsd2wav refuses a name with a .. element";
constexpr const char* ColonName = "lsd2wav on Windows refuses a name with a colon";
constexpr const char* DeviceName =
    "lsd2wav on Windows refuses a device name (CON, NUL, COM1, LPT1, ...)";
constexpr const char* ReservedCharacterName =
    "Windows cannot create a file name with / \\ < > : \" | ? or *";
constexpr const char* ControlByteName = "Windows cannot create a file name with a control byte";
// Windows takes names that differ in case, in / and \, in "." and empty
// folders or in the dots and spaces at a folder's end, for one file.
constexpr const char* SameFile = "lsd2wav would write it to the same file as another entry";

// A WAV file's contents.
constexpr const char* CannotOpen = "cannot open the file";
constexpr const char* IsFolder = "is a folder, not a file";
constexpr const char* NotRiffWave = "not a RIFF WAVE file";
constexpr const char* FormatSize =
    "the format chunk is neither the 16 bytes of PCM nor an extensible one";
constexpr const char* FloatSamples = "the samples are floating point, not PCM";
constexpr const char* CompressedSamples = "the samples are compressed, not PCM";
constexpr const char* PartlyValidBits = "the samples do not fill their containers";
constexpr const char* InconsistentFormat =
    "the format's channels, bits, block alignment and byte rate do not agree";
constexpr const char* ConvertHint =
    "convert it to PCM, for example: sox in.wav -b 16 -e signed-integer out.wav";
constexpr const char* SecondFormat = "more than one format chunk";
constexpr const char* NoFormat = "no format chunk";
constexpr const char* DataBeforeFormat = "the data chunk comes before the format chunk";
constexpr const char* NoData = "no data chunk";
constexpr const char* ShortData = "the data chunk is empty";
constexpr const char* LongData = "the data chunk is 2 GiB or longer, too long for a bank";
constexpr const char* DataPastEnd = "the data chunk runs past the end of the file";
constexpr const char* SecondData = "more than one data chunk";
constexpr const char* ChunkPastEnd = "a chunk runs past the end of the file";

// The bank, and the slips that would lose a file.
constexpr const char* BankEndsInWav =
    "the bank's name ends in .wav: give the bank first, wav2lsd BANK WAV...";
constexpr const char* BankToReadEndsInWav =
    "the bank's name ends in .wav: --update and --list take a bank, not a WAV file";
constexpr const char* BankIsWav =
    "is a WAV file, not a bank: give the bank first, wav2lsd BANK WAV...";
// Adding to an archive is what most packers do with an archive that is
// there; a pack here would throw its entries away.
constexpr const char* BankExists =
    "already exists; use --update to change its entries, or --force to replace it";
constexpr const char* BankHasTwoNames =
    "has more than one name (a hard link), which would keep the old contents: copy it to a "
    "file of its own first";
constexpr const char* BankIsFolder = "is a folder, not a bank";
constexpr const char* BankIsLink = "is a link: give the file it points to";
constexpr const char* BankIsOther = "is not a regular file";
constexpr const char* BankReadOnly = "is read-only: clear its read-only attribute first";
constexpr const char* CannotOpenBank = "cannot open the bank";
constexpr const char* CannotReadBank = "cannot read the bank";
constexpr const char* CannotPrintListing = "cannot write the whole listing to standard output";
constexpr const char* CannotPrintChanges =
    "updated, but the list of changes could not be written whole to standard output";
constexpr const char* LeadCut = "the bank is cut short in its first 4 bytes";
constexpr const char* EntryCut = "the bank is cut short inside this entry";
constexpr const char* SamplesCut =
    "the bank is cut short inside this entry's samples (lsd2wav pads the file with zeros)";
constexpr const char* NoSamples = "the length field gives no samples";
constexpr const char* SameEntryName = "gives the same entry name as another file";
constexpr const char* CannotCreateTemporary = "cannot create the temporary file beside it";
constexpr const char* CannotWriteBank = "cannot write the bank";
constexpr const char* CannotReplaceBank = "cannot put the new bank in place";
constexpr const char* TemporaryLeft = "is an unfinished bank that could not be removed; delete it";
constexpr const char* OldBankGone = "the old bank is gone, and the new one is whole under the name ";
// "wav2lsd: BANK: " + this + "alice:audio" + OwnerNow + "bob:audio".
constexpr const char* OwnerNotKept = "could not keep its owner and group ";
constexpr const char* OwnerNow = "; they are now ";
constexpr const char* OutOfMemory = "out of memory";

// What the system said.
constexpr const char* NoSuchFile = "no such file or folder";
constexpr const char* NoSuchFileHere =
    "no such file in the current folder, where --update reads the files that lsd2wav "
    "extracted from the bank";
constexpr const char* PermissionDenied = "permission denied";
constexpr const char* WriteProtected = "the disk is write-protected";
constexpr const char* InUse = "in use by another program";
constexpr const char* DiskFull = "no space left on the disk";
constexpr const char* AlreadyThere = "exists already";
constexpr const char* TemporariesLeft =
    "every temporary name beside it is taken, by files left from interrupted runs "
    "(BANK.wav2lsd-tmp, BANK.wav2lsd-tmp2, ...): they can be removed";

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
