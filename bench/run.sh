#!/usr/bin/env bash
# Times lsd2wav against bench/minimal_extract on generated banks and prints
# the ratio of median wall times, system calls per entry and lsd2wav's peak
# memory against its targets.
#
#   bench/run.sh                      # the default preset's build/lsd2wav
#   RUNS=7 bench/run.sh               # timed runs per program and bank (default 11)
#   LSD2WAV=/path/to/lsd2wav bench/run.sh   # time another build of the program
#   BUILD_DIR=/tmp/b bench/run.sh     # build there instead of the preset's build/
#   BENCH_TMPDIR=/tmp bench/run.sh    # banks and output there (default: /dev/shm)
#   bench/web.sh                      # the page's engine in headless chromium against these programs
#
# Exit code 1 when the two programs do not agree byte for byte; a missed
# target is reported, not failed, since one noisy run must not break a build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${RUNS:-11}
case "$runs" in '' | *[!0-9]* | 0) echo "RUNS must be a positive number" >&2; exit 2 ;; esac

# ---- build ------------------------------------------------------------------
"$root/tools/setup.sh"
targets=(make_bench_bank minimal_extract bench_run)
[ -n "${LSD2WAV:-}" ] || targets+=(lsd2wav)
if [ -n "${BUILD_DIR:-}" ]; then
    build=$BUILD_DIR
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$build" --target "${targets[@]}" >/dev/null
else
    build=$root/build
    # Configured every time: a build tree made before bench/ existed would
    # not know its targets.
    (cd "$root" && cmake --preset default >/dev/null && cmake --build --preset default --target "${targets[@]}" >/dev/null)
fi
lsd2wav=${LSD2WAV:-$build/lsd2wav}
minimal=$build/minimal_extract
runner=$build/bench_run
[ -x "$lsd2wav" ] || { echo "no program at $lsd2wav" >&2; exit 2; }

# strace counts the system calls; without it the timings still stand.
if ! command -v strace >/dev/null; then
    if [ "$(id -u)" -eq 0 ]; then
        { apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq strace >/dev/null; } || true
    fi
    command -v strace >/dev/null || echo "strace is missing (install it as root): no system call counts" >&2
fi

# ---- banks ------------------------------------------------------------------
# A memory file system by default: on disk, creating thousands of files costs
# the file system far more than either program spends, and its journal and
# write-back make the times wander; what is compared here is the programs.
where=${BENCH_TMPDIR:-}
if [ -z "$where" ]; then
    where=${TMPDIR:-/tmp}
    if [ "$(stat -f -c %T /dev/shm 2>/dev/null)" = tmpfs ] && [ -w /dev/shm ]; then where=/dev/shm; fi
fi
work=$(mktemp -d "$where/lsd2wav-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
banks=(empty small small_over large)
declare -A entries largest label file earlier
make_bank() {  # name, entries, smallest and largest sample block
    entries[$1]=$2
    file[$1]=$1
    largest[$1]=$("$build/make_bench_bank" "$work/$1.lsd" "$2" "$3" "$4")
}
make_bank empty 0 2 2
make_bank small 5000 200 3000
make_bank large 40 4194304 4194304
# The small bank again, in a folder that holds the files of a run before:
# every file is there already and is overwritten.
entries[small_over]=${entries[small]}
largest[small_over]=${largest[small]}
file[small_over]=small
earlier[small_over]=$work/small.files
label[empty]="empty (0 entries)"
label[small]="a) 5,000 x 200..3,000 B"
label[small_over]="a) again, overwriting"
label[large]="b) 40 x 4 MiB"
# The most each bank's ratio may be.
declare -A target=([small]=1.10 [small_over]=1.25 [large]=1.15)

# Every run starts in a folder of its own that holds only the bank (a hard
# link, so no copy), or the bank and the files of a run before, and the
# folder goes again before the next run, with a sync so that no write-back of
# one run lands in the next one's time.
run_in() {  # folder, bank, stdout file or "-", program and its arguments
    local dir=$1 bank=$2 out=$3
    shift 3
    rm -rf "$dir"
    if [ -n "${earlier[$bank]:-}" ]; then cp -r "${earlier[$bank]}" "$dir"; else mkdir "$dir"; fi
    ln "$work/${file[$bank]}.lsd" "$dir/music_p.lsd"
    "$runner" "$dir" "$out" "$@"
}
settle() {
    rm -rf "$work/run"
    sync
}

# ---- the two programs must agree before they are compared -------------------
# These runs also warm the page cache with the banks and both programs.
for bank in "${banks[@]}"; do
    read -r _ _ code_l _ < <(run_in "$work/check-l" "$bank" "$work/$bank.out-l" "$lsd2wav")
    read -r _ _ code_m _ < <(run_in "$work/check-m" "$bank" "$work/$bank.out-m" "$minimal")
    if [ "$code_l" != 0 ] || [ "$code_m" != 0 ]; then
        echo "$bank bank: exit codes lsd2wav $code_l, minimal_extract $code_m" >&2
        exit 1
    fi
    if ! cmp -s "$work/$bank.out-l" "$work/$bank.out-m"; then
        echo "$bank bank: the two programs print different lines" >&2
        exit 1
    fi
    if ! printf '  ok\n' | cmp -s - <(tail -c 5 "$work/$bank.out-l"); then
        echo "$bank bank: the run did not end with \"  ok\"" >&2
        exit 1
    fi
    files=$(find "$work/check-l" -name '*.wav' | wc -l)
    if [ "$files" -ne "${entries[$bank]}" ]; then
        echo "$bank bank: $files WAV files for ${entries[$bank]} entries" >&2
        exit 1
    fi
    if ! diff -r -q "$work/check-l" "$work/check-m" >&2; then
        echo "$bank bank: the two programs make different files" >&2
        exit 1
    fi
    if [ "$bank" = small ]; then
        mv "$work/check-l" "$work/small.files"
        rm "$work/small.files/music_p.lsd"
    fi
    rm -rf "$work/check-l" "$work/check-m"
    sync
done
echo "Both programs make the same files and print the same lines on every bank."

# ---- timed runs, alternating ---------------------------------------------------
# On a shared machine the load drifts; taking the two programs turn about,
# and the first of a pair in turn, gives both the same share of it.
for ((i = 1; i <= runs; i++)); do
    for bank in "${banks[@]}"; do
        if ((i % 2)); then order=(l m); else order=(m l); fi
        for who in "${order[@]}"; do
            if [ "$who" = l ]; then program=$lsd2wav; else program=$minimal; fi
            read -r wall rss code cpu < <(run_in "$work/run" "$bank" "$work/last.out" "$program")
            if [ "$code" != 0 ] || ! cmp -s "$work/last.out" "$work/$bank.out-l"; then
                echo "$bank bank, run $i: $program ended with $code or printed other lines" >&2
                exit 1
            fi
            echo "$wall $rss $cpu" >>"$work/$bank.times-$who"
            settle
        done
    done
    printf '\rtimed run %d of %d' "$i" "$runs" >&2
done
echo >&2

# ---- system calls ---------------------------------------------------------------
# strace -c per call name, for each program and bank; per entry is the
# difference to the empty bank, which leaves start-up and end out.
have_strace=0
if command -v strace >/dev/null; then
    have_strace=1
    strace=$(command -v strace)
    for bank in "${banks[@]}"; do
        # lsd2wav's signal thread may not get to run before a run on the
        # empty bank ends; the most of each call over a few runs counts it.
        if [ "$bank" = empty ]; then tries=3; else tries=1; fi
        for who in l m; do
            if [ "$who" = l ]; then program=$lsd2wav; else program=$minimal; fi
            for ((t = 1; t <= tries; t++)); do
                run_in "$work/run" "$bank" - "$strace" -f -c -o "$work/$bank.strace-$who-$t" "$program" >/dev/null
                settle
            done
            # "% time seconds usecs/call calls [errors] syscall": the calls
            # are the fourth field, the name the last.
            awk '$1 ~ /^[0-9.]+$/ && $NF != "total" { if ($4 > most[$NF]) most[$NF] = $4 }
                 END { for (c in most) print c, most[c] }' \
                "$work/$bank.strace-$who"-* >"$work/$bank.calls-$who"
        done
    done
fi

# ---- report -------------------------------------------------------------------
median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
column_of() { awk -v c="$2" '{ print $c }' "$1"; }
total_calls() { awk '{ s += $2 } END { print s + 0 }' "$1"; }

version="$lsd2wav"
if [ -z "${LSD2WAV:-}" ]; then
    rev=$(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo "?")
    git -C "$root" diff --quiet HEAD -- runtime extract platform 2>/dev/null || rev="$rev + uncommitted changes"
    buffer=$(sed -n 's/^constexpr int32_t FileBufferSize = \([0-9]*\);.*/\1/p' "$root/runtime/files/file_registry.h")
    version="$lsd2wav, built from $rev, FileBufferSize = ${buffer:-?}"
fi
echo
echo "lsd2wav: $version"
echo "machine: $(nproc) cores, $(uname -sr), output on $(df -T "$work" | awk 'NR == 2 { print $2 }') ($work)"
echo "runs: $runs timed runs per program and bank, alternating, after one untimed run each; stdout to a pipe"
echo
base_rss=$(column_of "$work/empty.times-l" 2 | median)
printf '| %-23s | %17s | %17s | %6s | %6s | %8s | %11s | %11s | %13s | %9s |\n' \
    bank "lsd2wav ms" "minimal ms" ratio "cpu" "target" "calls/entry" "calls/entry" "peak KiB" "limit KiB"
printf '| %-23s | %17s | %17s | %6s | %6s | %8s | %11s | %11s | %13s | %9s |\n' \
    "" "median (min)" "median (min)" "" ratio "" lsd2wav minimal lsd2wav lsd2wav
printf '|%s|\n' "-------------------------|-------------------|-------------------|--------|--------|----------|-------------|-------------|---------------|-----------"
for bank in "${banks[@]}"; do
    tl=$(column_of "$work/$bank.times-l" 1 | median)
    tm=$(column_of "$work/$bank.times-m" 1 | median)
    minl=$(column_of "$work/$bank.times-l" 1 | sort -n | head -1)
    minm=$(column_of "$work/$bank.times-m" 1 | sort -n | head -1)
    ratio=$(awk -v a="$tl" -v b="$tm" 'BEGIN { printf "%.2f", a / b }')
    # Time spent on the CPU barely moves with the load of other processes,
    # which the wall time takes in full on two cores: a cross-check.
    cpu=$(awk -v a="$(column_of "$work/$bank.times-l" 3 | median)" -v b="$(column_of "$work/$bank.times-m" 3 | median)" \
        'BEGIN { printf "%.2f", a / b }')
    peak=$(column_of "$work/$bank.times-l" 2 | sort -n | tail -1)
    if [ "$bank" = empty ]; then
        within=-
        limit=-
        peak="$base_rss (base)"
        cl=- cm=-
    else
        within=$(awk -v r="$ratio" -v t="${target[$bank]}" 'BEGIN { printf "%s %s", (r <= t) ? "<=" : "MISSED", t }')
        limit=$((base_rss + (largest[$bank] + 1023) / 1024 + 1024))
        if [ "$peak" -le "$limit" ]; then peak="$peak ok"; else peak="$peak MISSED"; fi
        cl=- cm=-
        if [ "$have_strace" = 1 ]; then
            n=${entries[$bank]}
            cl=$(awk -v a="$(total_calls "$work/$bank.calls-l")" -v b="$(total_calls "$work/empty.calls-l")" -v n="$n" 'BEGIN { printf "%.2f", (a - b) / n }')
            cm=$(awk -v a="$(total_calls "$work/$bank.calls-m")" -v b="$(total_calls "$work/empty.calls-m")" -v n="$n" 'BEGIN { printf "%.2f", (a - b) / n }')
        fi
    fi
    printf '| %-23s | %8.1f (%6.1f) | %8.1f (%6.1f) | %6s | %6s | %8s | %11s | %11s | %13s | %9s |\n' \
        "${label[$bank]}" "$(awk -v t="$tl" 'BEGIN { print t / 1000 }')" "$(awk -v t="$minl" 'BEGIN { print t / 1000 }')" \
        "$(awk -v t="$tm" 'BEGIN { print t / 1000 }')" "$(awk -v t="$minm" 'BEGIN { print t / 1000 }')" \
        "$ratio" "$cpu" "$within" "$cl" "$cm" "$peak" "$limit"
done
echo
echo "ratio: lsd2wav median / minimal median wall time (the target). cpu ratio: the same for user + system time."
echo "calls/entry: system calls on the bank minus those on the empty bank, per entry."
echo "limit: lsd2wav's peak on the empty bank + the largest sample block + 1 MiB;"
echo "peak: the highest max RSS over lsd2wav's timed runs."

if [ "$have_strace" = 1 ]; then
    echo
    echo "System calls per entry by call (strace -f -c, bank minus empty bank):"
    for bank in small small_over large; do
        for who in l m; do
            if [ "$who" = l ]; then name=lsd2wav; else name=minimal; fi
            breakdown=$(awk -v n="${entries[$bank]}" '
                NR == FNR { base[$1] = $2; next }
                { d = $2 - base[$1]; if (d * 200 >= n || -d * 200 >= n) printf "%s %.2f\n", $1, d / n; delete base[$1] }
                END { for (c in base) if (base[c] * 200 >= n) printf "%s %.2f\n", c, -base[c] / n }' \
                "$work/empty.calls-$who" "$work/$bank.calls-$who" | sort -k2,2nr -k1,1 | awk '{ printf "%s %s  ", $1, $2 }')
            printf '  %-7s %-8s %s\n' "$bank" "$name" "$breakdown"
        done
    done
fi
