// Files for the in-process runs of the extraction.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/in_process_frame.h"

std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& bytes);

// An archive entry: the 32-byte name field, L, a format block and L + 2
// sample bytes, of which only the first `sampleBytes` are stored.
std::string ArchiveEntryBytes(const std::string& name, int32_t length, size_t sampleBytes);
// The WAV file that an entry made by ArchiveEntryBytes must give.
std::string WavBytes(int32_t length, size_t sampleBytes);
