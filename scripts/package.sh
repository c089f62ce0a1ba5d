#!/usr/bin/env bash
# Builds what users install, into dist/:
#   sonrik-VERSION-win32.zip       Sonrik.dll, sonrik.exe, sonrik-tag.exe (a
#                                  32-bit Release cross build), README.txt and
#                                  SHA256SUMS
#   sonrik-tag_VERSION_amd64.deb   /usr/bin/sonrik-tag and its manual page
#                                  (a native Release build, packed by CPack)
#
#   scripts/package.sh [OUTPUT-DIR]     (default: dist/)
#
# The build trees are $SONRIK_BUILD_ROOT/package-win32 and package-native.
set -euo pipefail
# shellcheck source=scripts/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

out="${1:-$REPO/dist}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"
win="$BUILD_ROOT/package-win32"
native="$BUILD_ROOT/package-native"
release=(-DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF)

step "Release cross build for 32-bit Windows"
configure "$win" "${cross_args[@]}" "${release[@]}"
build "$win" --target Sonrik sonrik sonrik-tag
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$win/CMakeCache.txt")"

step "sonrik-$version-win32.zip"
stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
cp "$win/bin/Sonrik.dll" "$win/bin/sonrik.exe" "$win/tools/cli/sonrik-tag.exe" "$stage/"
"${CMAKE_STRIP:-i686-w64-mingw32-strip}" "$stage/Sonrik.dll" "$stage/sonrik.exe" "$stage/sonrik-tag.exe"
# A read-me for Windows: CR LF line ends.
sed -e "s/@SONRIK_VERSION@/$version/" -e 's/$/\r/' "$REPO/docs/README.txt.in" >"$stage/README.txt"
(cd "$stage" && sha256sum Sonrik.dll sonrik.exe sonrik-tag.exe README.txt >SHA256SUMS)
zip="$out/sonrik-$version-win32.zip"
rm -f "$zip"
python3 - "$zip" "$stage" <<'PY'
import os, sys, zipfile
archive, folder = sys.argv[1], sys.argv[2]
with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED) as z:
    for name in ["Sonrik.dll", "sonrik.exe", "sonrik-tag.exe", "README.txt", "SHA256SUMS"]:
        z.write(os.path.join(folder, name), name)
PY
echo "$zip"

step "Release build of sonrik-tag and its Debian package"
configure "$native" "${release[@]}"
build "$native" --target sonrik-tag
(cd "$native" && cpack -G DEB >/dev/null)
deb="$(ls "$native"/packages/sonrik-tag_"$version"_*.deb)"
cp "$deb" "$out/"
echo "$out/$(basename "$deb")"
