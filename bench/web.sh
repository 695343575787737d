#!/usr/bin/env bash
# Times the page in headless chromium against the native lsd2wav and wav2lsd
# --list, in the same run: its open of bench/run.sh's two banks (5,000 small
# entries; 40 entries of 4 MiB), of 100 MiB (25 x 4 MiB), of a sparse bank of
# 1.2 GiB and of 100,000 entries; "Save all into a folder" of the first three;
# how much the browser grew to open each; the page's longest task
# (bench/web_run.mjs says what each column is). Prints one table; asserts
# nothing.
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
build/make_bench_bank "$work/many.lsd" 100000 10 60 >/dev/null
# 1.2 GiB whose samples are holes: three entries of 400 MiB and a small one.
python3 - "$work/sparse.lsd" <<'PY'
import struct, sys
with open(sys.argv[1], 'wb') as bank:
    bank.write(bytes(4))
    for name, length in ((b'first', 400 << 20), (b'second', 400 << 20), (b'third', 400 << 20), (b'last', 5000)):
        bank.write(name.ljust(32, b'\0') + struct.pack('<iHHIIHH', length - 2, 1, 2, 44100, 176400, 4, 16))
        bank.truncate(bank.tell() + length)
        bank.seek(0, 2)
PY

echo "lsd2wav: built from $(git rev-parse --short HEAD 2>/dev/null || echo '?'); machine: $(nproc) cores, $(uname -sr), banks on $where"
node bench/web_run.mjs "$runs" "$root/build" "$root/build-web/site" \
    "a) 5,000 x 200..3,000 B*=$work/small.lsd" "b) 40 x 4 MiB*=$work/large.lsd" "100 MiB (25 x 4 MiB)*=$work/hundred.lsd" \
    "1.2 GiB, sparse=$work/sparse.lsd" "100,000 entries=$work/many.lsd"
