#!/usr/bin/env bash
# Builds, tests and packages a release, all into dist/:
#   lsd2wav-VERSION-win32.zip, lsd2wav-VERSION-win64.zip
#       lsd2wav.exe, wav2lsd.exe and README.txt for Windows users;
#   lsd2wav_VERSION_ARCH.deb
#       both programs for Linux with their man pages (cpack -G DEB);
# then checks what the packages hold with tools/check_release.sh.
# VERSION is the one in project() of CMakeLists.txt.
#   --no-tests  leaves out the native tests, for when they have just run.
# The Windows programs are tested under Wine by tools/test.sh, not here.
set -euo pipefail
cd "$(dirname "$0")/.."

run_tests=1
case ${1:-} in
    "") ;;
    --no-tests) run_tests="" ;;
    *) echo "usage: tools/release.sh [--no-tests]" >&2; exit 2 ;;
esac

tools/setup.sh native release
dist=$PWD/dist
rm -rf "$dist"
mkdir -p "$dist"

cmake --preset default
cmake --build --preset default
[ -z "$run_tests" ] || ctest --preset default
(cd build && cpack -G DEB -B "$dist")

for preset in win32 win64; do
    cmake --preset "$preset"
    cmake --build --preset "$preset"
    (cd "build-$preset" && cpack -G ZIP -B "$dist")
done
# CPack's staging trees, which are no package.
rm -rf "$dist/_CPack_Packages"

tools/check_release.sh "$dist"
echo "Release packages in $dist:"
ls -l "$dist"
