#!/usr/bin/env bash
# Runs the same cases with the lsd2wav and wav2lsd of two revisions and
# shows every difference in what they print, their exit codes and the files
# they leave: the check that a change meant to keep behaviour keeps it.
#
#   tools/compare_outputs.sh BASE          # BASE against the working tree
#   tools/compare_outputs.sh BASE OTHER    # two revisions
#   KEEP=1 tools/compare_outputs.sh BASE   # and keep what each side did
#
# The cases: the demo tones packed, listed, extracted and packed again with
# --update; the seed banks (cut at every part of an entry, names that reach
# out, every kind of length field) extracted fresh and over their own files,
# listed and updated; the bench banks; existing links, a FIFO and a second
# name under an entry's file; a file-size limit and a full standard output;
# every option and refusal of both programs. The banks are made by this
# checkout's generators, so both revisions read the same bytes. Native builds
# only. Exit code 0 when nothing differs, 1 when something does.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ $# -lt 1 ] || [ $# -gt 2 ]; then sed -n 2,17p "$0" >&2; exit 2; fi
work=$(mktemp -d "${TMPDIR:-/tmp}/compare-outputs.XXXXXX")
# KEEP=1 keeps the results, for a look at what each side did.
cleanup() {
    git -C "$root" worktree remove --force "$work/src-base" >/dev/null 2>&1
    git -C "$root" worktree remove --force "$work/src-other" >/dev/null 2>&1
    if [ -n "${KEEP:-}" ]; then rm -rf "$work/build-"* "$work/case"; echo "results in $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

build() {  # revision or "" for the working tree, name
    local src=$root
    if [ -n "$1" ]; then
        src=$work/src-$2
        git -C "$root" worktree add --detach "$src" "$1" >/dev/null 2>&1 || { echo "no revision $1" >&2; exit 2; }
    fi
    { cmake -S "$src" -B "$work/build-$2" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DLSD2WAV_TESTS=OFF >/dev/null &&
        cmake --build "$work/build-$2" --target lsd2wav wav2lsd >/dev/null; } ||
        { echo "the build of ${1:-the working tree} failed" >&2; exit 2; }
}
build "$1" base
build "${2:-}" other
# The generators of this checkout, for the same input bytes on both sides.
gen=$work/build-gen
cmake -S "$root" -B "$gen" -G Ninja -DLSD2WAV_TESTS=OFF >/dev/null &&
    cmake --build "$gen" --target make_demo_bank make_bench_bank >/dev/null &&
    g++ -std=c++17 -O1 -I"$root" "$root/fuzz/make_fuzz_seeds.cpp" \
        "$root/tests/support/bank_builder.cpp" -o "$gen/make_fuzz_seeds" || exit 2
inputs=$work/inputs
mkdir -p "$inputs/tones" "$inputs/bench"
"$gen/make_demo_bank" "$inputs/tones" >/dev/null
"$gen/make_fuzz_seeds" "$inputs/seeds"
"$gen/make_bench_bank" "$inputs/bench/small.lsd" 300 2 9000 7 >/dev/null
"$gen/make_bench_bank" "$inputs/bench/large.lsd" 4 2000000 3000000 8 >/dev/null

# One case: a fresh folder $case, `setup` run in it, then each step; what
# each step printed and returned, and the folder's files, go to $record.
case_dir=$work/case
step=0
run() {  # program (lsd2wav or wav2lsd) and its arguments
    local program=$1
    shift
    step=$((step + 1))
    (cd "$case_dir/in" && "$bin/$program" "$@" </dev/null >"$record/$step.out" 2>"$record/$step.err")
    echo "$program $* -> $?" >>"$record/steps"
}
snapshot() {
    (cd "$case_dir" && find . -mindepth 1 -printf '%y %m %s %p -> %l\n' | LC_ALL=C sort &&
        find . -type f -print0 | LC_ALL=C sort -z | xargs -0r sha256sum) >"$record/files"
}
begin() {  # case name
    record=$results/$1
    mkdir -p "$record"
    rm -rf "$case_dir"
    mkdir -p "$case_dir/in" "$case_dir/outside"
    echo outside >"$case_dir/outside/target.txt"
    step=0
}
seed_wav() { tail -c +2 "$inputs/seeds/wav2lsd/$1" >"$case_dir/in/$2"; }

cases() {
    for bank in "$inputs"/seeds/*.lsd; do
        name=$(basename "$bank" .lsd)
        begin "seed-$name"
        cp "$bank" "$case_dir/in/music_p.lsd"
        run lsd2wav
        run lsd2wav
        run wav2lsd --list music_p.lsd
        run wav2lsd -v --update music_p.lsd
        snapshot
    done
    for kind in small large; do
        begin "bench-$kind"
        cp "$inputs/bench/$kind.lsd" "$case_dir/in/sound_p.lsd"
        run lsd2wav
        run wav2lsd --list sound_p.lsd
        snapshot
    done

    begin demo
    cp -r "$inputs/tones" "$case_dir/in/tones"
    tones=$(cd "$case_dir/in" && echo tones/*.wav)
    # shellcheck disable=SC2086
    run wav2lsd music_p.lsd $tones
    run wav2lsd --list music_p.lsd
    run lsd2wav
    run wav2lsd --update music_p.lsd
    # shellcheck disable=SC2012 # the demo tones' own names, in ls's order
    first=$(ls "$case_dir/in/tones" | head -n 1)
    # shellcheck disable=SC2012
    cp "$case_dir/in/tones/$(ls "$case_dir/in/tones" | tail -n 1)" "$case_dir/in/$first"
    run wav2lsd --verbose --update music_p.lsd
    # shellcheck disable=SC2086
    run wav2lsd music_p.lsd $tones $tones
    snapshot

    begin banks-both-and-none
    run lsd2wav
    cp "$inputs/seeds/plain.lsd" "$case_dir/in/sound_p.lsd"
    run lsd2wav
    cp "$inputs/seeds/many_entries.lsd" "$case_dir/in/music_p.lsd"
    run lsd2wav
    snapshot

    begin existing-nodes
    cp "$inputs/seeds/plain.lsd" "$case_dir/in/music_p.lsd"
    ln -s ../outside/target.txt "$case_dir/in/kick.wav"
    mkfifo "$case_dir/in/a..b.wav"
    ln "$case_dir/outside/target.txt" "$case_dir/in/ABCDEFGHIJKLMNOPQRSTUVWXYZ012345.wav"
    run lsd2wav
    snapshot

    begin write-faults
    cp "$inputs/bench/large.lsd" "$case_dir/in/music_p.lsd"
    (trap '' XFSZ; ulimit -f 1024; run lsd2wav)
    step=1
    (cd "$case_dir/in" && "$bin/lsd2wav" >/dev/full 2>"$record/full.err"; echo "lsd2wav >/dev/full -> $?" >>"$record/steps")
    (cd "$case_dir/in" && "$bin/wav2lsd" --list music_p.lsd >/dev/full 2>"$record/list-full.err"; echo "wav2lsd --list >/dev/full -> $?" >>"$record/steps")
    snapshot

    begin options
    run lsd2wav --help
    run lsd2wav -h
    run lsd2wav "/?"
    run lsd2wav --version
    cp "$inputs/seeds/plain.lsd" "$case_dir/in/music_p.lsd"
    run lsd2wav extra words
    seed_wav wav_plain plain.wav
    seed_wav wav_float float.wav
    seed_wav wav_extensible ext.wav
    seed_wav wav_chunks chunks.wav
    seed_wav wav_no_pad nopad.wav
    seed_wav wav_stray_bytes stray.wav
    seed_wav wav_pcm18 pcm18.wav
    echo text >"$case_dir/in/text.wav"
    mkdir "$case_dir/in/folder.wav"
    for arguments in "" "--help" "-h" "--version" "--bogus" "-v" "--list" "--update" \
        "-v music_p.lsd" "--update --list music_p.lsd" "--list music_p.lsd plain.wav" \
        "bank.wav plain.wav" "new.lsd" "new.lsd missing.wav" "new.lsd float.wav" \
        "new.lsd text.wav" "new.lsd folder.wav" "new.lsd plain.wav PLAIN.WAV" \
        "new.lsd plain.wav ext.wav chunks.wav nopad.wav stray.wav pcm18.wav" \
        "--list new.lsd" "--list plain.wav" "--update plain.wav" "-- -dash.lsd plain.wav" \
        "music_p.lsd plain.wav" "--list folder.wav" "--update missing.lsd" "outside plain.wav"; do
        # shellcheck disable=SC2086
        run wav2lsd $arguments
    done
    snapshot
}

for side in base other; do
    bin=$work/build-$side
    results=$work/results-$side
    mkdir -p "$results"
    cases
done
rm -rf "$case_dir"
count=$(find "$work/results-base" -mindepth 1 -maxdepth 1 | wc -l)
if diff -r "$work/results-base" "$work/results-other"; then
    echo "compare_outputs: $count cases, every output, exit code and file the same"
else
    echo "compare_outputs: the outputs above differ ($count cases)"
    exit 1
fi
