#!/usr/bin/env python3
"""A long session of the player through the real Sonrik.dll: both windows
opened and closed many times in one host process. The process's windows must
stay at what one opening of each left (a closed window gives its system
windows back), and at unload the history file must hold the artist typed in
every opening of the single-file editor.

  session_e2e.py --bin DIR --work DIR [--openings N] [--xml FILE] -- EMULATOR...
"""
import os
import subprocess
import sys

from e2e_files import driver_arguments, FRAME, fresh_folder, id3v1, plugin_folder, quoted, winpath


def main():
    args = driver_arguments(("--openings", {"type": int, "default": 200}))
    emulator = args.emulator

    work = os.path.abspath(args.work)
    fresh_folder(work)
    plugin = plugin_folder(work, args.bin, b"[SONRIKSETTS]\r\nENG=1\r\n")
    song = os.path.join(work, "Song.mp3")
    with open(song, "wb") as f:
        f.write(FRAME * 4 + id3v1("Song", "Band", track=1))
    list_file = os.path.join(work, "list.txt")

    # Each call's return is waited for; its stack is checked in the first
    # and the last opening only, to keep the report to what differs.
    def returned(n, stack_bytes):
        return f"expect-stack-bytes {stack_bytes}\n" if n in (1, args.openings) else ""

    def tag_editor(n):
        # Leaving the artist box enters the artist into the history; the
        # change is not saved.
        return f"""run-module {quoted(song)}
wait-window ATagFrm 20000
wait-enabled V1Artist 1
set-text V1Artist "Artist {n}"
key V1Artist tab
close ATagFrm
answer no
wait-closed ATagFrm
""" + returned(n, 16)

    def list_editor(n):
        return f"""run-module-list {quoted(list_file)}
wait-window AListEditor 20000
wait-rows TagBox 1
close AListEditor
wait-closed AListEditor
""" + returned(n, 12)
    history = quoted(os.path.join(plugin, "sonrik.txt"))
    script = os.path.join(work, "session.script")
    with open(script, "w", encoding="utf-8") as s:
        s.write(f"write-list {quoted(list_file)} {quoted(song)}\n")
        s.write(tag_editor(1) + list_editor(1) + "remember-window-count\n")
        for n in range(2, args.openings + 1):
            s.write(tag_editor(n) + list_editor(n))
        s.write("expect-window-count-remembered\nunload\n")
        for n in (1, args.openings // 2, args.openings):
            s.write(f'expect-file-contains {history} "Artist {n}"\n')

    host = emulator + [os.path.join(plugin, "sonrik-host.exe"), "--dll", winpath(os.path.join(plugin, "Sonrik.dll"))]
    report = ["--xml", os.path.abspath(args.xml)] if args.xml else []
    result = subprocess.run(host + report + ["run", winpath(script)], cwd=work, capture_output=True, text=True)
    # The expectations and the window count; the hundreds of "ok" lines are
    # in the XML report.
    for line in (result.stdout + result.stderr).splitlines():
        if not line.startswith(("ok ", "skip ", "window ", "message box ")):
            print(line)
    return result.returncode


if __name__ == "__main__":
    sys.exit(main())
