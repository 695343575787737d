#include "tests/support/in_process_frame.h"

#include <fstream>
#include <iterator>

#include "runtime/process/process_frame.h"
#include "tests/support/scratch_directory.h"

namespace {

HANDLE CreateStream(const std::string& path) {
    return RealOs.CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::string WholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

InProcessRun RunInProcess(OsSpy& spy, const std::function<int32_t()>& body, int32_t bufferSize) {
    InProcessRun run;
    // Outside the current directory, which the body may be told to fill.
    std::string streams = lsdtest::MakeScratchDirectory("lsd2wav-streams-");
    HANDLE out = CreateStream(streams + "/out");
    HANDLE err = CreateStream(streams + "/err");
    spy.GetStdHandle = [&](DWORD which) { return which == STD_ERROR_HANDLE ? err : out; };
    spy.SetConsoleCtrlHandler = [](PHANDLER_ROUTINE, BOOL) { return TRUE; };
    spy.ExitProcess = [&](UINT code) { run.exitCode = static_cast<int>(code); };
    InstallOsSpy(&spy);
    StartUp();
    // Start-up may have had no memory for a registry, as under the fault loop.
    if (CurrentFileRegistry()) CurrentFileRegistry()->bufferSize = bufferSize;
    ShutDown(static_cast<UINT>(body()));
    RemoveOsSpy();
    RealOs.CloseHandle(out);
    RealOs.CloseHandle(err);
    run.output = WholeFile(streams + "/out");
    run.errors = WholeFile(streams + "/err");
    lsdtest::RemoveScratchDirectory(streams);
    return run;
}
