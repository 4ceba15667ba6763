#!/usr/bin/env bash
# Makes the Debian package of a build into a folder of its own and checks it:
# the file name, the control fields (dependencies read from the shared
# libraries), the file list, the ldconfig trigger of the shared library, the
# library search paths of the programs, and the packaged ferrolok running
# from the unpacked tree.
#
#   package_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$(realpath "$1") version=$2
arch=$(dpkg --print-architecture)
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
debs=("$work"/*.deb)
[ ${#debs[@]} -eq 1 ] || fail "cpack made ${#debs[@]} packages: ${debs[*]}"
deb=${debs[0]}
[ "$(basename "$deb")" = "tarvex_${version}_${arch}.deb" ] || fail "package named $(basename "$deb")"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = tarvex ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture: $(field Architecture)"
[ "$(field Section)" = utils ] || fail "Section: $(field Section)"
[[ $(field Maintainer) == *"<"*"@"*">" ]] || fail "Maintainer: $(field Maintainer)"
[[ $(field Description) == "viewer for a process controller's logs"*$'\n'" "* ]] ||
  fail "Description: $(field Description)"
depends=$(field Depends)
for lib in libc6 libstdc++6 libqt6core6 libqt6widgets6 libqt6printsupport6 libnettle8 libqt6sql6-sqlite; do
  tr ',' '\n' <<<"$depends" | sed 's/^ *//; s/ .*//' | grep -qxF "$lib" ||
    fail "Depends lacks $lib: $depends"
done

# The files, all under /usr; the programs, the library, the desktop entry
# and the icon among them.
dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\./|/|' >"$work/files"
outside=$(grep -v '^/usr\(/\|$\)' "$work/files" | grep -vx '/' || true)
[ -z "$outside" ] || fail "files outside /usr: $outside"
for f in /usr/bin/tarvex-viewer /usr/bin/tarvex /usr/bin/ferrolok \
  "/usr/lib/libferrolok.so.$version" /usr/lib/libferrolok.so.1 /usr/include/ferrolok/ferrolok.h \
  /usr/share/applications/tarvex-viewer.desktop \
  /usr/share/icons/hicolor/scalable/apps/tarvex-viewer.svg; do
  grep -qx "$f" "$work/files" || fail "$f is not in the package"
done

# The shared library's shlibs entry and dpkg's ldconfig trigger.
dpkg-deb -e "$deb" "$work/control"
grep -qx 'libferrolok 1 tarvex (>= [0-9.]*)' "$work/control/shlibs" ||
  fail "shlibs: $(cat "$work/control/shlibs" 2>/dev/null)"
grep -qx 'activate-noawait ldconfig' "$work/control/triggers" ||
  fail "triggers: $(cat "$work/control/triggers" 2>/dev/null)"

# No program or library searches a folder of the build (or any fixed folder)
# for libraries: only folders relative to where it is installed. The packaged
# ferrolok finds the packaged library beside it.
dpkg-deb -x "$deb" "$work/root"
for f in "$work/root/usr/bin/"* "$work/root/usr/lib/libferrolok.so.$version"; do
  search=$(readelf -d "$f" | sed -n 's/.*(R\(UN\)\{0,1\}PATH).*\[\(.*\)\]$/\2/p')
  for dir in ${search//:/ }; do
    [[ $dir == '$ORIGIN'* ]] || fail "$(basename "$f") searches $dir for libraries"
  done
done
[ "$(env -u LD_LIBRARY_PATH ldd "$work/root/usr/bin/ferrolok" | awk '/libferrolok/ { print $3 }')" = \
  "$work/root/usr/bin/../lib/libferrolok.so.1" ] || fail "the packaged ferrolok does not use its own library"
"$work/root/usr/bin/ferrolok" demo | grep -qx 'round trip: ok' || fail "the packaged ferrolok demo failed"
echo "$(basename "$deb"): $(wc -l <"$work/files") entries; Depends: $depends"
