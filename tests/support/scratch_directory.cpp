#include "tests/support/scratch_directory.h"

#include <chrono>
#include <filesystem>
#include <random>
#include <system_error>

namespace fs = std::filesystem;

namespace lsdtest {

std::string MakeScratchDirectory(const char* prefix) {
    std::error_code error;
    fs::path base = fs::temp_directory_path(error);
    if (error) return "";
    // Tests of several processes at once share the base; a name that exists
    // already is simply passed over.
    std::mt19937 random(
        static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()));
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path candidate = base / (prefix + std::to_string(random() % 1000000000u));
        if (fs::create_directory(candidate, error)) return candidate.string();
    }
    return "";
}

bool RemoveScratchDirectory(const std::string& path) {
    std::error_code error;
    fs::remove_all(path, error);
    return !error && !fs::exists(path, error);
}

}  // namespace lsdtest
