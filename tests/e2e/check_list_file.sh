#!/bin/sh
# The host's list-file writer: one full path per line, each ended by CR LF,
# in the ANSI code page (Wine's default 1252 here), and a second write
# replaces the first completely.
#
#   check_list_file.sh EMULATOR... HOST.exe
set -eu
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
cd "$dir"
"$@" write-list list.txt 'C:\Music\Old song.mp3' 'C:\Music\Three.mp3' 'C:\Music\Four.mp3'
"$@" write-list list.txt 'C:\Música\Ünder.mp3' 'D:\Tracks\B.MP3'
printf 'C:\\M\372sica\\\334nder.mp3\r\nD:\\Tracks\\B.MP3\r\n' > expected.txt
if cmp expected.txt list.txt; then
    echo "list file as expected"
else
    echo "list file differs:"; od -c list.txt
    exit 1
fi
if ls ./*.tmp >/dev/null 2>&1; then
    echo "a temporary file was left behind"
    exit 1
fi
