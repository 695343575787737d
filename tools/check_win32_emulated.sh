#!/usr/bin/env bash
# Runs the real 32-bit Windows programs on a machine whose kernel runs no
# 32-bit x86 programs, where the win32 lane of tools/test.sh cannot: Wine's
# 32-bit loader runs under qemu's user-mode emulation, which binfmt_misc
# starts for every 32-bit ELF while this script runs. It is slow (about a
# minute a program start), so it runs a handful of cases chosen to cover the
# Windows code paths, each compared byte for byte with the native program:
#   1. wav2lsd.exe packs the demo tones: the bank equals the native one;
#   2. lsd2wav.exe extracts that bank with standard output in a file (the
#      WriteFile fallback of a redirected standard output);
#   3. a bank cut inside a sample block (zero tail, then "  ok");
#   4. an entry named "../escape", refused, with nothing written outside;
#   5. the 32-bit unit test program, all its tests in one start (Wine's
#      32-bit KERNEL32 under the runtime).
# Where 32-bit programs run natively, the win32 lane has run all of this and
# more, and this script says so and does nothing. The emulator stands in for
# the kernel only: the programs still start through Wine's 32-bit loader, so
# without it nothing runs here either. Where the loader, the emulator or
# binfmt_misc cannot be had, it says so and skips. A handler it registers
# (and binfmt_misc, when it mounted it) is removed again when it ends.
# Needs the default and win32 builds and the win64 build's Wine prefix
# maker; tools/check.sh builds what is missing.
#   check_win32_emulated.sh --why-not
# prints why this machine will not run the programs here, or nothing, from
# what the installs of tools/check.sh do not change (it installs the
# emulator), and runs nothing: tools/test.sh asks it for its win32 line.
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS=0

wine32=/usr/lib/wine/wine
qemu=/usr/bin/qemu-i386-static
binfmt=/proc/sys/fs/binfmt_misc
handler=lsd2wav-i386
native=$PWD/build win32=$PWD/build-win32

skip() {
    echo "SKIPPED: the 32-bit programs under emulation: $*"
    exit 0
}

why_not() {
    if "$wine32" --version >/dev/null 2>&1 && ! grep -qs "^interpreter .*qemu-i386" "$binfmt"/*; then
        echo "this machine runs 32-bit programs itself, where the win32 lane of tools/test.sh runs them"
    elif [ ! -e "$wine32" ]; then
        echo "no Wine 32-bit loader $wine32 (tools/setup.sh win32 installs it)"
    elif [ "$(id -u)" -ne 0 ]; then
        echo "registering the emulator with binfmt_misc takes root"
    fi
}
reason=$(why_not)
if [ "${1:-}" = --why-not ]; then
    [ -z "$reason" ] || echo "$reason"
    exit 0
fi
[ -z "$reason" ] || skip "$reason"
[ -x "$qemu" ] || skip "no $qemu (tools/setup.sh emulation installs it)"

work=$(mktemp -d "${TMPDIR:-/tmp}/lsd2wav-emulated.XXXXXX")
# The prefix is made by the native 64-bit Wine, before the emulator is
# registered: it takes seconds, where Wine's 32-bit half would take minutes
# under emulation. Finding no 32-bit support, it leaves out the 32-bit system
# folder, which takes Wine's own 32-bit DLLs, as its 32-bit half would have
# put them there.
export WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= WINEPREFIX=$work/prefix
WINELOADER=/usr/lib/wine/wine64 /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1
/usr/lib/wine/wineserver -w
cp -r /usr/lib/i386-linux-gnu/wine/i386-windows/. "$WINEPREFIX/drive_c/windows/syswow64/"
# One server for every start, instead of one each.
/usr/lib/wine/wineserver -p
printf '== emulated: Wine prefix made in %d s\n' "$SECONDS"

mounted="" registered=""
cleanup() {
    [ -n "$registered" ] && echo -1 >"$binfmt/$handler"
    [ -n "$mounted" ] && umount "$binfmt"
    /usr/lib/wine/wineserver -k 2>/dev/null
    rm -rf "$work"
    return 0
}
trap cleanup EXIT
if [ ! -e "$binfmt/register" ]; then
    mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null || skip "binfmt_misc cannot be mounted here"
    mounted=1
fi
if ! grep -qs "^interpreter .*qemu-i386" "$binfmt"/*; then
    # An i386 ELF executable, as qemu's own configuration matches it. F opens
    # the emulator now, so that it is found whatever the program's root.
    magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    echo ":$handler:M::$magic:$mask:$qemu:F" >"$binfmt/register" 2>/dev/null ||
        skip "binfmt_misc refuses a new handler here"
    registered=1
fi
"$wine32" --version >/dev/null 2>&1 || { echo "check_win32_emulated.sh: the emulated Wine loader does not start" >&2; exit 1; }


failures=0
fail() {
    echo "FAILED: $*" >&2
    failures=$((failures + 1))
}
# Runs a 32-bit program under emulation in a folder: run32 DIR PROGRAM ARG...
run32() {
    local dir=$1 start=$SECONDS
    shift
    (cd "$dir" && WINELOADER=$wine32 "$wine32" "$@")
    printf '   (%s: %d s)\n' "$(basename "$1")" $((SECONDS - start)) >&2
}
# Extracts the bank BANK with the native and the emulated lsd2wav, each in a
# folder of its own holding it as music_p.lsd, with standard output in a
# file; both folders must end byte for byte alike, and so must the lines,
# but for their ends: LF natively, CR LF on Windows.
compare_extraction() {
    local name=$1 bank=$2 last=$3
    mkdir -p "$work/$name/native" "$work/$name/windows"
    cp "$bank" "$work/$name/native/music_p.lsd"
    cp "$bank" "$work/$name/windows/music_p.lsd"
    (cd "$work/$name/native" && "$native/lsd2wav" >../native.out)
    run32 "$work/$name/windows" "$win32/lsd2wav.exe" >"$work/$name/windows.out" || true
    sed 's/$/\r/' "$work/$name/native.out" >"$work/$name/native-crlf.out"
    if ! cmp -s "$work/$name/native-crlf.out" "$work/$name/windows.out"; then
        fail "$name: the lines printed differ"
        diff <(od -c "$work/$name/native-crlf.out") <(od -c "$work/$name/windows.out") | head -n 20 >&2
    elif ! diff -r "$work/$name/native" "$work/$name/windows" >&2; then
        fail "$name: the extracted files differ"
    elif [ "$(tail -n 1 "$work/$name/windows.out" | tr -d '\r')" != "$last" ]; then
        fail "$name: ended with \"$(tail -n 1 "$work/$name/windows.out")\", not \"$last\""
    else
        echo "ok: $name ($(grep -c . "$work/$name/windows.out") lines, $(find "$work/$name/windows" -name '*.wav' | wc -l) WAV files)"
    fi
}

echo "== emulated: 1. wav2lsd.exe packs the demo tones"
mkdir -p "$work/tones"
"$native/make_demo_bank" "$work/tones" >/dev/null
(cd "$work" && "$native/wav2lsd" native.lsd tones/*.wav)
(cd "$work" && run32 . "$win32/wav2lsd.exe" windows.lsd tones/*.wav) || fail "wav2lsd.exe failed"
if cmp "$work/native.lsd" "$work/windows.lsd"; then
    echo "ok: the bank is byte for byte the native one ($(stat -c %s "$work/windows.lsd") bytes)"
else
    fail "wav2lsd.exe packed another bank"
fi

echo "== emulated: 2. lsd2wav.exe extracts it, standard output in a file"
compare_extraction demo "$work/windows.lsd" "  ok"

echo "== emulated: 3. a bank cut inside a sample block"
head -c 66 "$work/native.lsd" >"$work/cut.lsd"
compare_extraction cut "$work/cut.lsd" "  ok"

echo "== emulated: 4. a refused name"
# Lead field, the name field, L = 2, a 16-byte format, L + 2 sample bytes.
{
    printf 'LEAD../escape'
    head -c 23 /dev/zero
    printf '\002\000\000\000\001\000\001\000\100\037\000\000\200\076\000\000\002\000\020\000abcd'
} >"$work/refused.lsd"
compare_extraction refused "$work/refused.lsd" "  Cannot create output file!"
[ ! -e "$work/refused/escape.wav" ] || fail "refused: escape.wav was written outside the folder"

echo "== emulated: 5. the 32-bit unit test program, in one start"
# A test that only reports a skip crashes the emulated process: those are
# the POSIX-only placeholders, left out here.
if run32 "$win32" "$win32/lsd2wav_unit_tests.exe" --gtest_brief=1 \
    --gtest_filter=-Files/PosixOnlyTest.* >"$work/unit.log" 2>&1; then
    echo "ok: $(grep -E '^\[  PASSED  \]' "$work/unit.log")"
else
    tail -n 40 "$work/unit.log" >&2
    fail "the 32-bit unit tests"
fi

printf '== emulated: %d failures, %d s in all\n' "$failures" "$SECONDS"
[ "$failures" -eq 0 ]
