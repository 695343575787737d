#!/usr/bin/env bash
# The checks beyond the everyday tests, for hostile and huge banks:
#   0. shellcheck over every shell script of the project;
#   1. every test on a build with AddressSanitizer and UndefinedBehaviorSanitizer;
#   2. the fuzzers of lsd2wav and of wav2lsd's parsers, each for a bounded
#      time, starting from seeds made afresh;
#   3. valgrind memcheck over a few banks, among them truncated and failing ones;
#   4. lsd2wav while another process swaps a subfolder or an entry's file
#      for a link outside or a hard link of the bank (tests/race/race_check.cpp);
#   5. the tests of label "huge" (one entry past 2 GiB, 100,000 entries),
#      when the disk and the memory have room for them;
#   6. where the kernel runs no 32-bit programs, the real 32-bit Windows
#      programs under user-mode emulation (tools/check_win32_emulated.sh),
#      which still start through Wine's 32-bit loader: where that is not
#      installed, the step says so and skips.
# Any fault fails the script. Settings, from the environment:
#   LSD2WAV_FUZZ_SECONDS  how long each fuzzer runs; 60 unless set
#   LSD2WAV_RACE_SECONDS  how long each race case runs; 7 unless set
#   LSD2WAV_HUGE          "skip" leaves step 5 out
# Missing packages are installed with apt-get when run as root.
set -euo pipefail
cd "$(dirname "$0")/.."

fuzz_seconds=${LSD2WAV_FUZZ_SECONDS:-60}
race_seconds=${LSD2WAV_RACE_SECONDS:-7}
sanitize_dir=build-sanitize
default_dir=build
seeds=$sanitize_dir/fuzz/seeds
current_step=""
apt_updated=""

step() {
    current_step=$1
    printf '\n== check: %s\n' "$1"
    SECONDS=0
}
step_done() { printf '== check: %s done in %d s\n' "$current_step" "$SECONDS"; }
trap 'status=$?; [ $status -eq 0 ] || printf "\n== check: FAILED in step: %s\n" "$current_step" >&2' EXIT

apt_install() {
    if [ "$(id -u)" -ne 0 ]; then
        echo "check.sh: missing packages: $* (install them as root)" >&2
        exit 1
    fi
    if [ -z "$apt_updated" ]; then
        apt-get update -qq || echo "check.sh: apt-get update reported a failure; installing from the indexes it has" >&2
        apt_updated=1
    fi
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$@"
}

# Whether clang can build and link a libFuzzer target, which needs its
# compiler-rt package besides the compiler.
fuzzer_links() {
    local scratch status=0
    scratch=$(mktemp -d)
    printf 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }\n' \
        >"$scratch/t.cpp"
    clang++ -fsanitize=fuzzer,address,undefined "$scratch/t.cpp" -o "$scratch/t" \
        >/dev/null 2>&1 || status=1
    rm -rf "$scratch"
    return $status
}

step "packages"
tools/setup.sh check emulation win32
needed=()
command -v clang++ >/dev/null || needed+=(clang)
command -v valgrind >/dev/null || needed+=(valgrind)
[ ${#needed[@]} -eq 0 ] || apt_install "${needed[@]}"
if ! fuzzer_links; then
    clang_major=$(clang++ -dumpversion | cut -d. -f1)
    apt_install "libclang-rt-${clang_major}-dev"
    fuzzer_links || { echo "check.sh: clang still cannot link a libFuzzer target" >&2; exit 1; }
fi
step_done

step "shellcheck over the scripts"
mapfile -t scripts < <(printf '%s\n' tools/*.sh bench/*.sh .ci/run; find tests -name '*.sh' | sort)
shellcheck "${scripts[@]}"
echo "shellcheck: ${#scripts[@]} scripts, no finding"
step_done

step "all tests with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset sanitize
cmake --build --preset sanitize
# Left out there: the tests of label huge (step 5) and MemoryLimitTest, whose
# address-space limit leaves no room for the sanitizer's shadow memory.
ctest --preset sanitize
step_done

step "fuzzers, ${fuzz_seconds} s each"
"$sanitize_dir/make_fuzz_seeds" "$seeds"
# Each input creates and removes a directory of files; in memory that is
# twenty times faster than on a disk.
scratch=${TMPDIR:-/tmp}
[ -d /dev/shm ] && [ -w /dev/shm ] && scratch=/dev/shm
# fuzz TARGET SEEDS: runs one target for the time given, from its seeds.
fuzz() {
    local target=$1 seed_dir=$2
    local corpus=$sanitize_dir/fuzz/corpus-$target artifacts=$PWD/$sanitize_dir/fuzz/artifacts-$target
    local log=$sanitize_dir/fuzz/$target.log
    mkdir -p "$corpus" "$artifacts"
    if ! TMPDIR=$scratch "$sanitize_dir/$target" -max_len=65536 -max_total_time="$fuzz_seconds" \
        -timeout=30 -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" "$seed_dir" \
        >"$log" 2>&1; then
        tail -n 80 "$log"
        echo "check.sh: $target found a fault; its input is in $artifacts" >&2
        exit 1
    fi
    echo "$target:"
    grep -E '^#[0-9]+[[:space:]]+DONE|^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$log"
}
fuzz lsd2wav_fuzz "$seeds"
fuzz wav2lsd_fuzz "$seeds/wav2lsd"
step_done

step "valgrind memcheck"
cmake --preset default >/dev/null
cmake --build --preset default --target lsd2wav
program=$PWD/$default_dir/lsd2wav
suppressions=$PWD/tools/memcheck.supp
# Runs the program under memcheck in a fresh directory holding one seed bank
# as music_p.lsd, and checks the status line it ends with, so that each bank
# surely takes the path it is here for. Arguments: the seed, the status
# line, then any command to run valgrind under (prlimit).
memcheck_bank() {
    local seed=$1 expected=$2
    shift 2
    local dir status=0 last
    dir=$(mktemp -d "${TMPDIR:-/tmp}/lsd2wav-memcheck.XXXXXX")
    cp "$seeds/$seed.lsd" "$dir/music_p.lsd"
    (cd "$dir" && "$@" valgrind --tool=memcheck --error-exitcode=99 --leak-check=full \
        --show-leak-kinds=definite,indirect,possible --errors-for-leak-kinds=definite,indirect,possible \
        --suppressions="$suppressions" --log-file="$dir.log" "$program" >"$dir.out") ||
        status=$?
    last=$(tail -n 1 "$dir.out" | tr -d '\r')
    if [ $status -ne 0 ] || [ "$last" != "$expected" ]; then
        cat "$dir.log"
        echo "check.sh: memcheck on $seed: exit code $status, last line \"$last\", expected \"$expected\"" >&2
        exit 1
    fi
    printf '%-16s %-36s %s\n' "$seed" "$last" "$(grep -h 'ERROR SUMMARY' "$dir.log" | sed 's/^==[0-9]*== //')"
    rm -rf "$dir" "$dir.log" "$dir.out"
}
memcheck_bank plain "  ok"
memcheck_bank many_entries "  ok"
memcheck_bank cut_at_66 "  ok"
memcheck_bank cut_at_44 "  Failed to write to output file!"
memcheck_bank name_parent_x "  Cannot create output file!"
memcheck_bank length_-2 "  Failed to write to output file!"
memcheck_bank length_60000 "  Failed to write to output file!" prlimit --fsize=20000 --
step_done

step "races: another process swaps names while lsd2wav runs, 3 x ${race_seconds} s"
cmake --build --preset default --target lsd2wav race_check
"$default_dir/race_check" "$PWD/$default_dir/lsd2wav" "$race_seconds"
step_done

step "huge tests"
# The WAV file of the largest entry is 2 GiB on disk, the scratch block that
# copies it 2 GiB in memory; the tests make their files under /tmp.
need_kib=$((3 * 1024 * 1024))
disk_kib=$(df -Pk /tmp | awk 'NR == 2 { print $4 }')
memory_kib=$(awk '/^MemAvailable:/ { print $2 }' /proc/meminfo)
if [ "${LSD2WAV_HUGE:-}" = skip ]; then
    echo "SKIPPED: the huge tests, as LSD2WAV_HUGE=skip asks"
elif [ "$disk_kib" -lt "$need_kib" ] || [ "$memory_kib" -lt "$need_kib" ]; then
    echo "SKIPPED: the huge tests need 3 GiB free on /tmp and 3 GiB of available memory;" \
         "there are $((disk_kib / 1024)) MiB and $((memory_kib / 1024)) MiB"
else
    cmake --build --preset default
    huge_log=$default_dir/huge-tests.log
    if ! ctest --test-dir "$default_dir" -L huge --no-tests=error --output-on-failure -V >"$huge_log" 2>&1; then
        tail -n 80 "$huge_log"
        echo "check.sh: a huge test failed; the whole output is in $huge_log" >&2
        exit 1
    fi
    grep -E 'peak resident memory|Test +#[0-9]+:' "$huge_log"
    ctest --test-dir "$sanitize_dir" -L huge --no-tests=error -R '^LargestEntryTest\.' --output-on-failure
fi
step_done

step "the 32-bit Windows programs under emulation"
cmake --preset default >/dev/null
cmake --build --preset default --target lsd2wav wav2lsd make_demo_bank
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target lsd2wav wav2lsd lsd2wav_unit_tests
tools/check_win32_emulated.sh
step_done

printf '\n== check: all passed\n'
