#!/usr/bin/env python3
"""Reads the files our writer made (changes.json, from
sonrik_id3v2_write_vs_taglib) and their sources with mutagen: the changed
fields hold the new values, every other frame is as it was (pictures byte for
byte). mutagen reads both as 2.4, so a 2.2 source and its 2.3 copy compare.

    check_written.py SOURCES WRITTEN"""

import json
import sys
from pathlib import Path

from mutagen.id3 import ID3

from make_files import PICTURE

# The frames each field's change may replace or remove, by mutagen's keys.
KEYS = {"title": ["TIT2"], "artist": ["TPE1"], "album": ["TALB"], "year": ["TDRC", "TYER"], "track": ["TRCK"],
        "genre": ["TCON"], "comment": ["COMM::"], "lyrics": ["USLT::"], "lyricist": ["TEXT"]}


# Sources mutagen itself reads wrongly: of an unsynchronised 2.3 tag with an
# extended header it takes the picture's bytes still unsynchronised. Their
# copies are checked for the new values and the generator's picture.
MISREAD = {"v23_extended.mp3"}


def value(tags, field):
    if field in ("comment", "lyrics"):
        prefix = KEYS[field][0]
        frames = [f for k, f in tags.items() if k.startswith(prefix)]
        return str(frames[0]) if frames else None
    frame = tags.get(KEYS[field][0])
    return str(frame) if frame is not None else None


def main():
    sources, written = Path(sys.argv[1]), Path(sys.argv[2])
    changes = json.loads((written / "changes.json").read_text(encoding="utf-8"))
    failed = 0
    for name, entry in changes.items():
        problems = []
        # The ID3v2 frames alone: values mutagen would take from an ID3v1 record must not hide a missing frame.
        old, new = ID3(sources / entry["source"], load_v1=False), ID3(written / name, load_v1=False)
        changed = [k for f in entry["fields"] for k in KEYS[f]]
        kept = lambda tags: {k: f for k, f in tags.items() if not any(k.startswith(c) for c in changed)}
        before, after = kept(old), kept(new)
        if entry["source"] in MISREAD:
            pictures = [f.data for k, f in new.items() if k.startswith("APIC")]
            if pictures != [PICTURE]:
                problems.append("the picture is not the one the generator wrote")
            before = after = {}
        if sorted(before) != sorted(after):
            problems.append(f"frames {sorted(before)} became {sorted(after)}")
        for key in set(before) & set(after):
            if key.startswith("APIC"):
                if before[key].data != after[key].data:
                    problems.append(f"{key}: picture bytes differ")
            elif repr(before[key]) != repr(after[key]):
                problems.append(f"{key}: {before[key]!r} became {after[key]!r}")
        for field, want in entry["fields"].items():
            got = value(new, field)
            if got != want:
                problems.append(f"{field}: mutagen reads {got!r:.60}")
        for p in problems:
            print(f"{name}: {p}")
        failed += bool(problems)
    print(f"{len(changes) - failed} of {len(changes)} written files agree with mutagen")
    return min(failed, 100)


if __name__ == "__main__":
    sys.exit(main())
