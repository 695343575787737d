#!/usr/bin/env bash
# Builds the release packages twice, from two clones of this repository in
# folders of different paths, one after the other, with
# tools/make_packages.sh, and compares them byte for byte. The second builds
# as another builder might: under umask 027, in the time zone furthest ahead
# of UTC and in another locale. Then compares them with the packages in DIST
# (dist/ unless given) too, when the working tree holds no change that the
# clones lack. Gives up after LSD2WAV_REPRODUCIBLE_SECONDS (1800) in all. Any
# difference fails the script.
set -euo pipefail
cd "$(dirname "$0")/.."
dist=${1:-dist}
limit=${LSD2WAV_REPRODUCIBLE_SECONDS:-1800}
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

failures=0
fail() {
    echo "check_reproducible: FAILED: $*" >&2
    failures=$((failures + 1))
}
passed() { echo "check_reproducible: ok: $*"; }

commit=$(git rev-parse HEAD)
# The clones build the packages alone; a maintainer set for this build goes
# into the .deb, so it goes to the clones too.
options=(-DLSD2WAV_TESTS=OFF)
maintainer=$(sed -n 's/^LSD2WAV_PACKAGE_MAINTAINER:STRING=//p' build-deb/CMakeCache.txt 2>/dev/null || true)
[ -z "$maintainer" ] || options+=("-DLSD2WAV_PACKAGE_MAINTAINER=$maintainer")

SECONDS=0
clones=("$root/one" "$root/the/second/clone/lies/deeper")
# The umask, time zone and locale each clone is made and built under, as
# "umask TZ LC_ALL": the first as builders commonly are, the second as
# another may well be.
builders=("022 UTC C" "027 Pacific/Kiritimati C.UTF-8")
starts=()
for i in "${!clones[@]}"; do
    clone=${clones[$i]}
    read -r mask zone locale <<<"${builders[$i]}"
    left=$((limit - SECONDS))
    [ "$left" -gt 0 ] || { fail "no time left for $clone (limit $limit s)"; break; }
    starts+=("$SECONDS")
    mkdir -p "$(dirname "$clone")"
    if ! (umask "$mask" && export TZ=$zone LC_ALL=$locale &&
        git clone -q --no-hardlinks "$PWD" "$clone" &&
        git -C "$clone" checkout -q --detach "$commit" &&
        timeout "$left" "$clone/tools/make_packages.sh" "$clone/dist" "${options[@]}") \
        >"$clone.log" 2>&1; then
        fail "building the packages in $clone: $(tail -n 5 "$clone.log" | xargs)"
    fi
done
[ "$failures" -eq 0 ] || { echo "check_reproducible: $failures failure(s)" >&2; exit 1; }

# compare WHAT A B: every package of A is in B with the same bytes, and B
# holds no other.
compare() {
    local what=$1 a=$2 b=$3 package differ=0 in_a in_b
    in_a=$(cd "$a" && echo *)
    in_b=$(cd "$b" && echo *)
    for package in $in_a; do
        if ! cmp -s "$a/$package" "$b/$package"; then
            fail "$what: $package differs ($(cmp "$a/$package" "$b/$package" 2>&1 | head -n 1))"
            differ=1
        fi
    done
    [ "$in_a" = "$in_b" ] || {
        fail "$what: \"$in_a\" against \"$in_b\""
        differ=1
    }
    [ "$differ" -ne 0 ] || passed "$what: $in_a are the same bytes"
}
builder() { read -r mask zone locale <<<"$1"; echo "umask $mask, TZ=$zone, LC_ALL=$locale"; }
compare "two clones at different paths, started $((starts[1] - starts[0])) s apart, one under $(builder "${builders[0]}"), the other under $(builder "${builders[1]}")" \
    "${clones[0]}/dist" "${clones[1]}/dist"
if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
    echo "check_reproducible: NOT CHECKED: $dist against the clones, as the working tree" \
         "holds changes that are not committed"
elif [ -d "$dist" ]; then
    compare "$dist against the clones of commit ${commit:0:7}" "${clones[0]}/dist" "$dist"
fi
echo "check_reproducible: $SECONDS s"
if [ "$failures" -gt 0 ]; then
    echo "check_reproducible: $failures failure(s)" >&2
    exit 1
fi
echo "check_reproducible: all passed"
