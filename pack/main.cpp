// wav2lsd BANK WAV...: packs WAV files into a sound bank that lsd2wav
// unpacks, on the same runtime as lsd2wav.
#include "pack/pack_command.h"
#include "runtime/process/print_line.h"
#include "runtime/process/process_frame.h"

int main(int argc, char** argv) {
    StartUp();
    // wav2lsd's lines are text for this platform's tools, unlike lsd2wav's.
    EndLinesNatively();
    int32_t exitCode = RunPackCommand(argc, argv);
    ShutDown(static_cast<UINT>(exitCode));
    return exitCode;
}
