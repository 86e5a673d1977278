#!/usr/bin/env bash
# Makes the Debian package from a configured and built tree and checks it as
# a user's machine would see it: the files it holds, its control fields, the
# desktop entry and the software-centre entry, and the program itself run
# from the unpacked package (no build tree, no LD_LIBRARY_PATH, no display).
#
# Usage: tools/check-package.sh BUILD_DIR [--lintian]
# Prints what is wrong, one line each; exits 1 when anything is.
set -uo pipefail
build=$(cd "$1" && pwd) || exit 1
run_lintian=${2:-}
out=$build/package
scratch=$out/unpacked
problems=0
problem() {
  echo "   package: $*"
  problems=$((problems + 1))
}

version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
[ -n "$version" ] || { echo "   package: no version in $build/CPackConfig.cmake"; exit 1; }
arch=$(dpkg --print-architecture)
deb=$out/lumicar_${version}_${arch}.deb

rm -rf "$out"
mkdir -p "$out"
if ! (cd "$build" && cpack -G DEB -B "$out") >"$out/cpack.log" 2>&1; then
  tail -n 30 "$out/cpack.log"
  echo "   package: cpack failed (whole output: $out/cpack.log)"
  exit 1
fi
[ -f "$deb" ] || { echo "   package: cpack made no $(basename "$deb")"; exit 1; }

# The files.
files=$(dpkg-deb -c "$deb" | awk '{print $NF}')
expected=(./usr/bin/lumicar ./usr/share/applications/lumicar.desktop ./usr/share/man/man1/lumicar.1.gz ./usr/share/doc/lumicar/copyright ./usr/share/doc/lumicar/changelog.gz)
for size in 16 22 24 32 48 64 128 256; do
  expected+=("./usr/share/icons/hicolor/${size}x${size}/apps/lumicar.png")
done
for f in "${expected[@]}"; do
  grep -q -x -F -- "$f" <<<"$files" || problem "$f is missing"
done
# The software-centre entry, named by the program's identifier there.
metainfo=$(grep -E '^\./usr/share/metainfo/[^/]+\.metainfo\.xml$' <<<"$files")
[ "$(grep -c . <<<"$metainfo")" = 1 ] || problem "not one software-centre entry in usr/share/metainfo: $metainfo"
# Nothing of the build tree or of a developer's machine.
if strays=$(grep -E '/(build|home|root|tmp)/' <<<"$files"); then problem "files of a build tree: $strays"; fi

# The control fields.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = lumicar ] || problem "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || problem "Version is '$(field Version)', not $version"
[ "$(field Architecture)" = "$arch" ] || problem "Architecture is '$(field Architecture)'"
[ "$(field Section)" = video ] || problem "Section is '$(field Section)'"
[ "$(field Priority)" = optional ] || problem "Priority is '$(field Priority)'"
grep -q -E '^[^<]+ <[^@>]+@[^>]+>$' <<<"$(field Maintainer)" || problem "Maintainer '$(field Maintainer)' is no name and address"
depends=$(field Depends)
grep -q 'libqt6widgets6' <<<"$depends" || problem "Depends lacks Qt's widgets library (shlibdeps): $depends"
grep -q 'fonts-ipafont-gothic' <<<"$depends" || problem "Depends lacks the Japanese font: $depends"
[ "$(field Description | wc -l)" -ge 2 ] || problem "Description has no long text"

# Unpacked, as dpkg would install it.
dpkg -x "$deb" "$scratch" || { echo "   package: dpkg -x failed"; exit 1; }
desktop-file-validate "$scratch/usr/share/applications/lumicar.desktop" >"$out/desktop.log" 2>&1 ||
  problem "desktop-file-validate: $(head -n 3 "$out/desktop.log" | tr '\n' ' ')"
appstreamcli validate --no-net "$scratch/${metainfo#./}" >"$out/appstream.log" 2>&1 ||
  problem "appstreamcli validate: $(grep -E '^[EW]:' "$out/appstream.log" | head -n 3 | tr '\n' ' ')"
gzip -t "$scratch/usr/share/man/man1/lumicar.1.gz" || problem "the manual page is no gzip file"

program=$scratch/usr/bin/lumicar
plain=(env -u LD_LIBRARY_PATH -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen)
said=$("${plain[@]}" "$program" --version 2>"$out/version.err") || problem "lumicar --version failed: $(head -n 3 "$out/version.err")"
[ "$said" = "lumicar $version" ] || problem "lumicar --version says '$said', not 'lumicar $version'"
listed=$("${plain[@]}" "$program" --list-devices 2>"$out/list.err") ||
  problem "lumicar --list-devices failed: $(head -n 3 "$out/list.err")"
grep -q -x 'Test pattern' <<<"$listed" || problem "lumicar --list-devices does not list the test pattern"
grep -q -E '^      [0-9]+ x [0-9]+: ' <<<"$listed" || problem "lumicar --list-devices lists no size"

if [ "$run_lintian" = --lintian ]; then
  lintian --tag-display-limit 0 "$deb" >"$out/lintian.log" 2>&1
  grep '^E:' "$out/lintian.log" | sed 's/^/   package: lintian /' | head -n 20
  grep -q '^E:' "$out/lintian.log" && problems=$((problems + 1))
fi

[ $problems -eq 0 ] || exit 1
checked="files, fields, entries and the unpacked program"
[ "$run_lintian" = --lintian ] && checked="$checked checked; lintian: no errors"
echo "   $(basename "$deb"): $(wc -l <<<"$files") entries; $checked"
