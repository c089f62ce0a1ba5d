#!/usr/bin/env python3
"""The list editor in a real window: Sonrik.dll opened by sonrik-host.exe
under Wine on list files of 1,000 and 10,000 tagged songs, each step timed
by the host's timer-start/timer-print (a step ends when the window thread has
handled everything it was sent and has painted).

  listedit_wine.py --bin DIR --work DIR [--sizes 1000 10000] [--runs N] -- EMULATOR...

Steps: the window up with its rows; every row selected with Shift+End after
a click on the first; leaving the file list for "TAG to file name" (every
file read, then the page's test); Test on that page; Test on "File name to
TAG"; Apply on "TAG to file name" (the smallest size only; the renames are
checked on the disk). Each size runs --runs times on fresh songs, whose bytes
are read once beforehand so they are in the system's cache; the median is
reported. Beside leaving page 0, a bare loop of the system's calls reads the
same files, head and tail (the host's time-reading-files): what any reader
must spend there. Prints a table with the ratio of the largest size to the
smallest and whether each goal is met: under 1 s at the largest size, the
time growing at most 12 times for 10 times the files, and leaving page 0
within 1.5 times the bare loop. Exit status 1 when a goal
is missed or a run fails.
"""
import argparse
import os
import re
import statistics
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from e2e_files import FRAME, fresh_folder, id3v1, plugin_folder, quoted, winpath  # noqa: E402

STEPS = [
    ("window", "window up with its rows"),
    ("select", "all rows selected (Shift+End)"),
    ("leave", "leave page 0 (every file read)"),
    ("floor", "  the same files read by a bare loop"),
    ("test1", "Test on page 1 (TAG to file name)"),
    ("test2", "Test on page 2 (File name to TAG)"),
    ("apply1", "Apply on page 1"),
]
LIMIT_MS = 1000.0
GROWTH = 12.0
FLOOR_RATIO = 1.5
WAIT_MS = 600000


def make_songs(work, count):
    """Songs "Artist N - Title N.mp3" with those tags and album "Album N"."""
    music = os.path.join(work, "Music")
    os.makedirs(music)
    audio = FRAME * 8
    paths = []
    for i in range(count):
        path = os.path.join(music, f"Artist {i} - Title {i}.mp3")
        with open(path, "wb") as f:
            f.write(audio + id3v1(f"Title {i}", f"Artist {i}", f"Album {i}", "2024", track=i % 256, genre=17))
        paths.append(path)
    return music, paths


def warm(paths):
    for path in paths:
        with open(path, "rb") as f:
            f.read()


def script_text(list_file, count, apply):
    last = count - 1
    # A template typed by the user turns Test on; one set from code does not.
    text = f"""busy-limit {WAIT_MS}
timer-start
run-module-list {quoted(list_file)}
wait-window AListEditor {WAIT_MS}
wait-rows TagBox {count} {WAIT_MS}
timer-print "window"
# The last row and back to the first: click-row scrolls them into view.
click-row TagBox {last}
expect-contains StatusBar "Artist {last} - Title {last}.mp3"
click-row TagBox 0
expect-contains StatusBar "Artist 0 - Title 0.mp3"
timer-start
key form end shift
wait-rows TagBox {count} selected {WAIT_MS}
timer-print "select"
# What any reader of these files spends: open, read the first 512 bytes (an
# ID3v2 tag's place) and the last 138, close.
time-reading-files {quoted(list_file)} "floor"
timer-start
pick AFilesPage 1
timer-print "leave"
wait-rows TagBox {count}
set-text OptionBox "<ALBUM> - <TITLE"
type OptionBox ">"
timer-start
click BTTest
timer-print "test1"
# The test of page 2 keeps the values it cut from the names in the records:
# a template that gives back the tags' own values keeps page 1's names new.
set-text OptionBox "<ARTIST> - <TITLE>"
pick AFilesPage 2
set-text OptionBox "<ARTIST> - <TITLE"
type OptionBox ">"
timer-start
click BTTest
timer-print "test2"
"""
    if apply:
        # Apply shows each outcome as it goes, so its end is the button
        # turning off, not an idle window thread.
        text += f"""set-text OptionBox "<ALBUM> - <TITLE>"
pick AFilesPage 1
timer-start
click BTApply
expect-message 2125 0 {WAIT_MS}
wait-enabled BTApply 0 {WAIT_MS}
timer-print "apply1"
"""
    return text + "close AListEditor\n"


def run_once(args, emulator, count, apply):
    work = os.path.join(os.path.abspath(args.work), f"songs-{count}")
    fresh_folder(work)
    plugin = plugin_folder(work, args.bin, b"[SONRIKSETTS]\r\nENG=1\r\nOPTIONLIST=1\r\nEMPTY_ONLY=0\r\n")
    music, paths = make_songs(work, count)
    list_file = os.path.join(work, "list.txt")
    with open(list_file, "wb") as f:
        f.write(b"".join(winpath(p).encode("cp1252") + b"\r\n" for p in paths))
    script = os.path.join(work, "bench.script")
    with open(script, "w", encoding="utf-8") as s:
        s.write(script_text(list_file, count, apply))
    warm(paths)
    host = emulator + [os.path.join(plugin, "sonrik-host.exe"), "--dll", winpath(os.path.join(plugin, "Sonrik.dll"))]
    result = subprocess.run(host + ["run", winpath(script)], cwd=work, capture_output=True, text=True)
    times = {m.group(1): float(m.group(2)) for m in re.finditer(r'^time "(\w+)" ([\d.]+) ms', result.stdout, re.M)}
    problems = [line for line in result.stdout.splitlines() if line.startswith(("FAILED", "ERROR"))]
    if result.returncode != 0 and not problems:
        problems.append(f"the host ended with {result.returncode}: {result.stderr.strip()[-500:]}")
    if apply:
        renamed = sum(1 for n in os.listdir(music) if re.fullmatch(r"Album \d+ - Title \d+\.mp3", n))
        if renamed != count:
            problems.append(f"Apply renamed {renamed} of {count} songs")
    return times, problems


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", required=True, help="folder of Sonrik.dll and sonrik-host.exe")
    parser.add_argument("--work", required=True, help="folder for the songs (in the build tree)")
    parser.add_argument("--sizes", type=int, nargs="+", default=[1000, 10000])
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("emulator", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    emulator = args.emulator[1:] if args.emulator[:1] == ["--"] else args.emulator
    if emulator and os.path.exists(emulator[0]):
        emulator[0] = os.path.abspath(emulator[0])  # the host runs in the work folder
    sizes = sorted(args.sizes)

    medians = {}
    failed = False
    for count in sizes:
        samples = {}
        for run in range(args.runs):
            times, problems = run_once(args, emulator, count, apply=count == sizes[0])
            print(f"{count} files, run {run + 1}: " + ", ".join(f"{k} {v:.0f} ms" for k, v in times.items()), flush=True)
            for problem in problems:
                print("  " + problem)
            failed |= bool(problems)
            for key, value in times.items():
                samples.setdefault(key, []).append(value)
        medians[count] = {key: statistics.median(values) for key, values in samples.items()}

    small, large = sizes[0], sizes[-1]
    print(f"\n{'step':40} {small:>10,} {large:>10,} {'ratio':>7}  goal")
    for key, label in STEPS:
        a, b = medians[small].get(key), medians[large].get(key)
        cell = lambda v: f"{v:8.0f}ms" if v is not None else f"{'-':>10}"  # noqa: E731
        if key == "floor":
            # Not a step of the window: the least the step above can cost here.
            leave = medians[large].get("leave")
            met = bool(leave and b and leave <= FLOOR_RATIO * b)
            failed |= not met
            print(f"{label:40} {cell(a)} {cell(b)} {'':>7}  leave page 0 is "
                  + (f"{leave / b:.2f} times this at {large:,}" if leave and b else "-")
                  + f": {'met' if met else 'MISSED'} (at most {FLOOR_RATIO:g} times)")
            continue
        if key == "apply1":
            met = a is not None and a < LIMIT_MS
            ratio, goal = "", f"{'met' if met else 'MISSED'} (under 1 s at {small:,})"
        else:
            met = a is not None and b is not None and b < LIMIT_MS and b <= GROWTH * a
            ratio = f"{b / a:7.1f}" if a and b is not None else f"{'-':>7}"
            goal = f"{'met' if met else 'MISSED'} (under 1 s at {large:,}, at most {GROWTH:g} times)"
        failed |= not met
        print(f"{label:40} {cell(a)} {cell(b)} {ratio:>7}  {goal}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
