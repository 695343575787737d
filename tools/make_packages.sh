#!/usr/bin/env bash
# Builds the four release packages into DIST from the build folders of the
# presets deb (build-deb/), win32 and win64 (build-win32/, build-win64/) and
# web (build-web/), configuring and building what is not up to date of the
# two programs, their texts and the page's engine, and nothing else:
#   lsd2wav_VERSION_ARCH.deb      cpack -G DEB, with Debian's build flags
#   lsd2wav-VERSION-win32.zip     the files `cmake --install` puts out
#   lsd2wav-VERSION-win64.zip
#   lsd2wav-VERSION-web.zip       the page as tools/web.sh --no-serve assembles
#                                 it in build-web/site/, which the web lane tests
# The Windows programs are those of the test lanes' own folders, so that after
# tools/test.sh the ZIPs hold the very files its tests ran, and a later
# tools/test.sh finds those folders as it left them and builds the tests
# that are missing. The tested native build (build/) is not touched: the
# .deb's programs are built apart, with the flags Debian builds its packages
# with (dpkg-buildflags, all hardening on), which the tests do not use.
# The same sources give the same bytes, from any folder, at any time and
# under any umask, time zone or locale: every time stamp in the packages is
# SOURCE_DATE_EPOCH (the last commit's time unless it is set), every mode is
# set (cmake/packaging.cmake, and the umask below), the programs hold no
# build path (CMakeLists.txt) and the Windows programs no link time
# (cmake/mingw-common.cmake).
#   tools/make_packages.sh DIST [-DNAME=VALUE...]
# The -D options go to every configure, and stay in those folders:
# -DLSD2WAV_TESTS=OFF, say, spares configuring GoogleTest in a clone made to
# build the packages alone, but leaves win32 and win64 without tests.
set -euo pipefail
# CPack gives the .deb's outer members (debian-binary, control.tar.gz,
# data.tar.gz) the mode its files get from the umask, no setting changes
# that, and folders lose to the umask what cmake/packaging.cmake grants them.
umask 022
cd "$(dirname "$0")/.."
[ $# -ge 1 ] || { echo "usage: tools/make_packages.sh DIST [-DNAME=VALUE...]" >&2; exit 2; }
mkdir -p "$1"
dist=$(cd "$1" && pwd)
shift

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null) || {
        echo "make_packages: no git history to take the time from; set SOURCE_DATE_EPOCH" >&2
        exit 1
    }
fi
export SOURCE_DATE_EPOCH

# Lintian asks for every hardening that dpkg-buildflags has, bind now too,
# which Debian leaves off unless asked.
debian_flags() { DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"; }
cmake --preset deb "-DCMAKE_CXX_FLAGS=$(debian_flags CPPFLAGS) $(debian_flags CXXFLAGS)" \
    "-DCMAKE_EXE_LINKER_FLAGS=$(debian_flags LDFLAGS)" "$@" >/dev/null
cmake --build --preset deb
(cd build-deb && cpack -G DEB -B "$dist" >/dev/null)
# CPack's staging tree, which is no package.
rm -rf "$dist/_CPack_Packages"

version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' build-deb/CPackConfig.cmake)
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
# zip_folder FILES NAME: dist/lsd2wav-VERSION-NAME.zip of the folder FILES,
# every time in it the commit's, names in a fixed order, times in UTC (a ZIP
# keeps local times), and no owner or extra time fields.
zip_folder() {
    local zip=$dist/lsd2wav-$version-$2.zip
    find "$1" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
    rm -f "$zip"
    (cd "$1" && find . -type f | sed 's|^\./||' | LC_ALL=C sort |
        TZ=UTC zip -q -X -D -9 "$zip" -@)
}
for preset in win32 win64; do
    cmake --preset "$preset" "$@" >/dev/null
    cmake --build --preset "$preset" --target lsd2wav wav2lsd
    files=$stage/$preset
    cmake --install "build-$preset" --prefix "$files" >/dev/null
    zip_folder "$files" "$preset"
done

# The page, in one folder to unzip and open from disk or serve as it stands,
# with a short read-me: its files with set modes, as the installed Windows
# files have them.
tools/web.sh --no-serve >/dev/null
files=$stage/web/lsd2wav-$version-web
mkdir -p "$stage/web"
cp -R build-web/site "$files"
sed 's/$/\r/' web/README.txt >"$files/README.txt"
find "$stage/web" -type d -exec chmod 755 {} +
find "$stage/web" -type f -exec chmod 644 {} +
zip_folder "$stage/web" web
echo "make_packages: $(cd "$dist" && echo *) in $dist, times at $(date -u -d "@$SOURCE_DATE_EPOCH" '+%F %T') UTC"
