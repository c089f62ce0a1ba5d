#!/usr/bin/env python3
"""Checks samples/sample.mp3 from outside: the audio the generator wrote is
still there byte for byte, the tag area sits at the end of the file, and an
independent reader (mediainfo) sees a valid MPEG-1 Layer III stream and the
values the build set in both tags.

  check_sample.py --samplegen PROG --frames N --mediainfo PROG SAMPLE
                  [--expect General.Field=VALUE]... [--expect Audio.Field=VALUE]...
"""

import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile

ID3V1_SIZE = 128
LYRICS3_BEGIN = b"LYRICSBEGIN"
LYRICS3_V2_END = b"LYRICS200"


def fresh_audio(samplegen, frames):
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "untagged.mp3")
        subprocess.run([samplegen, "--frames", str(frames), path], check=True)
        with open(path, "rb") as f:
            return f.read()


def tracks_by_type(mediainfo, sample):
    if shutil.which(mediainfo) is None:
        sys.exit(f"FAIL: {mediainfo} not installed (scripts/setup.sh installs it)")
    output = subprocess.run([mediainfo, "--Output=JSON", sample],
                            check=True, capture_output=True, text=True).stdout
    return {track["@type"]: track for track in json.loads(output)["media"]["track"]}


def check_layout(sample_bytes, audio):
    problems = []
    if not sample_bytes.startswith(audio):
        problems.append("the audio frames differ from what the generator writes")
    tail = sample_bytes[len(audio):]
    if not tail.startswith(LYRICS3_BEGIN):
        problems.append("no Lyrics3 block directly after the audio")
    if len(tail) < ID3V1_SIZE or not tail[-ID3V1_SIZE:].startswith(b"TAG"):
        problems.append("no ID3v1 record at the end of the file")
    elif not tail[:-ID3V1_SIZE].endswith(LYRICS3_V2_END):
        problems.append("the Lyrics3 block does not end in LYRICS200 right before the ID3v1 record")
    return problems


def check_values(tracks, expectations):
    problems = []
    for expectation in expectations:
        key, _, expected = expectation.partition("=")
        kind, _, field = key.partition(".")
        got = tracks.get(kind, {}).get(field)
        print(f"  {key} = {got!r}")
        if got != expected:
            problems.append(f"{key} is {got!r}, expected {expected!r}")
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--samplegen", required=True)
    parser.add_argument("--frames", type=int, required=True)
    parser.add_argument("--mediainfo", default="mediainfo")
    parser.add_argument("--expect", action="append", default=[])
    parser.add_argument("sample")
    args = parser.parse_args()

    with open(args.sample, "rb") as f:
        sample_bytes = f.read()
    problems = check_layout(sample_bytes, fresh_audio(args.samplegen, args.frames))
    problems += check_values(tracks_by_type(args.mediainfo, args.sample), args.expect)
    for problem in problems:
        print(f"FAIL: {problem}")
    print(f"{args.sample}: {'ok' if not problems else f'{len(problems)} problem(s)'}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
