// The walk over the sound bank: one WAV file per entry, front to back.
#pragma once

// Extracts the music bank, or else the sound bank, from the current
// directory, announcing each file and ending with one status line. Prints
// nothing when neither bank is there.
void ExtractAll();

