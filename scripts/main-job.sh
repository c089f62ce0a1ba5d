#!/usr/bin/env bash
# Quick start: installs what is missing, builds natively and for 32-bit
# Windows, makes the sample MP3 and shows its tags with sonrik-tag, loads
# Sonrik.dll in the stand-in host under Wine and checks what it answers, then
# opens the single-file editor on a copy of the sample through the host.
# On a machine that runs no 32-bit programs the 64-bit test build of the
# plug-in and the host stands in for the 32-bit one under Wine.
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

pick_wine_build
arch="$wine_arch" win="$BUILD_ROOT/$wine_arch"
if [[ "$arch" != win32 ]]; then
    step "64-bit test build: Sonrik.dll and sonrik-host.exe"
    echo "This machine runs no 32-bit programs (its kernel has 32-bit emulation off), so Wine cannot run"
    echo "the 32-bit Sonrik.dll built in $win32/bin; the 64-bit test build stands in for it below."
    configure "$win" "${wine_cross_args[@]}"
    build "$win" --target Sonrik sonrik-host
fi

step "sonrik-host.exe loads Sonrik.dll (Wine, $arch)"
trap 'stop_wine "$win"; stop_display' EXIT
# Without a display of the caller's, one virtual display for every Wine run
# here: Wine's server keeps the display it was started with.
had_display="${DISPLAY:-}"
start_display
"$REPO/scripts/wine-run" --arch "$arch" --prefix "$win/wineprefix" "$win/bin/sonrik-host.exe" query

# The single-file editor on a copy of the sample, opened by the host as the
# player opens it. With a display the window stays up until it is closed;
# without one it is opened on a virtual display and photographed.
step "the single-file editor on the sample (Wine)"
work="$BUILD_ROOT/main-job"
rm -rf "$work"
mkdir -p "$work/Plugins" "$work/Music" "$BUILD_ROOT/screenshots"
cp "$win/bin/Sonrik.dll" "$win/bin/sonrik-host.exe" "$work/Plugins/"
cp "$native/samples/sample.mp3" "$work/Music/sample.mp3"
shot="$BUILD_ROOT/screenshots/main-job-editor.png"
# Wine's Z: drive is the root; inside a script's quotes a backslash is doubled.
winpath() { local path="Z:$1"; printf '%s' "${path//\//\\}"; }
scriptpath() { local path="Z:$1"; printf '%s' "${path//\//\\\\}"; }
if [[ -n "$had_display" ]]; then
    printf 'run-module "%s"\nwait-window ATagFrm 30000\nwait-closed ATagFrm 0\n' \
        "$(scriptpath "$work/Music/sample.mp3")" >"$work/editor.script"
else
    printf 'run-module "%s"\nwait-window ATagFrm 30000\nsleep 500\nscreenshot "%s"\nclose ATagFrm\n' \
        "$(scriptpath "$work/Music/sample.mp3")" "$(scriptpath "$work/editor.bmp")" >"$work/editor.script"
fi
(cd "$work" && "$REPO/scripts/wine-run" --arch "$arch" --prefix "$win/wineprefix" "$work/Plugins/sonrik-host.exe" \
    run "$(winpath "$work/editor.script")")
if [[ -f "$work/editor.bmp" ]]; then
    convert "$work/editor.bmp" "$shot"
    echo "screenshot:  $shot"
fi

step "done"
echo "Sonrik.dll:  $win32/bin/Sonrik.dll (32-bit, the plug-in)"
echo "sonrik-tag:  $native/tools/cli/sonrik-tag"
echo "sample:      $native/samples/sample.mp3"
