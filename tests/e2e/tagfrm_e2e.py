#!/usr/bin/env python3
"""The single-file editor through the real Sonrik.dll, as the player uses it.

Copies Sonrik.dll and sonrik-host.exe into a plug-in folder of their own (the
settings and history files go beside the DLL), makes a tagged MP3 whose bytes
are built here independently of the tag library, drives RunModule from a host
script (typing, a pick from the genre list, Save, a second call with another
application window, FreeLibrary) and then checks the file byte for byte and
the history file written at unload.

  tagfrm_e2e.py --bin DIR --work DIR [--xml FILE] -- EMULATOR...
"""
import os
import subprocess
import sys

from e2e_files import driver_arguments, FRAME, fresh_folder, id3v1, lyrics3v2, plugin_folder, quoted, winpath


def main():
    args = driver_arguments()

    work = os.path.abspath(args.work)
    fresh_folder(work)
    # English captions, so the status texts below can be read.
    plugin = plugin_folder(work, args.bin, b"[SONRIKSETTS]\r\nENG=1\r\n")
    music = os.path.join(work, "Music")
    os.makedirs(music)

    audio = FRAME * 20
    lyrics = lyrics3v2([(b"LYR", b"First line\r\nSecond line\r\n"), (b"ETT", b"Quiet Frames (long)")])
    song = os.path.join(music, "Quiet Frames.mp3")
    with open(song, "wb") as f:
        f.write(audio + lyrics + id3v1("Quiet Frames", "Silent Encoders", "Demo", "2024", "", 7, 13))
    plain = os.path.join(music, "Plain.mp3")
    with open(plain, "wb") as f:
        f.write(audio + id3v1("Plain", "Nobody", "", "", "", 1, 0))

    script = os.path.join(work, "tagfrm.script")
    with open(script, "w", encoding="utf-8") as s:
        s.write(f"""# RunModule on a file with a Lyrics3 block: edit, pick a genre, save.
run-module {quoted(song)}
wait-window ATagFrm 20000
expect-owner ATagFrm 1
expect-text V1Title "Quiet Frames"
expect-text Lyrics3Title "Quiet Frames (long)"
expect-contains StatusBar "Quiet Frames.mp3"
expect-enabled BtSave 0
type V1Title " II"
set-text V1Artist "The Silent Encoders"
pick V1Genr 17
expect-enabled BtSave 1
click BtSave
expect-message 273 4002
expect-message 273 4002
expect-message 273 4003
# The result text stays up for a second; a close before the save ends would
# be asked about the changes still unsaved.
sleep 1500
expect-enabled BtSave 0
expect-text StatusBar "|Quiet Frames.mp3"
close ATagFrm
expect-stack-bytes 16
# A second call with the other application window: the owner moves.
run-module {quoted(plain)} 2
wait-window ATagFrm 20000
expect-owner ATagFrm 2
expect-text V1Title "Plain"
set-text V1Artist "Somebody Else"
click BtSave
expect-message 273 4002
expect-message 273 4003
sleep 1500
close ATagFrm
expect-stack-bytes 16
expect-message-count 5
# Unloading destroys both windows, and they write the history.
unload
expect-file-contains {quoted(os.path.join(plugin, 'sonrik.txt'))} "[ARTISTS]"
expect-file-contains {quoted(os.path.join(plugin, 'sonrik.txt'))} "The Silent Encoders"
expect-file-contains {quoted(os.path.join(plugin, 'sonrik.txt'))} "Somebody Else"
sleep 500
""")
    host = args.emulator + [os.path.join(plugin, "sonrik-host.exe"), "--dll", winpath(os.path.join(plugin, "Sonrik.dll"))]
    report = ["--xml", os.path.abspath(args.xml)] if args.xml else []
    result = subprocess.run(host + report + ["run", winpath(script)], cwd=work)

    # A player that exits without FreeLibrary: the process's exit unloads the
    # module, which must neither crash nor lose the history.
    exit_script = os.path.join(work, "exit.script")
    with open(exit_script, "w", encoding="utf-8") as s:
        s.write(f"""run-module {quoted(plain)}
wait-window ATagFrm 20000
expect-text V1Title "Plain"
set-text V1Artist "Left At Exit"
key V1Artist tab
close ATagFrm
answer no
expect-stack-bytes 16
""")
    exit_run = subprocess.run(host + ["--keep-loaded", "run", winpath(exit_script)],
                              cwd=work, capture_output=True, text=True)
    sys.stdout.write(exit_run.stdout + exit_run.stderr)

    failures = []
    if exit_run.returncode != 0 or "page fault" in exit_run.stdout + exit_run.stderr:
        failures.append(f"exit without FreeLibrary: status {exit_run.returncode}")
    with open(os.path.join(plugin, "sonrik.txt"), "rb") as f:
        if b"Left At Exit" not in f.read():
            failures.append("the history written at the process's exit lacks the new artist")
    with open(song, "rb") as f:
        data = f.read()
    want_lyrics = lyrics3v2([(b"LYR", b"First line\r\nSecond line\r\n"), (b"ETT", b"Quiet Frames (long)")])
    want = audio + want_lyrics + id3v1("Quiet Frames II", "The Silent Encoders", "Demo", "2024", "", 7, 17)
    if data != want:
        failures.append(f"song bytes differ: {len(data)} bytes, tail {data[-160:]!r}")
    with open(plain, "rb") as f:
        data = f.read()
    if data != audio + id3v1("Plain", "Somebody Else", "", "", "", 1, 0):
        failures.append(f"plain bytes differ: tail {data[-128:]!r}")
    for failure in failures:
        print("FAILED " + failure)
    if not failures:
        print("file bytes as expected")
    return 1 if failures or result.returncode != 0 else 0


if __name__ == "__main__":
    sys.exit(main())
