#!/usr/bin/env bash
# Builds everything and runs every test, lane by lane:
#   native  the Linux build with the POSIX stand-in, its tests and whole-program runs;
#   win64   the 64-bit Windows build, its tests under wine64 (every machine);
#   win32   the 32-bit Windows build, the program's home: always built, its
#           import tables and large-address-aware mark checked; its tests
#           run under Wine's 32-bit loader where the kernel runs 32-bit
#           programs, and are reported skipped, with the reason, where it
#           does not.
# Every lane runs even when an earlier one fails, so that one run shows every
# failure; the run ends with one line per lane. Lanes can be named:
# tools/test.sh win64.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1

lanes=("$@")
[ ${#lanes[@]} -gt 0 ] || lanes=(native win64 win32)
presets=()
for lane in "${lanes[@]}"; do
    case $lane in
    native) presets+=(default) ;;
    win64 | win32) presets+=("$lane") ;;
    *) echo "test.sh: no lane $lane (native, win64, win32)" >&2; exit 2 ;;
    esac
done
tools/setup.sh "${lanes[@]}" || exit 1

summary=()
failed=0
for i in "${!lanes[@]}"; do
    lane=${lanes[$i]} preset=${presets[$i]}
    printf '\n== test: lane %s\n' "$lane"
    SECONDS=0
    log=$(mktemp)
    if ! cmake --preset "$preset" >/dev/null || ! cmake --build --preset "$preset"; then
        summary+=("$lane: FAILED to build (${SECONDS} s)")
        failed=1
        continue
    fi
    ctest --preset "$preset" 2>&1 | tee "$log"
    status=${PIPESTATUS[0]}
    total=$(sed -n 's/.* tests failed out of \([0-9]*\)$/\1/p' "$log" | tail -n 1)
    broken=$(sed -n 's/.*, \([0-9]*\) tests failed out of .*/\1/p' "$log" | tail -n 1)
    skipped=$(grep -c '(Skipped)$' "$log")
    rm -f "$log"
    counts="${total:-0} tests: $((${total:-0} - ${broken:-0} - skipped)) passed, ${broken:-0} failed, $skipped skipped"
    why_not=""
    [ "$lane" = win32 ] && why_not=$(tests/windows/run_under_wine.sh 32 "$PWD/build-win32/wine-prefix" - --why-not)
    if [ "$status" -ne 0 ]; then
        summary+=("$lane: FAILED ($counts; ${SECONDS} s)")
        failed=1
    elif [ -n "$why_not" ]; then
        # tools/check.sh runs the 32-bit programs under emulation only where
        # that step can start them: it needs the same 32-bit loader.
        emulated_why_not=$(tools/check_win32_emulated.sh --why-not)
        later="tools/check.sh runs the 32-bit programs under emulation."
        [ -z "$emulated_why_not" ] ||
            later="Nothing 32-bit runs here, in the tests or in tools/check.sh, whose run under emulation skips them: $emulated_why_not."
        summary+=("$lane: SKIPPED, its tests did not run: $why_not. Built, and its import tables and large-address-aware mark checked ($counts; ${SECONDS} s). $later")
    else
        summary+=("$lane: passed ($counts; ${SECONDS} s)")
    fi
done

printf '\n== test: lanes\n'
printf '%s\n' "${summary[@]}"
exit $failed
