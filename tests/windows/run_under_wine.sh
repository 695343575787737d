#!/bin/sh
# Runs one Windows test program under Wine for CTest, as the cross build's
# emulator:
#   run_under_wine.sh BITS PREFIX TWIN_DIR PROGRAM [ARGUMENT...]
#   run_under_wine.sh 32 PREFIX - --why-not
# BITS is 64 or 32. PREFIX is the Wine prefix, kept inside the build tree so
# that a test run neither reads nor changes the user's ~/.wine. TWIN_DIR is
# the 64-bit build of the same sources (used by BITS 32 only, see below).
#
# Debian's `wine` script picks the 32-bit loader whenever its file exists,
# even where the kernel cannot run it, so each lane calls its loader itself.
#
# Some kernels run no 32-bit x86 program at all. There the 32-bit lane cannot
# run a single test, and says so for each of them: every test exits with 77,
# which the tests' SKIP_RETURN_CODE turns into "skipped", with the reason on
# its output. To have the same list of tests to skip, they are listed by the
# 64-bit build of the same sources, built just before by tools/test.sh.
# LSD2WAV_NO_I386=1 takes this path on any machine.
set -u
bits=$1 prefix=$2 twin_dir=$3
shift 3

export WINEDEBUG=-all WINEPREFIX="$prefix"
# Mono and Gecko are never needed by a console program; without them the
# prefix is made in seconds and without asking.
export WINEDLLOVERRIDES=mscoree,mshtml=
wine32=/usr/lib/wine/wine
wine64=/usr/lib/wine/wine64

# Makes the prefix once, before the first test: CTest starts two tests at a
# time, and two Wine processes that both find no prefix both make one.
prepare_prefix() {
    [ -f "$prefix.ready" ] && return
    mkdir -p "$(dirname "$prefix")"
    # shellcheck disable=SC2016 # the inner sh expands them
    WINELOADER=$1 flock "$prefix.lock" sh -c '
        [ -f "$2.ready" ] && exit 0
        "$1" wineboot --init >/dev/null 2>&1 && /usr/lib/wine/wineserver -w && touch "$2.ready"
    ' sh "$1" "$prefix"
}

if [ "$bits" = 64 ]; then
    prepare_prefix "$wine64"
    export WINELOADER=$wine64
    exec "$wine64" "$@"
fi

# Whether this machine starts 32-bit x86 programs; asked once per boot and
# prefix, by starting Wine's own 32-bit loader.
i386_reason() {
    [ "${LSD2WAV_NO_I386:-}" = 1 ] && { echo "LSD2WAV_NO_I386=1 is set"; return; }
    boot=$(cat /proc/sys/kernel/random/boot_id 2>/dev/null || echo unknown)
    cache="$prefix.i386-$boot"
    if [ ! -f "$cache" ]; then
        mkdir -p "$(dirname "$prefix")"
        if [ ! -e "$wine32" ]; then
            echo "Wine's 32-bit loader $wine32 is not installed (tools/setup.sh win32)"
        elif ! out=$("$wine32" --version 2>&1); then
            echo "this machine runs no 32-bit x86 programs ($wine32: ${out##*: })"
        elif grep -qs '^interpreter .*qemu-i386' /proc/sys/fs/binfmt_misc/*; then
            echo "this machine runs 32-bit x86 programs only under user-mode emulation, too slow for every test"
        fi >"$cache"
    fi
    cat "$cache"
}

reason=$(i386_reason)
# For tools/test.sh: why this lane's tests do not run here, or nothing.
if [ "$1" = --why-not ]; then
    [ -z "$reason" ] || echo "$reason"
    exit 0
fi
if [ -z "$reason" ]; then
    prepare_prefix "$wine32"
    export WINELOADER=$wine32
    exec "$wine32" "$@"
fi

program=$1
shift
case " $* " in
*" --gtest_list_tests "*)
    twin="$twin_dir/$(basename "$program")"
    if [ -f "$twin" ]; then
        WINEPREFIX="$twin_dir/wine-prefix" WINELOADER=$wine64 exec "$wine64" "$twin" "$@"
    fi
    # Without the 64-bit build there is no list: one test stands for all.
    printf 'Win32Lane.\n  NotRunOnThisMachine\n'
    exit 0
    ;;
esac
echo "SKIPPED: $reason"
exit 77
