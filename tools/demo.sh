#!/usr/bin/env bash
# Builds lsd2wav and wav2lsd, synthesizes demo tones as WAV files in
# demo/tones/, packs them with wav2lsd into the music bank demo/music_p.lsd,
# and extracts that bank with lsd2wav: the extracted WAV files end up in demo/
# beside the bank.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh demo
# The demo needs no test, so neither does it need GoogleTest; the default
# preset turns the tests on again for every other configure.
cmake --preset default -DLSD2WAV_TESTS=OFF >/dev/null
# The man pages too: the README's install step, `cmake --install build`,
# comes right after the demo and installs them with the programs.
cmake --build --preset default --target lsd2wav wav2lsd make_demo_bank compressed_texts
rm -rf demo
mkdir -p demo/tones
cd demo
../build/make_demo_bank tones
tones=(tones/*.wav)
../build/wav2lsd music_p.lsd "${tones[@]}"
echo "Packed ${#tones[@]} WAV files into $(pwd)/music_p.lsd"
../build/lsd2wav
echo "The WAV files are in $(pwd)"
