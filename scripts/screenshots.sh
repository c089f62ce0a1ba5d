#!/usr/bin/env bash
# Builds sonrik-host.exe and Sonrik.dll (cross build) and takes PNG
# screenshots under Wine of the control gallery (English and Russian, each
# with the visual style Wine reports active, "styled", and with the style
# switched off for the gallery's windows, "classic", host option --classic)
# and of the single-file editor opened through Sonrik.dll (editor-*.png).
#
#   scripts/screenshots.sh [--guide] [OUTPUT-DIR]     (default: build/screenshots)
#
# --guide also writes the user's guide's pictures (docs/guide.md) into
# docs/images/ as small 256-colour PNGs: look at each before committing it.
#
# The cross build tree is $SONRIK_CROSS_BUILD (default: build/win32, the one
# scripts/test.sh uses; build/win64, the 64-bit test build, on a machine that
# runs no 32-bit programs).
#
# The host captures the gallery window with GDI into a 24-bit BMP; ImageMagick
# turns that into PNG. Uses the caller's display, or a virtual one.
set -euo pipefail
# shellcheck source=scripts/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

guide=0
if [[ "${1:-}" == --guide ]]; then
    guide=1
    shift
fi
out="${1:-$BUILD_ROOT/screenshots}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"
pick_wine_build
dir="${SONRIK_CROSS_BUILD:-$BUILD_ROOT/$wine_arch}"

step "build sonrik-host.exe in $dir"
configure "$dir" "${wine_cross_args[@]}" >/dev/null
build "$dir" --target sonrik-host

command -v convert >/dev/null || { echo "ImageMagick (convert) is needed" >&2; exit 1; }
start_display
trap 'stop_wine "$dir"; stop_display' EXIT

work="$(mktemp -d)"
trap 'rm -rf "$work"; stop_wine "$dir"; stop_display' EXIT
host=("$REPO/scripts/wine-run" --arch "$wine_arch" --prefix "$dir/wineprefix" "$dir/bin/sonrik-host.exe")

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
# The work folder is drive M: in the prefix, so that the pictures show the
# same short paths on every run ("M:\Songs\track02.mp3").
drive="$dir/wineprefix/dosdevices/m:"
ln -sfn "$work" "$drive"
scriptpath() { local path="M:${1#"$work"}"; printf '%s' "${path//\//\\\\}"; }
theme_key='HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager'
set_theme() { "$REPO/scripts/wine-run" --arch "$wine_arch" --prefix "$dir/wineprefix" reg add "$theme_key" /v ThemeActive /t REG_SZ /d "$1" /f >/dev/null; }
trap 'set_theme 1; rm -f "$drive"; rm -rf "$work"; stop_wine "$dir"; stop_display' EXIT

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
            (cd "$work" && "$REPO/scripts/wine-run" --arch "$wine_arch" --prefix "$dir/wineprefix" "$plugin/sonrik-host.exe" \
                run "$work/$name.script")
            convert "$work/$name.bmp" "$out/$name.png"
            echo "$out/$name.png"
        done
    done
done

# The list editor through Sonrik.dll: its three pages in English and Russian,
# with rows in every status. The songs are made here: tagged and untagged,
# one whose name is already what its tags give, one too short to hold a tag
# (its write fails), one whose number the record cannot hold.
songs="$work/Songs"
make_songs() {
rm -rf "$songs"
python3 - "$songs" <<'PYTHON'
import os, sys
folder = sys.argv[1]
os.makedirs(folder, exist_ok=True)
audio = (bytes([0xFF, 0xFB, 0x90, 0x64]) + bytes(413)) * 8
def field(text, width):
    data = text.encode("latin-1")
    return data + bytes(width - len(data))
def tag(title, artist, track=0):
    return b"TAG" + field(title, 30) + field(artist, 30) + bytes(30) + bytes(4) + bytes(28) + bytes([0, track, 17])
files = {
    "Quiet Band - First Song.mp3": audio + tag("First Song", "Quiet Band", 1),  # File exists
    "track02.mp3": audio + tag("Second Song", "Quiet Band", 2),                 # Test OK, then renamed
    "track03.mp3": audio,                                                       # Not enough information
    "07. Seventh Heaven.mp3": audio,                                            # TAG(s) is recorded
    "08. Too Short.mp3": b"short",                                              # Write Error
    "09. Done.mp3": audio + tag("Done", "Quiet Band", 9),                       # No changes
    "300. Too Far.mp3": audio,                                                  # Test ERROR
    "10. .mp3": audio,                                                          # Not enough information
}
for name, data in files.items():
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)
PYTHON
}
rows=("Quiet Band - First Song.mp3" "track02.mp3" "track03.mp3")
fills=("07. Seventh Heaven.mp3" "08. Too Short.mp3" "09. Done.mp3" "300. Too Far.mp3" "10. .mp3")
quoted() { local out="" file; for file in "$@"; do out+=" \"$(scriptpath "$songs/$file")\""; done; printf '%s' "$out"; }
for style in styled classic; do
[[ "$style" == classic ]] && set_theme 0 || set_theme 1
for language in en ru; do
    [[ "$language" == en ]] && eng=1 || eng=0
    make_songs
    # OPTIONLIST 3: "<TRACK NUM>. <TITLE>" is the template from the start, so
    # the first test on "File name to TAG" already uses it; "TAG to file
    # name" picks "<ARTIST> - <TITLE>" and tests again.
    printf '[SONRIKSETTS]\r\nENG=%s\r\nOPTIONLIST=3\r\n' "$eng" >"$plugin/moduls.ini"
    rm -f "$plugin/sonrik.txt"
    name="list-$language-$style"
    step "$name-*"
    cat >"$work/$name.script" <<SCRIPT
write-list "$(scriptpath "$work/rename.txt")"$(quoted "${rows[@]}")
write-list "$(scriptpath "$work/fill.txt")"$(quoted "${fills[@]}")
run-module-list "$(scriptpath "$work/rename.txt")"
wait-window AListEditor 30000
click-row TagBox 0
click-row TagBox 2 shift
sleep 300
screenshot "$name-files.bmp"
pick AFilesPage 1
pick OptionBox 0
click BTTest
sleep 300
screenshot "$name-tag-to-name.bmp"
click BTApply
sleep 1500
screenshot "$name-tag-to-name-applied.bmp"
close AListEditor
run-module-list "$(scriptpath "$work/fill.txt")"
wait-window AListEditor 30000
click-row TagBox 0
click-row TagBox 4 shift
pick AFilesPage 2
sleep 300
screenshot "$name-name-to-tag.bmp"
click BTApply
sleep 1500
screenshot "$name-name-to-tag-applied.bmp"
close AListEditor
SCRIPT
    (cd "$work" && "$REPO/scripts/wine-run" --arch "$wine_arch" --prefix "$dir/wineprefix" "$plugin/sonrik-host.exe" \
        run "$work/$name.script")
    for shot in files tag-to-name tag-to-name-applied name-to-tag name-to-tag-applied; do
        convert "$work/$name-$shot.bmp" "$out/$name-$shot.png"
        echo "$out/$name-$shot.png"
    done
done
done

# The guide's pictures: English, with Wine's visual style; the Russian editor
# beside the English one, as its labels need more room.
if ((guide)); then
    step "the guide's pictures in docs/images"
    mkdir -p "$REPO/docs/images"
    for pair in editor-en-with-lyrics3-styled:editor-en editor-ru-with-lyrics3-styled:editor-ru \
                list-en-styled-files:list-files-en list-en-styled-tag-to-name:list-tag-to-name-en \
                list-en-styled-name-to-tag-applied:list-name-to-tag-en; do
        convert "$out/${pair%%:*}.png" -strip -colors 256 PNG8:"$REPO/docs/images/${pair##*:}.png"
        echo "$REPO/docs/images/${pair##*:}.png"
    done
fi
