// lsd2wav: unpacks the sound bank in the current directory into WAV files.
// The command line and the environment are ignored on purpose: the program
// is started in the bank's folder and never asks anything.
#include "extract/extract_all.h"
#include "runtime/process/process_frame.h"

int main() {
    StartUp();
    ExtractAll();
    ShutDown();
    return 0;
}
