#!/usr/bin/env bash
# Makes the Debian packages of a build into a folder of their own and checks
# them: the file names, the control fields (dependencies read from the shared
# libraries), the exact file list of each package, the ldconfig trigger and
# shlibs entry of the shared library, the library search paths of the
# programs, the packaged ferrolok running from the unpacked tree, lintian
# over both (no error), and dpkg installing both into a root of the test's
# own, removing them and installing them again.
#
#   package_test.sh BUILD_DIR VERSION
set -euo pipefail
export LC_ALL=C
build=$(realpath "$1") version=$2
arch=$(dpkg --print-architecture)
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null)
lib=/usr/lib/$multiarch
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

start=$EPOCHREALTIME
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack failed"; }
awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "cpack took %.1f s\n", b - a }'
run=$work/tarvex_${version}_${arch}.deb
dev=$work/libferrolok-dev_${version}_${arch}.deb
made=$(cd "$work" && ls ./*.deb | sed 's|^\./||' | sort | tr '\n' ' ')
[ "$made" = "libferrolok-dev_${version}_${arch}.deb tarvex_${version}_${arch}.deb " ] ||
  fail "cpack made: $made"

# field DEB NAME
field() { dpkg-deb -f "$1" "$2"; }
for deb in "$run" "$dev"; do
  [ "$(field "$deb" Version)" = "$version" ] || fail "$deb: Version $(field "$deb" Version)"
  [ "$(field "$deb" Architecture)" = "$arch" ] || fail "$deb: Architecture"
  [[ $(field "$deb" Maintainer) == *"<"*"@"*">" ]] || fail "$deb: Maintainer $(field "$deb" Maintainer)"
done
[ "$(field "$run" Package)" = tarvex ] || fail "Package: $(field "$run" Package)"
[ "$(field "$run" Section)" = utils ] || fail "Section: $(field "$run" Section)"
[[ $(field "$run" Description) == "viewer for a process controller's logs"*$'\n'" "* ]] ||
  fail "Description: $(field "$run" Description)"
depends=$(field "$run" Depends)
for need in libc6 libstdc++6 libqt6core6 libqt6widgets6 libqt6printsupport6 libnettle8 libqt6sql6-sqlite; do
  tr ',' '\n' <<<"$depends" | sed 's/^ *//; s/ .*//' | grep -qxF "$need" ||
    fail "Depends lacks $need: $depends"
done
[ "$(field "$dev" Package)" = libferrolok-dev ] || fail "Package: $(field "$dev" Package)"
[ "$(field "$dev" Section)" = libdevel ] || fail "libferrolok-dev Section: $(field "$dev" Section)"
[ "$(field "$dev" Depends)" = "tarvex (= $version)" ] ||
  fail "libferrolok-dev Depends: $(field "$dev" Depends)"

# Every file and link of each package, folders aside, exactly; links with
# their targets.
listing() {
  dpkg-deb -c "$1" | awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 ($7 == "->" ? " -> " $8 : "") }' |
    sort
}
listing "$run" >"$work/run.files"
sort <<EOF | diff -u - "$work/run.files" || fail "the files of tarvex differ (- expected, + packaged)"
/usr/bin/ferrolok
/usr/bin/tarvex
/usr/bin/tarvex-viewer
$lib/libferrolok.so.$version
$lib/libferrolok.so.1 -> libferrolok.so.$version
/usr/share/applications/tarvex-viewer.desktop
/usr/share/doc/tarvex/changelog.gz
/usr/share/doc/tarvex/copyright
/usr/share/icons/hicolor/scalable/apps/tarvex-viewer.svg
/usr/share/man/man1/ferrolok.1.gz
/usr/share/man/man1/tarvex-viewer.1.gz
/usr/share/man/man1/tarvex.1.gz
EOF
listing "$dev" >"$work/dev.files"
sort <<EOF | diff -u - "$work/dev.files" || fail "the files of libferrolok-dev differ (- expected, + packaged)"
/usr/include/ferrolok/ferrolok.h
$lib/libferrolok.so -> libferrolok.so.1
/usr/share/doc/libferrolok-dev/changelog.gz
/usr/share/doc/libferrolok-dev/copyright
EOF

# The shared library's shlibs entry and dpkg's ldconfig trigger.
dpkg-deb -e "$run" "$work/control"
grep -qx 'libferrolok 1 tarvex (>= [0-9.]*)' "$work/control/shlibs" ||
  fail "shlibs: $(cat "$work/control/shlibs" 2>/dev/null)"
grep -qx 'activate-noawait ldconfig' "$work/control/triggers" ||
  fail "triggers: $(cat "$work/control/triggers" 2>/dev/null)"

# No program or library searches a folder of the build (or any fixed folder)
# for libraries: only folders relative to where it is installed. The packaged
# ferrolok finds the packaged library.
dpkg-deb -x "$run" "$work/root"
for f in "$work/root/usr/bin/"* "$work/root$lib/libferrolok.so.$version"; do
  search=$(readelf -d "$f" | sed -n 's/.*(R\(UN\)\{0,1\}PATH).*\[\(.*\)\]$/\2/p')
  for dir in ${search//:/ }; do
    [[ $dir == '$ORIGIN'* ]] || fail "$(basename "$f") searches $dir for libraries"
  done
done
[ "$(env -u LD_LIBRARY_PATH ldd "$work/root/usr/bin/ferrolok" | awk '/libferrolok/ { print $3 }')" = \
  "$work/root/usr/bin/../lib/$multiarch/libferrolok.so.1" ] ||
  fail "the packaged ferrolok does not use its own library"
"$work/root/usr/bin/ferrolok" demo | grep -qx 'round trip: ok' || fail "the packaged ferrolok demo failed"

# lintian: no error on either package; its other findings are listed.
if ! lintian --fail-on error --tag-display-limit 0 "$run" "$dev" >"$work/lintian.txt" 2>"$work/lintian.err"; then
  cat "$work/lintian.txt" "$work/lintian.err" >&2
  fail "lintian reports errors"
fi
sed 's/^/lintian: /' "$work/lintian.txt"

# Installed, removed and installed again by dpkg, in a root and a package
# database of this test's own. The maintainer scripts run outside that root:
# their ldconfig is a stand-in that notes the call, the system's cache is
# left alone. Removal leaves no file of either package behind.
root=$work/installed admin=$work/dpkg
mkdir -p "$root" "$admin/updates" "$admin/info" "$work/bin"
: >"$admin/status"
printf '#!/bin/sh\necho "ldconfig $*" >>"%s"\n' "$work/ldconfig.calls" >"$work/bin/ldconfig"
chmod +x "$work/bin/ldconfig"
dpkg_own() {
  PATH="$work/bin:$PATH" dpkg --root="$root" --admindir="$admin" --force-not-root \
    --force-depends --force-script-chrootless --log=/dev/null "$@" >>"$work/dpkg.log" 2>&1 ||
    { cat "$work/dpkg.log" >&2; fail "dpkg $*"; }
}
installed_files() { (cd "$root" && find . ! -type d | sed 's|^\.||' | sort); }
for round in install reinstall; do
  dpkg_own -i "$run" "$dev"
  [ "$(installed_files)" = "$(cat "$work/run.files" "$work/dev.files" | sed 's/ -> .*//' | sort)" ] ||
    fail "after the $round the root holds: $(installed_files)"
  "$root/usr/bin/ferrolok" demo | grep -qx 'round trip: ok' || fail "ferrolok after the $round"
  dpkg_own -r libferrolok-dev tarvex
  [ -z "$(installed_files)" ] || fail "removing left: $(installed_files)"
done
echo "$(basename "$run"): $(wc -l <"$work/run.files") files; Depends: $depends"
echo "$(basename "$dev"): $(wc -l <"$work/dev.files") files; Depends: $(field "$dev" Depends)"
echo "installed, removed and installed again"
