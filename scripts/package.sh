#!/usr/bin/env bash
# Builds the windows build and writes the release package into build/dist/:
#   VorluneFolder-<version>-setup.exe     the installer (NSIS, Unicode, 64-bit)
#   VorluneFolder-<version>-portable.zip  the same files in one folder, no installer
#   SHA256SUMS                            sha256sum's lines for both
# The version is the one line of the file VERSION; the build puts the same one into
# every binary's version resource, and this script refuses a build that carries
# another. Shipped binaries are stripped; the symbol file qorbin.sym that the
# error trace reads ships beside the program.
#
# usage: scripts/package.sh [--no-build] [--out DIR]
#   --no-build  package build/windows as it is (the e2e scenarios do so)
#   --out DIR   write the package into DIR instead of build/dist
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build=1
dist="$root/build/dist"
while [ $# -gt 0 ]; do
  case "$1" in
    --no-build) build=0 ;;
    --out) dist="$2"; shift ;;
    *) echo "usage: $0 [--no-build] [--out DIR]" >&2; exit 2 ;;
  esac
  shift
done
die() { echo "package: $*" >&2; exit 1; }

version="$(tr -d ' \r\n' <"$root/VERSION")"
[[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || die "VERSION must hold MAJOR.MINOR.PATCH, not '$version'"
for tool in makensis zip sha256sum x86_64-w64-mingw32-strip; do
  command -v "$tool" >/dev/null || die "$tool is missing (scripts/setup.sh installs it)"
done

[ "$build" = 1 ] && bash "$root/scripts/build.sh" windows
bin="$root/build/windows/bin"
for f in qorbin.exe qx.dll qorbin.sym qorbin.chm; do
  [ -f "$bin/$f" ] || die "$bin/$f is missing: build the windows build first"
done
files=(qorbin.exe qx.dll qorbin.sym qorbin.chm)
# The Explorer extension ships when the build makes it.
[ -f "$bin/shellext.dll" ] && files+=(shellext.dll)

# The version resource holds "FileVersion" and then, aligned, the version, in UTF-16.
for f in "${files[@]}"; do
  case "$f" in *.exe|*.dll) ;; *) continue ;; esac
  python3 - "$bin/$f" "$version" <<'PY' || die "$f does not carry version $version in its version resource (rebuild the windows build)"
import re, sys
data = open(sys.argv[1], "rb").read()
key = "FileVersion\0".encode("utf-16le")
value = (sys.argv[2] + "\0").encode("utf-16le")
sys.exit(0 if re.search(re.escape(key) + b"(\0\0)?" + re.escape(value), data) else 1)
PY
done

stage="$dist/VorluneFolder-$version"
# Only the package's own files are replaced: DIR may hold other things.
mkdir -p "$dist"
rm -rf "$stage"
rm -f "$dist"/VorluneFolder-*-setup.exe "$dist"/VorluneFolder-*-portable.zip "$dist/SHA256SUMS"
mkdir -p "$stage"
for f in "${files[@]}"; do
  cp "$bin/$f" "$stage/$f"
  case "$f" in *.exe|*.dll) x86_64-w64-mingw32-strip --strip-all "$stage/$f" ;; esac
done

setup="VorluneFolder-$version-setup.exe"
portable="VorluneFolder-$version-portable.zip"
(cd "$dist" && zip -q -X -r "$portable" "VorluneFolder-$version")
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DSTAGE="$stage" -DSOURCE="$root" \
  -DOUTFILE="$dist/$setup" "$root/package/installer.nsi" >"$dist/makensis.log" \
  || { cat "$dist/makensis.log" >&2; die "makensis failed"; }
rm -f "$dist/makensis.log"
(cd "$dist" && sha256sum "$setup" "$portable" >SHA256SUMS)
rm -rf "$stage"
echo "package: $dist/$setup"
echo "package: $dist/$portable"
