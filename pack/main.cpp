// wav2lsd BANK WAV...: packs WAV files into a sound bank that lsd2wav
// unpacks, on the same runtime as lsd2wav.
#include "pack/pack_command.h"
#include "platform/arguments.h"
#include "runtime/process/process_frame.h"

int main(int argc, char** argv) {
    StartUp();
    ProgramArguments arguments = TakeArguments(argc, argv);
    int32_t exitCode = arguments.unconvertible >= 0
                           ? RefuseArgument(arguments.values[arguments.unconvertible])
                           : RunPackCommand(arguments.count, arguments.values);
    ShutDown(static_cast<UINT>(exitCode));
    return exitCode;
}
