#!/usr/bin/env python3
"""sonrik.exe, the launcher, as a user starts it: from a host script that
launches it and works on its windows.

On a tagged file it opens the single-file editor, and a save through it
writes the file; on a name the code page cannot hold it hands over the short
name; on a folder it opens the list editor with the folder's MP3 files and
removes its list file afterwards; without arguments it shows its usage; without
Sonrik.dll beside it, it says so and ends.

  launcher_e2e.py --bin DIR --work DIR [--xml FILE] -- EMULATOR...
"""
import glob
import os
import shutil
import subprocess
import sys

from e2e_files import driver_arguments, FRAME, fresh_folder, id3v1, plugin_folder, quoted, winpath

USAGE = ("Opens the Sonrik editor on MP3 files.\\n\\n"
         "sonrik.exe FILE.mp3\\n    edits the tags of one file.\\n"
         "sonrik.exe FILE... | FOLDER...\\n"
         "    opens the list editor on the files, or on the MP3 files in the folders.\\n\\n"
         "Drop files or a folder on sonrik.exe, or put a shortcut to it in your \\\"Send To\\\" folder.")


def main():
    args = driver_arguments()

    work = os.path.abspath(args.work)
    fresh_folder(work)
    plugin = plugin_folder(work, args.bin, b"[SONRIKSETTS]\r\nENG=1\r\n")
    shutil.copy(os.path.join(args.bin, "sonrik.exe"), plugin)
    alone = os.path.join(work, "Alone")  # the launcher without its library
    os.makedirs(alone)
    shutil.copy(os.path.join(args.bin, "sonrik.exe"), alone)

    audio = FRAME * 20
    music = os.path.join(work, "Music")
    os.makedirs(os.path.join(music, "Inside"))
    songs = {"One.mp3": id3v1("One", "First Band"), "Two.mp3": id3v1("Two", "Second Band"),
             "cover.jpg": b"not a song", os.path.join("Inside", "Three.mp3"): id3v1("Three", "Third Band")}
    for name, tail in songs.items():
        with open(os.path.join(music, name), "wb") as f:
            f.write(audio + tail)
    far = os.path.join(work, "Far")
    os.makedirs(far)
    far_song = os.path.join(far, "\u6b4c.mp3")
    with open(far_song, "wb") as f:
        f.write(audio + id3v1("Far Song", "Far Band"))

    launcher = quoted(os.path.join(plugin, "sonrik.exe"))
    one = quoted(os.path.join(music, "One.mp3"))
    script = os.path.join(work, "launcher.script")
    with open(script, "w", encoding="utf-8") as s:
        s.write(f"""# One file: the single-file editor, and a save through it.
launch {launcher} {one}
wait-window ATagFrm 20000
expect-text V1Title "One"
type V1Album "Launched Album"
wait-enabled BtSave 1 5000
click BtSave
wait-enabled BtSave 0 10000
close ATagFrm
expect-exit 0 20000
# A name the code page cannot hold goes by its short name.
launch {launcher} {quoted(far_song)}
wait-window ATagFrm 20000
expect-text V1Title "Far Song"
close ATagFrm
expect-exit 0 20000
# A folder: the list editor with the folder's own two MP3 files.
launch {launcher} {quoted(music)}
wait-window AListEditor 20000
wait-rows TagBox 2 10000
close AListEditor
expect-exit 0 20000
# No arguments: how to use it.
launch {launcher}
answer ok 20000
expect-box "Sonrik editor" "{USAGE}"
expect-exit 0 20000
# No library beside it: a message, and the program ends.
launch {quoted(os.path.join(alone, "sonrik.exe"))} {one}
answer ok 20000
expect-exit 2 20000
""")
    host = args.emulator + [os.path.join(plugin, "sonrik-host.exe")]
    report = ["--xml", os.path.abspath(args.xml)] if args.xml else []
    run = subprocess.run(host + report + ["run", winpath(script)], cwd=work, capture_output=True, text=True)
    output = run.stdout + run.stderr
    sys.stdout.write(output)

    failures = []
    with open(os.path.join(music, "One.mp3"), "rb") as f:
        if f.read() != audio + id3v1("One", "First Band", "Launched Album"):
            failures.append("One.mp3 does not hold the saved artist")
    if 'message box "Sonrik editor": "The editor\'s library cannot be loaded' not in output:
        failures.append("no box about the missing library")
    prefix = args.emulator[args.emulator.index("--prefix") + 1] if "--prefix" in args.emulator else None
    if prefix:
        left = glob.glob(os.path.join(prefix, "drive_c", "users", "*", "**", "snk*.tmp"), recursive=True)
        if left:
            failures.append(f"list files left behind: {left}")
    for failure in failures:
        print("FAILED " + failure)
    return 1 if failures or run.returncode != 0 else 0


if __name__ == "__main__":
    sys.exit(main())
