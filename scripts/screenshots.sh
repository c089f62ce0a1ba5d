#!/usr/bin/env bash
# Builds sonrik-host.exe (cross build) and takes PNG screenshots of the
# control gallery under Wine: English and Russian, each with the visual style
# Wine reports active ("styled") and with the style switched off for the
# gallery's windows ("classic", host option --classic).
#
#   scripts/screenshots.sh [OUTPUT-DIR]     (default: build/screenshots)
#
# The cross build tree is $SONRIK_CROSS_BUILD (default: build/win32, the one
# scripts/test.sh uses).
#
# The host captures the gallery window with GDI into a 24-bit BMP; ImageMagick
# turns that into PNG. Uses the caller's display, or a virtual one.
set -euo pipefail
# shellcheck source=scripts/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

out="${1:-$BUILD_ROOT/screenshots}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"
dir="${SONRIK_CROSS_BUILD:-$BUILD_ROOT/win32}"

step "build sonrik-host.exe in $dir"
configure "$dir" "${cross_args[@]}" >/dev/null
build "$dir" --target sonrik-host

command -v convert >/dev/null || { echo "ImageMagick (convert) is needed" >&2; exit 1; }
start_display
trap 'stop_wine "$dir"; stop_display' EXIT

work="$(mktemp -d)"
trap 'rm -rf "$work"; stop_wine "$dir"; stop_display' EXIT
host=("$REPO/scripts/wine-run" --prefix "$dir/wineprefix" "$dir/bin/sonrik-host.exe")

for style in styled classic; do
    for language in en ru; do
        name="gallery-$language-$style"
        step "$name"
        # Some events in the log and the status bar, so they show too.
        cat >"$work/$name.script" <<SCRIPT
wait-window Gallery
type NameEdit "Sample title"
type YearEdit "1999"
pick ArtistCombo 1
click FillButton
screenshot "$name.bmp"
SCRIPT
        options=(--script "$work/$name.script")
        [[ "$style" == classic ]] && options+=(--classic)
        (cd "$work" && "${host[@]}" "${options[@]}" gallery "$language")
        convert "$work/$name.bmp" "$out/$name.png"
        echo "$out/$name.png"
    done
done
