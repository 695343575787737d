// lsd2wav: unpacks the sound bank in the current directory into WAV files.
// The environment is ignored on purpose and the command line all but: the
// program is started in the bank's folder and never asks anything.
#include "extract/command_line.h"
#include "extract/extract_all.h"
#include "runtime/process/process_frame.h"

int main(int argc, char** argv) {
    StartUp();
    if (!AnswerCommandLine(argc, argv)) ExtractAll();
    ShutDown();
    return 0;
}
