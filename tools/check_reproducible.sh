#!/usr/bin/env bash
# Builds the release packages twice, from two clones of this repository in
# folders of different paths, one after the other, with
# tools/make_packages.sh, and compares them byte for byte. Then compares them
# with the packages in DIST (dist/ unless given) too, when the working tree
# holds no change that the clones lack. Gives up after
# LSD2WAV_REPRODUCIBLE_SECONDS (1800) in all. Any difference fails the script.
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
maintainer=$(sed -n 's/^LSD2WAV_PACKAGE_MAINTAINER:STRING=//p' build/CMakeCache.txt 2>/dev/null || true)
[ -z "$maintainer" ] || options+=("-DLSD2WAV_PACKAGE_MAINTAINER=$maintainer")

SECONDS=0
clones=("$root/one" "$root/the/second/clone/lies/deeper")
starts=()
for clone in "${clones[@]}"; do
    left=$((limit - SECONDS))
    [ "$left" -gt 0 ] || { fail "no time left for $clone (limit $limit s)"; break; }
    starts+=("$SECONDS")
    mkdir -p "$(dirname "$clone")"
    git clone -q --no-hardlinks "$PWD" "$clone"
    git -C "$clone" checkout -q --detach "$commit"
    if ! timeout "$left" "$clone/tools/make_packages.sh" "$clone/dist" "${options[@]}" \
        >"$clone.log" 2>&1; then
        fail "building the packages in $clone: $(tail -n 5 "$clone.log" | xargs)"
    fi
done
[ "$failures" -eq 0 ] || { echo "check_reproducible: $failures failure(s)" >&2; exit 1; }

# compare WHAT A B: every package of A is in B with the same bytes, and B
# holds no other.
compare() {
    local what=$1 a=$2 b=$3 package differ=0
    for package in $(ls "$a"); do
        if ! cmp -s "$a/$package" "$b/$package"; then
            fail "$what: $package differs ($(cmp "$a/$package" "$b/$package" 2>&1 | head -n 1))"
            differ=1
        fi
    done
    [ "$(ls "$a" | xargs)" = "$(ls "$b" | xargs)" ] || {
        fail "$what: \"$(ls "$a" | xargs)\" against \"$(ls "$b" | xargs)\""
        differ=1
    }
    [ "$differ" -ne 0 ] || passed "$what: $(ls "$a" | xargs) are the same bytes"
}
compare "two clones at different paths, started $((starts[1] - starts[0])) s apart" \
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
