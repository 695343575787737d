// Runs of the built wav2lsd, and what a refusal must look like.
#pragma once

#include <string>
#include <vector>

#include "platform/line_end.h"
#include "tests/support/program_runner.h"

#ifndef WAV2LSD_PROGRAM
#error "WAV2LSD_PROGRAM must name the built wav2lsd"
#endif

namespace lsdtest {

inline RunResult RunWav2lsd(const std::string& directory,
                            const std::vector<std::string>& arguments) {
    RunOptions options;
    options.directory = directory;
    options.program = WAV2LSD_PROGRAM;
    options.arguments = arguments;
    return RunProgram(options);
}

// wav2lsd's lines, as its platform's text ends them.
inline std::string ToolLines(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines) out += line + NativeLineEnd;
    return out;
}

// Ended with code 1 after one line on the error stream that names `file` and
// gives a reason containing `reasonWords`, with nothing on standard output.
inline ::testing::AssertionResult RefusedWith(const RunResult& result, const std::string& file,
                                              const std::string& reasonWords) {
    const std::string head = "wav2lsd: " + file + ": ";
    const Bytes& line = result.errors;
    const std::string end = NativeLineEnd;
    bool oneLine = line.size() > end.size() && line.find(end) == line.size() - end.size();
    if (result.exited && result.exitCode == 1 && result.output.empty() && oneLine &&
        line.compare(0, head.size(), head) == 0 && line.find(reasonWords) != Bytes::npos)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "expected exit code 1 and one line \"" << head << "...(" << reasonWords
           << ")...\", got " << DescribeEnd(result) << ", stderr " << ::testing::PrintToString(line)
           << ", stdout " << ::testing::PrintToString(result.output);
}

}  // namespace lsdtest
