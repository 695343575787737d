// A fresh, empty directory for a test's files, on every build: under /tmp on
// Linux, under the user's temporary folder on Windows (also under Wine).
#pragma once

#include <string>

namespace lsdtest {

// Makes a new directory whose name starts with `prefix` and returns its
// path, or "" when none could be made.
std::string MakeScratchDirectory(const char* prefix);
// Removes the directory and everything in it; false when something stayed.
bool RemoveScratchDirectory(const std::string& path);

}  // namespace lsdtest
