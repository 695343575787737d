#!/usr/bin/env bash
# The pages tell the truth: runs the commands that the README's sections for
# users and the man pages' examples show, on a demo bank in a scratch
# folder, and checks what the pages say of them: the files that appear, the
# exit codes, the lines printed. Every command run and every line checked is
# first looked up on the pages that show it, so that a page whose command or
# line changes or goes fails here until this script follows it.
#   pages_test.sh CASE SOURCE_DIR LSD2WAV WAV2LSD MAKE_DEMO_BANK
# CASE is one of the case_ functions below; tests/CMakeLists.txt runs each.
set -uo pipefail
export LC_ALL=C
case_name=$1 src=$2 lsd2wav=$3 wav2lsd=$4 make_demo_bank=$5

scratch=$(mktemp -d "${TMPDIR:-/tmp}/lsd2wav-pages.XXXXXX") || exit 1
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() {
    echo "FAILED: $*" >&2
    failures=$((failures + 1))
}
# CONDITION; claim WHAT: one claim of a page, true when CONDITION was.
claim() {
    # shellcheck disable=SC2181 # the condition is the command before
    if [ $? -eq 0 ]; then echo "ok: $1"; else fail "$1"; fi
}

# A page as its reader sees it: the man pages without roff's escapes.
page_text() {
    case $1 in
    *.1.in) sed -e 's/\\-/-/g' -e 's/\\(dq/"/g' -e 's/\\e/\\/g' "$src/$1" ;;
    *) cat "$src/$1" ;;
    esac
}
# shown PAGE COMMAND: PAGE shows COMMAND on a line of its own (indented, a
# "  # comment" after it allowed), or in running text as `COMMAND` (README)
# or "COMMAND" (man pages).
shown() {
    local quoted="\`$2\`" text
    [[ $1 == *.1.in ]] && quoted="\"$2\""
    text=$(page_text "$1")
    grep -xF -- "$2" <<<"$(sed -E 's/^ +//; s/ {2,}# .*$//; s/ +$//' <<<"$text")" >/dev/null ||
        grep -F -- "$quoted" <<<"$text" >/dev/null || fail "$1 no longer shows: $2"
}
# said PAGE LINE: PAGE quotes LINE, a line that a program prints, as `LINE`
# (README) or "LINE"; the page's lines are joined, as a reader reads them.
said() {
    local quoted="\"$2\""
    [ "$1" = README.md ] && quoted="\`$2\`"
    grep -F -- "$quoted" <<<"$(page_text "$1" | tr '\n' ' ' | tr -s ' ')" >/dev/null ||
        fail "$1 no longer says: $2"
}

# run DIR LINE...: runs the lines, as a page shows them, as one shell script
# in DIR, with the built programs first on the PATH; sets status, and out
# and err to what the script printed.
bin=$scratch/bin
run() {
    local dir=$1
    shift
    (cd "$dir" && PATH=$bin:$PATH bash -e -c "$(printf '%s\n' "$@")") >"$scratch/out" 2>"$scratch/err"
    status=$?
    out=$(cat "$scratch/out")
    err=$(cat "$scratch/err")
}
mkdir "$bin"
ln -s "$lsd2wav" "$bin/lsd2wav"
ln -s "$wav2lsd" "$bin/wav2lsd"
# The editor and the player of the examples: the editor silences a stretch
# of the sound, its format and length kept; the player notes what it got.
cat >"$bin/audacity" <<'END'
#!/bin/sh
exec dd if=/dev/zero of="$1" bs=1 seek=2000 count=4000 conv=notrunc status=none
END
cat >"$bin/aplay" <<END
#!/bin/sh
printf '%s\n' "\$@" >"$scratch/played"
END
chmod +x "$bin/audacity" "$bin/aplay"

# The demo tones and an "intro", the name the examples edit, in my-tones;
# their bank, in the order of *.wav, in my-sounds and kept as bank.
mkdir "$scratch/my-tones" "$scratch/my-sounds"
if ! "$make_demo_bank" "$scratch/my-tones" >/dev/null ||
    ! cp "$scratch/my-tones/tone_a4_mono8_11k.wav" "$scratch/my-tones/intro.wav" ||
    ! (cd "$scratch/my-tones" && "$wav2lsd" "$scratch/my-sounds/music_p.lsd" ./*.wav); then
    echo "pages_test.sh: the demo bank could not be made" >&2
    exit 1
fi
names=()
for file in "$scratch"/my-tones/*.wav; do names+=("$(basename "$file")"); done
cp "$scratch/my-sounds/music_p.lsd" "$scratch/bank"
extraction=$(printf 'Extracting music...\n'; printf '  %s\n' "${names[@]}"; printf '  ok')

# same_samples DIR: each WAV file in DIR holds the samples of its tone.
same_samples() {
    local name size
    for name in "${names[@]}"; do
        size=$(stat -c %s "$1/$name") || return 1
        cmp -s -i 44 -n $((size - 44)) "$1/$name" "$scratch/my-tones/$name" || return 1
    done
}
# extracted_again BANK DIR: lsd2wav's files of BANK, in the new folder DIR.
extracted_again() {
    mkdir "$2" && cp "$1" "$2/music_p.lsd" && (cd "$2" && "$lsd2wav" >/dev/null)
}

# README "Use it on your own bank", lsd2wav(1) EXAMPLES, and the file that
# keeps the lines.
case_extract() {
    shown README.md "cd my-sounds"
    shown README.md "lsd2wav"
    shown man/lsd2wav.1.in "cd my-sounds"
    shown man/lsd2wav.1.in "lsd2wav"
    shown man/lsd2wav.1.in "aplay *.wav"
    run "$scratch" "cd my-sounds" "lsd2wav" "aplay *.wav"
    [ "$status" -eq 0 ]
    claim "lsd2wav exits 0"
    [ "$(tr -d '\r' <<<"$out")" = "$extraction" ]
    claim "it prints Extracting music..., one line per file, \"  ok\""
    same_samples "$scratch/my-sounds"
    claim "the files appear, with the bank's samples"
    [ "$(cat "$scratch/played")" = "$(printf '%s\n' "${names[@]}")" ]
    claim "aplay *.wav plays them"
    shown README.md "lsd2wav > log.txt"
    run "$scratch/my-sounds" "lsd2wav > log.txt"
    [ "$status" -eq 0 ] && [ -z "$out" ] && [ "$(tr -d '\r' <"$scratch/my-sounds/log.txt")" = "$extraction" ]
    claim "lsd2wav > log.txt keeps the lines in log.txt"
}

# README "Edit and repack", on a copy of the bank alone.
case_edit_and_repack() {
    local dir=$scratch/copy
    mkdir "$dir" && cp "$scratch/bank" "$dir/music_p.lsd"
    shown README.md "wav2lsd --list music_p.lsd"
    run "$dir" "wav2lsd --list music_p.lsd"
    [ "$status" -eq 0 ] && [ "$(cut -d ' ' -f 1 <<<"$out")" = "$(printf '%s\n' "${names[@]}" "${#names[@]}")" ]
    claim "--list: one line per entry, starting with the file lsd2wav writes, then the totals"
    shown README.md "lsd2wav"
    run "$dir" "lsd2wav"
    shown README.md "wav2lsd --update music_p.lsd"
    shown packaging/README-windows.txt.in "wav2lsd --update music_p.lsd"
    run "$dir" "wav2lsd --update music_p.lsd"
    [ "$status" -eq 0 ] && [ -z "$out$err" ] && cmp -s "$dir/music_p.lsd" "$scratch/bank"
    claim "--update of an untouched folder: silent, the bank byte for byte"
    shown README.md "audacity intro.wav"
    run "$dir" "audacity intro.wav"
    run "$dir" "wav2lsd --update music_p.lsd"
    [ "$status" -eq 0 ] && [ -z "$out$err" ]
    claim "--update after an edit: silent, exit code 0"
    extracted_again "$dir/music_p.lsd" "$scratch/again"
    cmp -s "$scratch/again/intro.wav" "$dir/intro.wav"
    claim "the bank holds the edited entry"
    diff -r -x music_p.lsd -x intro.wav "$scratch/again" "$dir"
    claim "... and the others as they were"
    # An 8-bit sound saved as 16-bit is packed, with a warning (so
    # README-windows.txt asks to keep each sound's own format).
    said packaging/README-windows.txt.in "its format changed"
    cp "$scratch/my-tones/tone_e5_mono16_22k.wav" "$dir/tone_a4_mono8_11k.wav"
    run "$dir" "wav2lsd --update music_p.lsd"
    [ "$status" -eq 0 ] && [ "$err" = "wav2lsd: tone_a4_mono8_11k.wav: its format changed (rate, channels or bits); whatever reads the bank must expect the new one" ]
    claim "a changed format is told on the error stream, without --verbose"
}

# README "wav2lsd" and wav2lsd(1) EXAMPLES: edit a copy of the folder.
case_edit_a_copy() {
    local lines=("cp -r my-sounds my-edit && cd my-edit" "lsd2wav" "audacity intro.wav"
        "wav2lsd --update music_p.lsd")
    local line
    for line in "${lines[@]}"; do
        shown README.md "$line"
        shown man/wav2lsd.1.in "$line"
    done
    run "$scratch" "${lines[@]}"
    [ "$status" -eq 0 ] && [ "$(tr -d '\r' <<<"$out")" = "$extraction" ] && [ -z "$err" ]
    claim "the example runs through: exit code 0, lsd2wav's lines alone"
    cmp -s "$scratch/my-sounds/music_p.lsd" "$scratch/bank"
    claim "the original bank is untouched"
    extracted_again "$scratch/my-edit/music_p.lsd" "$scratch/again"
    extracted_again "$scratch/bank" "$scratch/before"
    cmp -s "$scratch/again/intro.wav" "$scratch/my-edit/intro.wav" &&
        ! cmp -s "$scratch/again/intro.wav" "$scratch/before/intro.wav"
    claim "the copy's bank holds the edited intro"
}

# README "wav2lsd" and wav2lsd(1): the examples of a refusal.
case_refused_file() {
    local line="wav2lsd: intro.wav: cannot open the file: no such file or folder"
    said README.md "$line"
    said man/wav2lsd.1.in "$line"
    mkdir "$scratch/empty"
    run "$scratch/empty" "wav2lsd new.lsd intro.wav"
    [ "$status" -eq 1 ] && [ "$err" = "$line" ] && [ -z "$(ls -A "$scratch/empty")" ]
    claim "a missing WAV file: that line, exit code 1, nothing written"
    line="wav2lsd: intro.wav: the samples are floating point, not PCM: convert it to PCM, for example: sox in.wav -b 16 -e signed-integer out.wav"
    said man/wav2lsd.1.in "$line"
    # One channel of 32-bit float samples at 8000 Hz, and one sample.
    mkdir "$scratch/float"
    printf 'RIFF\x28\0\0\0WAVEfmt \x10\0\0\0\x03\0\x01\0\x40\x1f\0\0\0\x7d\0\0\x04\0\x20\0data\x04\0\0\0\0\0\0\0' \
        >"$scratch/float/intro.wav"
    run "$scratch/float" "wav2lsd new.lsd intro.wav"
    [ "$status" -eq 1 ] && [ "$err" = "$line" ] && [ "$(ls -A "$scratch/float")" = intro.wav ]
    claim "a float WAV file: that line, exit code 1, nothing written"
}

# The README opens with the two commands that docs/building.md opens with,
# each a script of the checkout.
case_first_commands() {
    local readme building script
    readme=$(first_commands README.md)
    building=$(first_commands docs/building.md)
    [ -n "$readme" ] && [ "$readme" = "$building" ]
    claim "README.md opens with the commands that docs/building.md opens with"
    for script in tools/demo.sh tools/test.sh; do
        grep -q "^$script " <<<"$readme" && [ -x "$src/$script" ]
        claim "they run $script, a script of the checkout"
    done
}
# first_commands PAGE: the page's first block of indented lines, unindented.
first_commands() {
    page_text "$1" | awk '/^    / { sub(/^    /, ""); print; found = 1; next } found { exit }'
}

# The names that a new bank refuses, as wav2lsd(1) lists them, and the
# device names that the README's "Safety" lists, against the rules of
# bank/safe_name.cpp: the same characters, and every device name.
case_name_rules() {
    local code page name word names
    code=$(sed -nE 's/.*strchr\("(.*)", \*p\).*/\1/p' "$src/bank/safe_name.cpp" | sed -E 's/\\(.)/\1/g' |
        grep -o . | sort | tr -d '\n')
    page=$(page_text man/wav2lsd.1.in | sed -n '/characters$/{n;p}' | sed -E 's/^\.B //' | tr ' ' '\n' |
        sort | tr -d '\n')
    [ -n "$code" ] && [ "$page" = "$code" ]
    claim "wav2lsd(1) lists the characters that the code refuses ($code)"
    for name in $(sed -nE 's/.*(devices|numbered)\[\] = \{(.*)\};/\2/p' "$src/bank/safe_name.cpp" |
        tr -d '" ' | tr ',' '\n' | tr '[:lower:]' '[:upper:]'); do
        case $name in COM | LPT) names=("${name}1" "${name}9") ;; *) names=("$name") ;; esac
        for page in README.md man/wav2lsd.1.in; do
            for word in "${names[@]}"; do
                grep -qF -- "$word" <<<"$(page_text "$page")"
                claim "$page names the device $word"
            done
        done
    done
}

# README "wav2lsd" and wav2lsd(1) EXAMPLES: a new bank, refused over one
# that is there, replaced with -f.
case_new_bank() {
    local line
    for line in "cd my-tones" "wav2lsd music_p.lsd *.wav" "wav2lsd -f music_p.lsd *.wav"; do
        shown README.md "$line"
        shown man/wav2lsd.1.in "$line"
    done
    run "$scratch" "cd my-tones" "wav2lsd music_p.lsd *.wav"
    [ "$status" -eq 0 ] && [ -z "$out$err" ] && cmp -s "$scratch/my-tones/music_p.lsd" "$scratch/bank"
    claim "a new bank: silent, exit code 0, the bank of the files"
    line="wav2lsd: music_p.lsd: already exists; use --update to change its entries, or --force to replace it"
    said README.md "$line"
    said man/wav2lsd.1.in "$line"
    printf 'older bank' >"$scratch/my-tones/music_p.lsd"
    run "$scratch" "cd my-tones" "wav2lsd music_p.lsd *.wav"
    [ "$status" -eq 1 ] && [ "$err" = "$line" ] && [ "$(cat "$scratch/my-tones/music_p.lsd")" = "older bank" ]
    claim "over a bank that is there: that line, exit code 1, the bank untouched"
    run "$scratch" "cd my-tones" "wav2lsd -f music_p.lsd *.wav"
    [ "$status" -eq 0 ] && [ -z "$out$err" ] && cmp -s "$scratch/my-tones/music_p.lsd" "$scratch/bank"
    claim "-f replaces it: silent, exit code 0"
}

# README "Nothing happened?", lsd2wav(1) OUTPUT, README-windows.txt.
case_no_bank() {
    local line="lsd2wav: no music_p.lsd or sound_p.lsd in this folder"
    said README.md "$line"
    said man/lsd2wav.1.in "$line"
    said packaging/README-windows.txt.in "$line"
    mkdir "$scratch/empty"
    run "$scratch/empty" "lsd2wav"
    [ "$status" -eq 0 ] && [ -z "$out" ] && [ "$err" = "$line" ]
    claim "no bank: standard output empty, that line on the error stream, exit code 0"
}

# README "wav2lsd" and wav2lsd(1): a replaced bank keeps its mode, and as
# root its owner and group; a bank with a second name is refused.
case_bank_replaced() {
    local dir=$scratch/my-sounds before
    (cd "$dir" && "$lsd2wav" >/dev/null)
    chmod 640 "$dir/music_p.lsd"
    [ "$(id -u)" -ne 0 ] || chown 4321:4322 "$dir/music_p.lsd"
    before=$(stat -c '%a %u:%g' "$dir/music_p.lsd")
    run "$dir" "wav2lsd --update music_p.lsd"
    [ "$status" -eq 0 ] && [ -z "$err" ] && [ "$(stat -c '%a %u:%g' "$dir/music_p.lsd")" = "$before" ]
    claim "--update keeps the bank's mode, owner and group ($before)"
    local line="wav2lsd: music_p.lsd: has more than one name (a hard link), which would keep the old contents: copy it to a file of its own first"
    said README.md "$line"
    said man/wav2lsd.1.in "$line"
    ln "$dir/music_p.lsd" "$scratch/second-name.lsd"
    "$bin/audacity" "$dir/intro.wav"
    run "$dir" "wav2lsd --update music_p.lsd"
    [ "$status" -eq 1 ] && [ "$err" = "$line" ] && cmp -s "$dir/music_p.lsd" "$scratch/bank" &&
        [ -z "$(find "$dir" -name '*.wav2lsd-tmp*')" ]
    claim "a bank with a second name: that line, exit code 1, nothing written"
}

# README "Nothing happened?" and lsd2wav(1) OUTPUT: lines end in LF on Linux.
case_line_ends() {
    local count="lsd2wav | grep -c 'wav\$'"
    shown README.md "$count"
    shown man/lsd2wav.1.in "$count"
    run "$scratch/my-sounds" "$count"
    [ "$out" = "${#names[@]}" ]
    claim "$count counts the entries' lines"
    run "$scratch/my-sounds" "lsd2wav"
    ! grep -q $'\r' "$scratch/out"
    claim "no line ends with CR"
}

# The console lines of lsd2wav, one a line, in the order of its code
# (extract/console_texts.h): the headings, the entry line (its indent, then
# "name.wav", as the pages write it) and the status lines.
code_console_lines() {
    sed -nE -e 's/^constexpr const char\* EntryIndent = "(.*)";.*$/\1name.wav/p' \
        -e 's/^constexpr const char\* (MusicHeading|SoundHeading|Status[A-Za-z]+) = "(.*)";$/\2/p' \
        "$src/extract/console_texts.h"
}
# console_lines PAGE: the lines that PAGE's table of console lines lists, in
# its order: the first cells of the README's table, without their marks;
# the tags of lsd2wav(1)'s OUTPUT, without roff's macros and quotes; the
# first column of README-windows.txt's "What each line means".
console_lines() {
    case $1 in
    README.md)
        page_text "$1" | sed -n '/^| Line | Meaning | What to do |$/,/^$/p' |
            sed -nE 's/^\| ([^|]*`[^|]*) \|.*$/\1/p' | tr -d '`*' ;;
    *.1.in)
        page_text "$1" | sed -n '/^\.SH OUTPUT$/,/^\.SH /p' | sed -n '/^\.TP$/{n;p}' |
            sed -E 's/^\.[A-Z]+ //; s/"([^"]*)" ?/\1/g' ;;
    *)
        page_text "$1" | sed -n '/^What each line means$/,/^$/p' | sed '1,2d; /^$/d; /^   /d' |
            sed -E 's/^( *[^ ]+( [^ ]+)*) {2,}.*$/\1/' ;;
    esac
}

# README "Nothing happened?", lsd2wav(1) OUTPUT, README-windows.txt: each
# copy of the table of console lines lists the lines the code prints, no
# more, no fewer, in the code's order.
case_console_lines() {
    local code page copy
    code=$(code_console_lines)
    grep -qx '  ok' <<<"$code" && grep -qx '  name.wav' <<<"$code" && grep -qx 'Extracting music...' <<<"$code"
    claim "extract/console_texts.h gives the headings, the entry line and the status lines"
    for page in README.md man/lsd2wav.1.in packaging/README-windows.txt.in; do
        copy=$(console_lines "$page")
        [ "$copy" = "$code" ]
        claim "$page lists the console lines as the code has them"
        [ "$copy" = "$code" ] || diff <(echo "$code") <(echo "$copy") | sed 's/^/    /' >&2
    done
}

declare -F "case_$case_name" >/dev/null || { echo "pages_test.sh: no case $case_name" >&2; exit 2; }
"case_$case_name"
[ "$failures" -eq 0 ] || { echo "$case_name: $failures failed" >&2; exit 1; }
