// Every line that the program prints. The README, man/lsd2wav.1.in and
// packaging/README-windows.txt.in each list the headings, the entry line
// and the status lines in this order; the pages test fails when one differs.
#pragma once

constexpr const char* MusicHeading = "Extracting music...";
constexpr const char* SoundHeading = "Extracting sounds...";
constexpr const char* EntryIndent = "  ";  // the entry line is this, the file name

constexpr const char* StatusOk = "  ok";
constexpr const char* StatusOutOfMemory = "  out of memory!";
constexpr const char* StatusCannotCreate = "  Cannot create output file!";
constexpr const char* StatusFailedToWrite = "  Failed to write to output file!";
constexpr const char* StatusFailedToRead = "  Failed to read the archive!";

// The answer to --help, -h and /?.
constexpr const char* UsageLines[] = {
    "usage: lsd2wav",
    "Run it in the folder that holds the bank: it reads music_p.lsd there, or",
    "else sound_p.lsd, and writes one WAV file per entry into that folder.",
    "It OVERWRITES files of the same names there: work on a copy of the bank.",
    "It takes no arguments. More in: man lsd2wav (on Windows: README.txt)",
};
constexpr const char* LicenseLine = "MIT License";
// On the error stream when neither bank is here: standard output stays
// empty, but someone who started the program in the wrong folder learns why
// nothing happened.
constexpr const char* NoBankLine = "lsd2wav: no music_p.lsd or sound_p.lsd in this folder";
// On the error stream, before an extraction that words on the command line
// did not change.
constexpr const char* NoArgumentsLine =
    "lsd2wav takes no arguments; it extracts the bank of the current folder";
