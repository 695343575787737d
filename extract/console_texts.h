// Every line that the program prints.
#pragma once

constexpr const char* MusicHeading = "Extracting music...";
constexpr const char* SoundHeading = "Extracting sounds...";
constexpr const char* EntryIndent = "  ";  // the entry line is this, the file name

constexpr const char* StatusOk = "  ok";
constexpr const char* StatusOutOfMemory = "  out of memory!";
constexpr const char* StatusCannotCreate = "  Cannot create output file!";
constexpr const char* StatusFailedToWrite = "  Failed to write to output file!";
constexpr const char* StatusFailedToRead = "  Failed to read the archive!";
