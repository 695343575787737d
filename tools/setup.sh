#!/usr/bin/env bash
# Installs with apt-get what the asked-for work needs, and nothing more, so
# that the demo never pulls in Wine or a cross compiler. Purposes, any number:
#   demo       the native build of lsd2wav, wav2lsd and the demo bank's maker
#   native     the native build with its tests (GoogleTest, libsndfile)
#   win64      the 64-bit Windows build and wine64 to run its tests
#   win32      the 32-bit Windows build and Wine's 32-bit half (i386)
#   emulation  user-mode emulation, for 32-bit programs on a kernel without
#              32-bit support
#   check      the sanitizer and fuzzer builds (clang), valgrind and shellcheck
#   release    what tools/release.sh needs to build and check the packages
#   web        the page's engine (emscripten), headless chromium for its
#              tests, and the page's Node modules (npm ci in web/)
# No purpose means what tools/test.sh needs: native win64 win32 web.
# Without root it names the missing packages and exits 1.
set -euo pipefail

usage() {
    echo "usage: tools/setup.sh [demo|native|win64|win32|emulation|check|release|web]..." >&2
    exit 2
}

installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'ok installed'
}

needed=()
# want PACKAGE [PROBE]: PACKAGE is needed unless PROBE is there, a command, or
# a file when it holds a "/". A probe, rather than dpkg, accepts a tool that
# came another way (a newer cmake, say); without one dpkg is asked.
want() {
    local package=$1 probe=${2:-}
    case $probe in
        "") installed "$package" ;;
        */*) [ -e "$probe" ] ;;
        *) command -v "$probe" >/dev/null ;;
    esac && return 0
    [[ " ${needed[*]-} " == *" $package "* ]] || needed+=("$package")
}

build_tools() {
    want cmake cmake
    want ninja-build ninja
}
native_build() {
    build_tools
    want g++ g++
}
native_tests() {
    native_build
    want libgtest-dev /usr/include/gtest/gtest.h
    # The round-trip tests open the extracted files with libsndfile.
    want pkgconf pkg-config
    want libsndfile1-dev /usr/include/sndfile.h
    # Real read errors on the bank are injected with strace.
    want strace strace
}
# Debian ships GoogleTest for cross builds as sources, which the Windows
# builds compile with their own compiler.
cross_build() {
    build_tools
    want googletest /usr/src/googletest/googletest/CMakeLists.txt
    want "$1" "$2"
}

# The page's tests drive it with playwright-core and its ZIP comes from
# fflate, both pinned in web/package-lock.json; npm ci puts them in
# web/node_modules once apt has given npm.
web_modules=""
web() {
    # The web lane builds the native programs too, to hold the page against.
    native_build
    want emscripten /usr/bin/emcc
    # Debian's browser: the tests start it by its path and never download one.
    want chromium /usr/bin/chromium
    want nodejs node
    want npm npm
    want unzip unzip
    web_modules=1
}

[ $# -gt 0 ] || set -- native win64 win32 web
for purpose in "$@"; do
    case $purpose in
        demo)
            native_build
            ;;
        native)
            native_tests
            ;;
        win64)
            cross_build g++-mingw-w64-x86-64-win32 x86_64-w64-mingw32-g++-win32
            want wine wine
            want wine64 /usr/lib/wine/wine64
            ;;
        win32)
            cross_build g++-mingw-w64-i686-win32 i686-w64-mingw32-g++-win32
            want wine wine
            # Wine runs 32-bit programs only with its 32-bit half.
            want wine32:i386 /usr/lib/wine/wine
            ;;
        emulation)
            want qemu-user-static qemu-i386-static
            ;;
        check)
            # Every test is built again with the sanitizers.
            native_tests
            want valgrind valgrind
            want shellcheck shellcheck
            # libFuzzer comes with the compiler-rt of clang's own version;
            # before clang is there, the package of Debian's default clang.
            if command -v clang++ >/dev/null; then
                want "libclang-rt-$(clang++ -dumpversion | cut -d. -f1)-dev"
            else
                want clang clang++
                want libclang-rt-dev
            fi
            ;;
        web)
            web
            ;;
        release)
            # The .deb's programs are built apart from the tests' (with
            # dpkg-buildflags, of dpkg-dev), and so are the demo's by the check.
            native_build
            # The packages take their times from the last commit, and the
            # check of reproducible builds clones the repository twice.
            want git git
            want zip zip
            want unzip unzip
            # cpack -G DEB finds the shared libraries the programs need with
            # dpkg-shlibdeps, which asks file what each installed file is.
            want dpkg-dev dpkg-shlibdeps
            want file file
            want man-db man
            want lintian lintian
            cross_build g++-mingw-w64-x86-64-win32 x86_64-w64-mingw32-g++-win32
            cross_build g++-mingw-w64-i686-win32 i686-w64-mingw32-g++-win32
            # The page's ZIP: its engine is built too.
            web
            ;;
        *)
            usage
            ;;
    esac
done

# npm ci, as needed, once the packages are in: it installs only into web/,
# so it needs no root.
node_modules() {
    [ -n "$web_modules" ] || return 0
    local web_dir
    web_dir="$(dirname "$0")/../web"
    [ -f "$web_dir/node_modules/playwright-core/package.json" ] &&
        [ -f "$web_dir/node_modules/fflate/package.json" ] && return 0
    echo "setup.sh: npm ci in web/ for playwright-core and fflate" >&2
    (cd "$web_dir" && npm ci --no-audit --no-fund)
}

[ ${#needed[@]} -gt 0 ] || { node_modules; exit 0; }

add_i386=""
if [[ " ${needed[*]} " == *":i386 "* ]] &&
    [ "$(dpkg --print-architecture)" != i386 ] &&
    ! dpkg --print-foreign-architectures | grep -qx i386; then
    add_i386=1
fi

if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${needed[*]}" >&2
    [ -z "$add_i386" ] || echo "They need the i386 architecture: dpkg --add-architecture i386" >&2
    echo "Install them as root: tools/setup.sh $*" >&2
    exit 1
fi
[ -z "$add_i386" ] || dpkg --add-architecture i386
# A mirror caught mid-sync fails one index or two; the install below then
# works from the rest, or says itself what it cannot find.
apt-get update -qq || echo "setup.sh: apt-get update reported a failure; installing from the indexes it has" >&2
install() { DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$@"; }
if install "${needed[@]}"; then node_modules; exit 0; fi
# Wine's 32-bit half comes from the i386 archive, which a mirror may lack or
# hold out of step with the rest. Without it the 32-bit lane still builds and
# says that its tests did not run; everything else must install.
native=() i386=()
for package in "${needed[@]}"; do
    if [[ $package == *:i386 ]]; then i386+=("$package"); else native+=("$package"); fi
done
[ ${#i386[@]} -gt 0 ] || exit 1
echo "setup.sh: the i386 packages (${i386[*]}) do not install here; going on without them:" \
    "the 32-bit Windows lane will report its tests as not run" >&2
[ ${#native[@]} -eq 0 ] || install "${native[@]}"
node_modules
