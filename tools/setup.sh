#!/usr/bin/env bash
# Installs what a fresh machine lacks for building and testing, when it can:
# the native build, and the 32-bit Windows build with Wine to run its tests.
set -euo pipefail

# Where no command or file shows a package, dpkg is asked.
installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'ok installed'
}

needed=()
command -v cmake >/dev/null || needed+=(cmake)
command -v ninja >/dev/null || needed+=(ninja-build)
command -v g++ >/dev/null || needed+=(g++)
[ -f /usr/include/gtest/gtest.h ] || needed+=(libgtest-dev)
# The round-trip tests open the extracted files with libsndfile.
command -v pkg-config >/dev/null || needed+=(pkgconf)
[ -f /usr/include/sndfile.h ] || needed+=(libsndfile1-dev)
# The cross build compiles GoogleTest from the sources this package installs.
[ -f /usr/src/googletest/googletest/CMakeLists.txt ] || needed+=(googletest)
command -v i686-w64-mingw32-g++-win32 >/dev/null || needed+=(g++-mingw-w64-i686)
command -v wine >/dev/null || needed+=(wine)
# Wine runs 32-bit programs only with its 32-bit half, an i386 package.
if command -v dpkg-query >/dev/null && ! installed wine32:i386; then
    needed+=(wine32:i386)
fi

if [ ${#needed[@]} -gt 0 ]; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing packages: ${needed[*]} (install them as root)" >&2
        exit 1
    fi
    if [[ " ${needed[*]} " == *":i386 "* ]] &&
        [ "$(dpkg --print-architecture)" != i386 ] &&
        ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${needed[@]}"
fi
