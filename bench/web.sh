#!/usr/bin/env bash
# Times the page's engine in headless chromium against the native lsd2wav and
# wav2lsd --list, in the same run, on bench/run.sh's two banks (5,000 small
# entries; 40 entries of 4 MiB) and on a bank of 100 MiB (25 x 4 MiB), and
# measures the page's own open of each and its memory (bench/web_run.mjs says
# what each column is). Prints one table; asserts nothing.
#
#   bench/web.sh              # medians of 5 runs
#   RUNS=9 bench/web.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${RUNS:-5}
case "$runs" in '' | *[!0-9]* | 0) echo "RUNS must be a positive number" >&2; exit 2 ;; esac

"$root/tools/setup.sh" web
cd "$root"
cmake --preset default >/dev/null
cmake --build --preset default --target make_bench_bank bench_run lsd2wav wav2lsd >/dev/null
tools/web.sh --no-serve >/dev/null

where=${TMPDIR:-/tmp}
if [ "$(stat -f -c %T /dev/shm 2>/dev/null)" = tmpfs ] && [ -w /dev/shm ]; then where=/dev/shm; fi
work=$(mktemp -d "$where/lsd2wav-web-banks.XXXXXX")
trap 'rm -rf "$work"' EXIT
build/make_bench_bank "$work/small.lsd" 5000 200 3000 >/dev/null
build/make_bench_bank "$work/large.lsd" 40 4194304 4194304 >/dev/null
build/make_bench_bank "$work/hundred.lsd" 25 4194304 4194304 >/dev/null

echo "lsd2wav: built from $(git rev-parse --short HEAD 2>/dev/null || echo '?'); machine: $(nproc) cores, $(uname -sr), banks on $where"
node bench/web_run.mjs "$runs" "$root/build" "$root/build-web/site" \
    "a) 5,000 x 200..3,000 B=$work/small.lsd" "b) 40 x 4 MiB=$work/large.lsd" "100 MiB (25 x 4 MiB)=$work/hundred.lsd"
