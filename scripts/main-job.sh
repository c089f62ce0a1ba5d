#!/usr/bin/env bash
# Quick start: installs what is missing, builds natively and for 32-bit
# Windows, makes the sample MP3 and shows its tags with sonrik-tag, loads
# Sonrik.dll in the stand-in host under Wine and checks what it answers, then
# opens the single-file editor on a copy of the sample through the host.
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
if ! runs_32bit_programs; then
    echo "main-job: this machine runs no 32-bit programs (its kernel has 32-bit emulation off), so Wine cannot" >&2
    echo "main-job: run the 32-bit Sonrik.dll here; the plug-in is built in $win32/bin." >&2
    exit 1
fi
trap 'stop_wine "$win32"; stop_display' EXIT
# Without a display of the caller's, one virtual display for every Wine run
# here: Wine's server keeps the display it was started with.
had_display="${DISPLAY:-}"
start_display
"$REPO/scripts/wine-run" --prefix "$win32/wineprefix" "$win32/bin/sonrik-host.exe" query

# The single-file editor on a copy of the sample, opened by the host as the
# player opens it. With a display the window stays up until it is closed;
# without one it is opened on a virtual display and photographed.
step "the single-file editor on the sample (Wine)"
work="$BUILD_ROOT/main-job"
rm -rf "$work"
mkdir -p "$work/Plugins" "$work/Music" "$BUILD_ROOT/screenshots"
cp "$win32/bin/Sonrik.dll" "$win32/bin/sonrik-host.exe" "$work/Plugins/"
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
(cd "$work" && "$REPO/scripts/wine-run" --prefix "$win32/wineprefix" "$work/Plugins/sonrik-host.exe" \
    run "$(winpath "$work/editor.script")")
if [[ -f "$work/editor.bmp" ]]; then
    convert "$work/editor.bmp" "$shot"
    echo "screenshot:  $shot"
fi

step "done"
echo "Sonrik.dll:  $win32/bin/Sonrik.dll"
echo "sonrik-tag:  $native/tools/cli/sonrik-tag"
echo "sample:      $native/samples/sample.mp3"
