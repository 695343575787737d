#!/usr/bin/env bash
# Builds everything and runs every test, lane by lane:
#   native  the Linux build with the POSIX stand-in, its tests and whole-program runs;
#   win64   the 64-bit Windows build, its tests under wine64 (every machine);
#   win32   the 32-bit Windows build, the program's home: always built, its
#           import tables and large-address-aware mark checked; its tests
#           run under Wine's 32-bit loader where the kernel runs 32-bit
#           programs, and are reported skipped, with the reason, where it
#           does not.
#   web     the page: the engine built with emscripten, the site assembled
#           (tools/web.sh --no-serve), and the page driven in headless
#           chromium against the native programs (tests/web/run.mjs);
#           reported skipped, with the reason, where emscripten or chromium
#           cannot be had.
# Every lane runs even when an earlier one fails, so that one run shows every
# failure; the run ends with one line per lane. Lanes can be named:
# tools/test.sh win64.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1

lanes=("$@")
[ ${#lanes[@]} -gt 0 ] || lanes=(native win64 win32 web)
presets=()
others=()
for lane in "${lanes[@]}"; do
    case $lane in
    native) presets+=(default) ;;
    win64 | win32 | web) presets+=("$lane") ;;
    *) echo "test.sh: no lane $lane (native, win64, win32, web)" >&2; exit 2 ;;
    esac
    [ "$lane" = web ] || others+=("$lane")
done
[ ${#others[@]} -eq 0 ] || tools/setup.sh "${others[@]}" || exit 1
# The page needs a compiler and a browser that a machine may not be able to
# install; without them the web lane is skipped, and says why, rather than
# failing the others.
web_setup=""
if [[ " ${lanes[*]} " == *" web "* ]]; then
    tools/setup.sh web || web_setup="tools/setup.sh web failed"
fi

# web_lane: builds the native programs the page is held against (those of
# build/, as the native lane left them, or built alone), the engine and the
# site, then drives the page. Sets counts and why_not; returns the runner's
# status.
web_lane() {
    why_not=""
    counts="0 cases"
    if ! command -v emcc >/dev/null; then
        why_not="no emscripten (emcc)${web_setup:+; $web_setup}"
        return 0
    fi
    local browser
    browser=$(node tests/web/run.mjs --why-not 2>&1)
    if [ -n "$browser" ]; then
        why_not="$browser"
        # Where setup.sh installed everything, a browser that will not start
        # is a fault of this machine's setup to be seen, not passed over.
        [ -n "$web_setup" ] || { counts="chromium does not start: $browser"; return 1; }
        why_not="$why_not; $web_setup"
        return 0
    fi
    local native=(lsd2wav wav2lsd make_demo_bank make_bench_bank)
    if [ ! -f build/build.ninja ]; then
        cmake --preset default -DLSD2WAV_TESTS=OFF >/dev/null || return 1
    fi
    cmake --build build --target "${native[@]}" || return 1
    tools/web.sh --no-serve || return 1
    local log status
    log=$(mktemp)
    # The README's picture of the page is taken in every run, so that it
    # shows the page as it is: a change to the page shows in git as a new
    # docs/page.png (Chromium draws the same page to the same bytes).
    node tests/web/run.mjs --screenshot docs/page.png 2>&1 | tee "$log"
    status=${PIPESTATUS[0]}
    counts=$(sed -n 's/^web: \(.* cases: .*\)$/\1/p' "$log" | tail -n 1)
    rm -f "$log"
    return "$status"
}

summary=()
failed=0
for i in "${!lanes[@]}"; do
    lane=${lanes[$i]} preset=${presets[$i]}
    printf '\n== test: lane %s\n' "$lane"
    SECONDS=0
    if [ "$lane" = web ]; then
        if web_lane; then
            if [ -n "$why_not" ]; then
                summary+=("web: SKIPPED, the page was not tested: $why_not (${SECONDS} s)")
            else
                summary+=("web: passed (${counts:-no count}; ${SECONDS} s)")
            fi
        else
            summary+=("web: FAILED (${counts:-no count}; ${SECONDS} s)")
            failed=1
        fi
        continue
    fi
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
