#!/usr/bin/env bash
# Quick start: installs what is missing, builds natively and for 32-bit
# Windows, makes the sample MP3 and shows its tags with sonrik-tag, then loads
# Sonrik.dll in the stand-in host under Wine and checks what it answers.
set -euo pipefail
# shellcheck source=scripts/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

native="$BUILD_ROOT/native"
win32="$BUILD_ROOT/win32"

step "setup"
"$REPO/scripts/setup.sh"

step "native build: sonrik-tag and the sample MP3"
configure "$native"
build "$native" --target sonrik-tag sample

step "cross build: Sonrik.dll and sonrik-host.exe"
configure "$win32" "${cross_args[@]}"
build "$win32" --target Sonrik sonrik-host

step "sonrik-tag show $native/samples/sample.mp3"
"$native/tools/cli/sonrik-tag" show "$native/samples/sample.mp3"

step "sonrik-host.exe loads Sonrik.dll (Wine)"
trap 'stop_wine "$win32"' EXIT
"$REPO/scripts/wine-run" --prefix "$win32/wineprefix" "$win32/bin/sonrik-host.exe" query

# The editor windows come here: open the single-file editor on the sample
# through sonrik-host.exe under Xvfb and take a screenshot of it.

step "done"
echo "Sonrik.dll:  $win32/bin/Sonrik.dll"
echo "sonrik-tag:  $native/tools/cli/sonrik-tag"
echo "sample:      $native/samples/sample.mp3"
