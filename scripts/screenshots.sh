#!/usr/bin/env bash
# Builds sonrik-host.exe and Sonrik.dll (cross build) and takes PNG
# screenshots under Wine of the control gallery (English and Russian, each
# with the visual style Wine reports active, "styled", and with the style
# switched off for the gallery's windows, "classic", host option --classic)
# and of the single-file editor opened through Sonrik.dll (editor-*.png).
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

# The single-file editor through Sonrik.dll, opened by the host as the player
# opens it: English and Russian, on a file with a Lyrics3 tag and on one with
# the ID3v1 tag only, with Wine's visual style and with the classic look
# (visual styles switched off for the prefix, as a user of the classic theme
# has them, so the module's loaders find no active style).
native="$BUILD_ROOT/native"
step "build Sonrik.dll in $dir and the sample in $native"
build "$dir" --target Sonrik
configure "$native" >/dev/null
build "$native" --target sonrik-tag sample

plugin="$work/Plugins"
mkdir -p "$plugin" "$work/Music"
cp "$dir/bin/Sonrik.dll" "$dir/bin/sonrik-host.exe" "$plugin/"
cp "$native/samples/sample.mp3" "$work/Music/with-lyrics3.mp3"
cp "$native/samples/sample.mp3" "$work/Music/id3v1-only.mp3"
"$native/tools/cli/sonrik-tag" set --no-lyrics3 "$work/Music/id3v1-only.mp3" >/dev/null
scriptpath() { local path="Z:$1"; printf '%s' "${path//\//\\\\}"; }
theme_key='HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager'
set_theme() { "$REPO/scripts/wine-run" --prefix "$dir/wineprefix" reg add "$theme_key" /v ThemeActive /t REG_SZ /d "$1" /f >/dev/null; }
trap 'set_theme 1; rm -rf "$work"; stop_wine "$dir"; stop_display' EXIT

for style in styled classic; do
    [[ "$style" == classic ]] && set_theme 0 || set_theme 1
    for language in en ru; do
        [[ "$language" == en ]] && eng=1 || eng=0
        printf '[SONRIKSETTS]\r\nENG=%s\r\n' "$eng" >"$plugin/moduls.ini"
        for file in with-lyrics3 id3v1-only; do
            name="editor-$language-$file-$style"
            step "$name"
            cat >"$work/$name.script" <<SCRIPT
run-module "$(scriptpath "$work/Music/$file.mp3")"
wait-window ATagFrm 30000
sleep 500
screenshot "$name.bmp"
close ATagFrm
SCRIPT
            (cd "$work" && "$REPO/scripts/wine-run" --prefix "$dir/wineprefix" "$plugin/sonrik-host.exe" \
                run "$work/$name.script")
            convert "$work/$name.bmp" "$out/$name.png"
            echo "$out/$name.png"
        done
    done
done
