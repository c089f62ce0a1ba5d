#!/usr/bin/env python3
"""The list editor through the real Sonrik.dll, as the player uses it.

Copies Sonrik.dll and sonrik-host.exe into a plug-in folder of their own,
makes a folder of songs (tagged, untagged and read-only, with a file that is
no MP3 and a listed one that is missing), has the host write the player's
list file and call RunModule_List, and drives the real controls: a selection,
"TAG to file name" with Apply (renames), then "File name to TAG" with Apply
(tag writes, the read-only question); one song's new name comes from its
ID3v2 tag, whose title the ID3v1 record holds cut short. Then checks the disk byte for byte and
the host's messages.

  listedit_e2e.py --bin DIR --work DIR [--xml FILE] -- EMULATOR...
"""
import os
import stat
import subprocess
import sys

from e2e_files import driver_arguments, FRAME, fresh_folder, id3v1, id3v2_text, plugin_folder, quoted, winpath


def main():
    args = driver_arguments()
    emulator = args.emulator

    work = os.path.abspath(args.work)
    fresh_folder(work)
    plugin = plugin_folder(work, args.bin, b"[SONRIKSETTS]\r\nENG=1\r\n")
    music = os.path.join(work, "Music")
    os.makedirs(music)
    audio = FRAME * 8

    # The second song's ID3v1 title is its ID3v2 title cut at 30 bytes: the
    # new name takes the whole one.
    long_title = "Second Song, Its Whole Long Title"
    songs = {
        "01.mp3": audio + id3v1("First Song", "Quiet Band", track=1),
        "02.mp3": id3v2_text([(b"TIT2", long_title.encode())]) + audio + id3v1(long_title[:30], "Quiet Band", track=2),
        "Loud Band - Third Song.mp3": audio,
    }
    for name, data in songs.items():
        with open(os.path.join(music, name), "wb") as f:
            f.write(data)
    with open(os.path.join(music, "notes.txt"), "wb") as f:
        f.write(b"not a song")
    untagged = os.path.join(music, "Loud Band - Third Song.mp3")
    os.chmod(untagged, stat.S_IRUSR | stat.S_IRGRP | stat.S_IROTH)  # read-only
    listed = ["01.mp3", "notes.txt", "02.mp3", "missing.mp3", "Loud Band - Third Song.mp3"]
    list_file = os.path.join(work, "list.txt")

    script = os.path.join(work, "listedit.script")
    with open(script, "w", encoding="utf-8") as s:
        s.write("write-list " + quoted(list_file) + " " + " ".join(quoted(os.path.join(music, n)) for n in listed) + "\n")
        s.write(f"""run-module-list {quoted(list_file)}
wait-window AListEditor 20000
# Page 1 is refused with nothing selected.
pick AFilesPage 1
answer ok
expect-box "Tag editor" "No chosen files!\\rPlease select one or more file."
# The two tagged songs, renamed from their tags by "<ARTIST> - <TITLE>".
click-row TagBox 0
click-row TagBox 1 ctrl
pick AFilesPage 1
expect-visible BTApply 1
click BTApply
expect-message 2125 0
# Tabs stay where they are while Apply runs.
sleep 1000
# The untagged song gets its tags from its name; it is read-only.
pick AFilesPage 0
click-row TagBox 3
pick AFilesPage 2
# The album typed into its cell by hand: the cell editor opens over the list.
double-click-cell TagBox 0 200
expect-visible EditorTg 1
set-text EditorTg "Third Album"
key EditorTg return
expect-visible EditorTg 0
click BTApply
answer yes
expect-message 2125 0
sleep 1500
close AListEditor
expect-stack-bytes 12
expect-message-count 2
unload
""")
    host = emulator + [os.path.join(plugin, "sonrik-host.exe"), "--dll", winpath(os.path.join(plugin, "Sonrik.dll"))]
    report = ["--xml", os.path.abspath(args.xml)] if args.xml else []
    result = subprocess.run(host + report + ["run", winpath(script)], cwd=work)

    failures = []
    expected = {
        "Quiet Band - First Song.mp3": songs["01.mp3"],
        "Quiet Band - Second Song Its Whole Long Title.mp3": songs["02.mp3"],
        "Loud Band - Third Song.mp3": audio + id3v1("Third Song", "Loud Band", "Third Album"),
        "notes.txt": b"not a song",
    }
    present = sorted(os.listdir(music))
    if present != sorted(expected):
        failures.append(f"files in the folder: {present}")
    for name, data in expected.items():
        path = os.path.join(music, name)
        if os.path.exists(path):
            with open(path, "rb") as f:
                got = f.read()
            if got != data:
                failures.append(f"{name}: {len(got)} bytes, tail {got[-128:]!r}")
    if os.path.exists(untagged) and not os.stat(untagged).st_mode & stat.S_IWUSR:
        failures.append("the read-only song is still read-only after the answer Yes")
    for failure in failures:
        print("FAILED " + failure)
    if not failures:
        print("files on disk as expected")
    return 1 if failures or result.returncode != 0 else 0


if __name__ == "__main__":
    sys.exit(main())
