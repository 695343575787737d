#!/usr/bin/env bash
# Tests, builds and packages a release, all into dist/:
#   lsd2wav-VERSION-win32.zip, lsd2wav-VERSION-win64.zip
#       lsd2wav.exe, wav2lsd.exe, README.txt for Windows users and LICENSE.txt;
#   lsd2wav_VERSION_ARCH.deb
#       both programs for Linux with their man pages (cpack -G DEB);
#   lsd2wav-VERSION-web.zip
#       the page, a static site that runs both programs in the browser;
# VERSION is the one in project() of CMakeLists.txt.
# First it runs the test lanes of every program it ships (tools/test.sh
# native win64 win32 web), and stops when one fails; a lane the machine cannot
# run is named, with the reason, in the last lines. Then it packages the
# programs (tools/make_packages.sh): the ZIPs those of the Windows lanes'
# own build folders, so the very files those lanes tested, and the .deb a
# build of its own with Debian's flags. It checks what the packages hold
# (tools/check_release.sh) and that a build from elsewhere gives the same
# bytes (tools/check_reproducible.sh).
#   --no-tests  leaves out the test lanes, for when they have just run; the
#               last lines then say that nothing was tested. It builds the
#               two programs for each package and no test program.
set -euo pipefail
cd "$(dirname "$0")/.."

run_tests=1
case ${1:-} in
    "") ;;
    --no-tests) run_tests="" ;;
    *) echo "usage: tools/release.sh [--no-tests]" >&2; exit 2 ;;
esac

tools/setup.sh release
# Every time stamp in the packages is the last commit's.
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
fi
export SOURCE_DATE_EPOCH
dist=$PWD/dist
rm -rf "$dist"
mkdir -p "$dist"

tested="release: NOT TESTED in this run (--no-tests): no test lane ran on these programs"
if [ -n "$run_tests" ]; then
    log=$(mktemp)
    status=0
    tools/test.sh native win64 win32 web 2>&1 | tee "$log" || status=$?
    # The lane lines that end tools/test.sh's run.
    tested=$(sed -n '/^== test: lanes$/,$p' "$log" | sed '1d; s/^/release: tested: /')
    rm -f "$log"
    if [ "$status" -ne 0 ]; then
        printf '%s\n' "$tested"
        echo "release: a test lane failed; no package is made" >&2
        exit 1
    fi
fi

tools/make_packages.sh "$dist"
tools/check_release.sh "$dist"
tools/check_reproducible.sh "$dist"
echo "Release packages in $dist:"
ls -l "$dist"
printf '%s\n' "$tested"
