#!/usr/bin/env bash
# Builds lsd2wav, makes a demo music bank of synthesized tones in demo/, and
# extracts it there: the WAV files end up in demo/ beside the bank.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default --target lsd2wav make_demo_bank
rm -rf demo
mkdir demo
cd demo
../build/make_demo_bank music_p.lsd
../build/lsd2wav
echo "The WAV files are in $(pwd)"
