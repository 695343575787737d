#!/usr/bin/env bash
# Checks the packages that tools/release.sh left in DIST (dist/ unless
# given): that there are exactly the four, that each holds exactly what it
# should, and that the installed programs extract the demo bank as the
# demo's lsd2wav does. Installing the .deb needs root; without it the
# programs are run from the unpacked package instead, and the script says
# what was not checked. Any fault fails the script.
# Every `passed` below only prints, so the `fail` after `A && passed || fail`
# runs when A fails and only then.
# shellcheck disable=SC2015
set -euo pipefail
cd "$(dirname "$0")/.."
dist=${1:-dist}

failures=0
fail() {
    echo "check_release: FAILED: $*" >&2
    failures=$((failures + 1))
}
passed() { echo "check_release: ok: $*"; }

# The folder tools/make_packages.sh made the .deb in.
cpack_config=$PWD/build-deb/CPackConfig.cmake
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$cpack_config")
[ -n "$version" ] || { echo "check_release: no version in $cpack_config" >&2; exit 1; }
arch=$(dpkg --print-architecture)
deb=lsd2wav_${version}_${arch}.deb
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Exactly these packages, all named with the one version.
expected="$deb lsd2wav-$version-win32.zip lsd2wav-$version-win64.zip lsd2wav-$version-web.zip"
actual=$(cd "$dist" && printf '%s\n' * | sort | xargs)
[ "$actual" = "$(echo "$expected" | tr ' ' '\n' | sort | xargs)" ] &&
    passed "$dist holds $expected" || fail "$dist holds \"$actual\", expected \"$expected\""

# --- The Windows ZIPs.
for flavour in win32 win64; do
    zip=$dist/lsd2wav-$version-$flavour.zip
    [ -f "$zip" ] || continue
    listing=$(unzip -Z1 "$zip" | sort | xargs)
    [ "$listing" = "LICENSE.txt README.txt lsd2wav.exe wav2lsd.exe" ] &&
        passed "$flavour ZIP lists $listing" || fail "$flavour ZIP lists \"$listing\""
    # The programs the Wine lanes tested, not other builds of them.
    for program in lsd2wav.exe wav2lsd.exe; do
        unzip -p "$zip" "$program" >"$scratch/$program"
        cmp -s "$scratch/$program" "build-$flavour/$program" &&
            passed "$flavour $program is build-$flavour/$program" ||
            fail "$flavour $program differs from build-$flavour/$program"
    done
    case $flavour in
        win32) machine='PE32 executable.*Intel 80386' ;;
        win64) machine='PE32\+ executable.*x86-64' ;;
    esac
    file "$scratch/lsd2wav.exe" "$scratch/wav2lsd.exe" | grep -Evq "$machine" &&
        fail "$flavour programs are not all \"$machine\": $(file -b "$scratch"/*.exe | xargs)" ||
        passed "$flavour programs are $machine"
    unzip -p "$zip" README.txt >"$scratch/README.txt"
    lines=$(tr -cd '\n' <"$scratch/README.txt" | wc -c)
    crlf_lines=$(grep -c $'\r$' "$scratch/README.txt" || true)
    if [ "$lines" -gt 0 ] && [ "$lines" -eq "$crlf_lines" ] && [ "$(tail -c 1 "$scratch/README.txt")" = "" ]; then
        passed "$flavour README.txt: all $lines lines end with CR LF"
    else
        fail "$flavour README.txt: $crlf_lines of $lines lines end with CR LF"
    fi
    # The license, with CR LF for Notepad.
    unzip -p "$zip" LICENSE.txt | cmp -s - <(sed 's/$/\r/' LICENSE) &&
        passed "$flavour LICENSE.txt is LICENSE with CR LF" ||
        fail "$flavour LICENSE.txt is not LICENSE with CR LF"
    head -n 1 "$scratch/README.txt" | grep -q "^lsd2wav $version for Windows"$'\r$' &&
        passed "$flavour README.txt names version $version" ||
        fail "$flavour README.txt does not name version $version"
done

# --- The page's ZIP: one folder holding the page's own files, the worker's
# source that build-web/site holds (the engine, fflate as web/package-lock.json
# pins it), both licenses and a read-me; nothing else.
zip=$dist/lsd2wav-$version-web.zip
if [ -f "$zip" ]; then
    top=lsd2wav-$version-web
    mapfile -t page_files < <(echo index.html; echo style.css
        sed -n 's/.*<script defer src="\([a-z_]*\.js\)".*/\1/p' web/index.html | grep -vx worker-source.js)
    listing=$(unzip -Z1 "$zip" | sort | xargs)
    expected=$(printf "$top/%s\n" "${page_files[@]}" worker-source.js LICENSE.txt fflate-LICENSE.txt \
        README.txt | sort | xargs)
    [ "$listing" = "$expected" ] && passed "web ZIP lists $listing" || fail "web ZIP lists \"$listing\""
    for source in "${page_files[@]/#/web/}" build-web/site/worker-source.js LICENSE:LICENSE.txt \
        web/node_modules/fflate/LICENSE:fflate-LICENSE.txt; do
        file=${source#*:}
        [ "$file" != "$source" ] || file=$(basename "$source")
        unzip -p "$zip" "$top/$file" | cmp -s - "${source%%:*}" &&
            passed "web ZIP's $file is ${source%%:*}" || fail "web ZIP's $file differs from ${source%%:*}"
    done
    unzip -p "$zip" "$top/README.txt" | cmp -s - <(sed 's/$/\r/' web/README.txt) &&
        passed "web ZIP's README.txt is web/README.txt with CR LF" ||
        fail "web ZIP's README.txt is not web/README.txt with CR LF"
    # The page fetches nothing and runs no script but its own.
    unzip -p "$zip" "$top/index.html" | grep -q "Content-Security-Policy.*connect-src 'none'" &&
        passed "web ZIP's index.html allows no connection" ||
        fail "web ZIP's index.html lacks a Content-Security-Policy with connect-src 'none'"
fi

# --- The Debian package.
package=$dist/$deb
[ -f "$package" ] || { echo "check_release: $failures failure(s)" >&2; exit 1; }
dpkg-deb --info "$package"
for field in Package:lsd2wav Version:$version Architecture:$arch; do
    value=$(dpkg-deb --field "$package" "${field%%:*}")
    [ "$value" = "${field#*:}" ] && passed "deb ${field%%:*} is $value" ||
        fail "deb ${field%%:*} is \"$value\", expected \"${field#*:}\""
done
contents=$(dpkg-deb --contents "$package" | awk '$1 !~ /^d/ { print $NF }' | sort | xargs)
expected_contents=$(printf '%s\n' ./usr/bin/lsd2wav ./usr/bin/wav2lsd \
    ./usr/share/doc/lsd2wav/README.md ./usr/share/doc/lsd2wav/changelog.gz \
    ./usr/share/doc/lsd2wav/copyright ./usr/share/lintian/overrides/lsd2wav \
    ./usr/share/man/man1/lsd2wav.1.gz ./usr/share/man/man1/wav2lsd.1.gz | sort | xargs)
[ "$contents" = "$expected_contents" ] && passed "deb holds $contents" ||
    fail "deb holds \"$contents\", expected \"$expected_contents\""

unpacked=$scratch/unpacked
dpkg-deb -x "$package" "$unpacked"
# Debian keeps the license in the copyright file: its notice and its License
# paragraph are those of LICENSE.
copyright=$unpacked/usr/share/doc/lsd2wav/copyright
notice=$(sed -n 's/^Copyright (c) //p' LICENSE)
license_body=$(sed -n '/^License: MIT$/,/^$/p' "$copyright" | sed '1d; s/^ //; s/^\.$//')
if grep -qx "Copyright: $notice" "$copyright" && [ "$license_body" = "$(sed '1,4d' LICENSE)" ]; then
    passed "deb copyright holds the notice and the text of LICENSE"
else
    fail "deb copyright does not hold the notice \"$notice\" and the text of LICENSE"
fi
for page in lsd2wav wav2lsd; do
    warnings=$(MANWIDTH=80 man --warnings -l "$unpacked/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
    [ -z "$warnings" ] && passed "man page $page.1 renders without warnings" ||
        fail "man page $page.1: $warnings"
done

# Whoever releases sets the maintainer (LSD2WAV_PACKAGE_MAINTAINER); until
# then lintian's complaints about its placeholder address are shown, not failed.
# Its notes on hardening fail too, though it gives them at its lowest level:
# they say that the programs lack some of Debian's build flags.
undecided="bogus-mail-host bogus-mail-host-in-debian-changelog"
if command -v lintian >/dev/null; then
    report=$(lintian --display-info --show-overrides "$package" 2>/dev/null || true)
    [ -z "$report" ] || printf '%s\n' "$report" | sed 's/^/lintian: /'
    complaints=$(printf '%s\n' "$report" | awk -v undecided=" $undecided " '
        index(undecided, " " $3 " ") { next }
        $1 ~ /^[EW]:$/ || ($1 == "I:" && $3 ~ /^hardening-/)')
    [ -z "$complaints" ] && passed "lintian: no error, warning or hardening note but ${undecided// /, }" ||
        fail "lintian: $complaints"
else
    echo "check_release: NOT CHECKED: lintian is not installed"
fi

# The demo's make_demo_bank and lsd2wav, which the packaged programs are
# held against: those that check_demo_then_install builds from a copy of
# these sources, or else those of build/.
demo=$PWD/build

# Packs the demo tones with BIN/wav2lsd and extracts the bank with
# BIN/lsd2wav, then extracts a copy of the bank with the demo's lsd2wav:
# both must print the same lines and write the same files.
check_demo_bank() {
    local bin=$1 work=$scratch/demo-$2
    mkdir -p "$work/tones" "$work/installed" "$work/built"
    if ! ("$demo/make_demo_bank" "$work/tones" >/dev/null &&
        cd "$work/installed" && "$bin/wav2lsd" music_p.lsd "$work"/tones/*.wav &&
        cp music_p.lsd "$work/built/" && "$bin/lsd2wav" >"$work/installed.out" &&
        cd "$work/built" && "$demo/lsd2wav" >"$work/built.out"); then
        fail "making, packing or extracting the demo bank through $bin and $demo"
        return
    fi
    local tones files last
    tones=$(find "$work/tones" -name '*.wav' | wc -l)
    files=$(find "$work/installed" -maxdepth 1 -name '*.wav' | wc -l)
    last=$(tail -n 1 "$work/installed.out" | tr -d '\r')
    if [ "$tones" -gt 0 ] && [ "$files" -eq "$tones" ] && [ "$last" = "  ok" ] &&
        cmp -s "$work/installed.out" "$work/built.out" &&
        diff -r "$work/installed" "$work/built" >/dev/null; then
        passed "$bin/wav2lsd packs and $bin/lsd2wav extracts the $tones demo tones as $demo/lsd2wav does"
    else
        fail "demo bank through $bin: $files files of $tones tones, last line \"$last\""
    fi
    local said program
    for program in lsd2wav wav2lsd; do
        said=$("$bin/$program" --version | tr -d '\r' | xargs -d '\n')
        [ "$said" = "$program $version MIT License" ] &&
            passed "$bin/$program --version says \"$said\"" ||
            fail "$bin/$program --version says \"$said\", expected \"$program $version MIT License\""
    done
}

# --- The README's install on Linux, in its order: tools/demo.sh, then
# cmake --install build. It runs on a copy of the tracked sources, so that
# the build tree the packages came from stays as it is.
check_demo_then_install() {
    local sources=$scratch/demo-sources prefix=$scratch/prefix
    mkdir -p "$sources"
    if ! git ls-files -z | tar --null -T - -cf - | tar -x -C "$sources"; then
        echo "check_release: NOT CHECKED: the demo and then cmake --install, as this is no git checkout"
        return
    fi
    if ! (cd "$sources" && tools/demo.sh >"$scratch/demo.log" 2>&1); then
        fail "tools/demo.sh on a copy of the sources: $(tail -n 3 "$scratch/demo.log" | xargs)"
        return
    fi
    # Built from the sources as they stand, by the README's own steps, where
    # build/ may be stale or, with no test run and no demo, missing.
    demo=$sources/build
    if ! (cd "$sources" && cmake --install build --prefix "$prefix" >"$scratch/install.log" 2>&1); then
        fail "cmake --install build right after tools/demo.sh: $(grep -A2 -m1 Error "$scratch/install.log" | xargs)"
        return
    fi
    local files expected_files
    files=$(cd "$prefix" && find . ! -type d | sort | xargs)
    expected_files=$(printf '%s\n' ./bin/lsd2wav ./bin/wav2lsd ./share/doc/lsd2wav/README.md \
        ./share/doc/lsd2wav/changelog.gz ./share/doc/lsd2wav/copyright \
        ./share/man/man1/lsd2wav.1.gz ./share/man/man1/wav2lsd.1.gz | sort | xargs)
    [ "$files" = "$expected_files" ] && passed "tools/demo.sh, then cmake --install, installs $files" ||
        fail "tools/demo.sh, then cmake --install, installs \"$files\", expected \"$expected_files\""
    local program said
    for program in lsd2wav wav2lsd; do
        said=$("$prefix/bin/$program" --version | head -n 1 | tr -d '\r')
        [ "$said" = "$program $version" ] && passed "installed $program --version says \"$said\"" ||
            fail "installed $program --version says \"$said\", expected \"$program $version\""
        [ "$(MANPATH=$prefix/share/man man -w "$program" 2>/dev/null)" = "$prefix/share/man/man1/$program.1.gz" ] &&
            passed "man $program finds the installed page" ||
            fail "man $program does not find $prefix/share/man/man1/$program.1.gz"
    done
}
check_demo_then_install

if [ "$(id -u)" -ne 0 ]; then
    echo "check_release: NOT CHECKED: installing and removing the .deb (dpkg -i and -r need root);" \
         "the programs are run from the unpacked package instead"
    check_demo_bank "$unpacked/usr/bin" unpacked
elif dpkg-query -W -f='${Status}' lsd2wav 2>/dev/null | grep -q 'ok installed'; then
    echo "check_release: NOT CHECKED: installing and removing the .deb, as lsd2wav is installed" \
         "on this machine already and is left alone; the programs are run from the unpacked package"
    check_demo_bank "$unpacked/usr/bin" unpacked
else
    dpkg -i "$package" >/dev/null
    # Whatever fails below, the package does not stay on the machine.
    trap 'dpkg -r lsd2wav >/dev/null 2>&1 || true; rm -rf "$scratch"' EXIT
    for program in lsd2wav wav2lsd; do
        [ "$(command -v "$program")" = "/usr/bin/$program" ] && passed "$program installed as /usr/bin/$program" ||
            fail "$program is not installed as /usr/bin/$program"
    done
    [ "$(man -w lsd2wav 2>/dev/null)" = /usr/share/man/man1/lsd2wav.1.gz ] &&
        passed "man lsd2wav finds the installed page" || fail "man lsd2wav does not find the installed page"
    check_demo_bank /usr/bin installed
    dpkg -r lsd2wav >/dev/null
    left=$(ls /usr/bin/lsd2wav /usr/bin/wav2lsd /usr/share/man/man1/lsd2wav.1.gz \
        /usr/share/man/man1/wav2lsd.1.gz /usr/share/doc/lsd2wav 2>/dev/null || true)
    [ -z "$left" ] && passed "dpkg -r lsd2wav removed every file" ||
        fail "dpkg -r lsd2wav left $left"
fi

if [ "$failures" -gt 0 ]; then
    echo "check_release: $failures failure(s)" >&2
    exit 1
fi
echo "check_release: all passed"
