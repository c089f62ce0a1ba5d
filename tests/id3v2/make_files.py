#!/usr/bin/env python3
"""Writes MP3 files with ID3v2 tags into a folder, with expected.json beside
them: for each file the values a reader should give and whether TagLib can
read that shape (it reads no tag appended at the end). mutagen writes what it
can (2.3 and 2.4 in every encoding, pictures, padding); the shapes it does not
write (2.2, unsynchronisation, frame flags, plain 2.4 sizes, extended headers,
footers, genre references) are built here byte by byte.

    make_files.py FOLDER"""

import json
import struct
import sys
import zlib
from pathlib import Path

from mutagen.id3 import (APIC, COMM, ID3, TALB, TCON, TDRC, TEXT, TIT2, TPE1, TRCK, USLT)

# Five MPEG-1 layer III frames (128 kbit/s, 44.1 kHz) of silence.
AUDIO = (b"\xff\xfb\x90\x64" + b"\0" * 413) * 5
PICTURE = bytes(range(256)) * 400  # 100 KiB, with 0xFF bytes for unsynchronisation

TEXTS = {
    0: ("Café Ölrich", "Ünïcødé-less Band", "Ålbum"),
    1: ("Пісня 🎵", "Группа", "Альбом ☃"),
    2: ("Пісня BE 🎵", "Группа BE", "Альбом BE"),
    3: ("Пісня UTF-8 🎵", "Группа UTF-8", "Альбом UTF-8"),
}


def syncsafe(n):
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])


def encode(enc, s):
    if enc == 1:
        return "\ufeff".encode("utf-16-le") + s.encode("utf-16-le")
    return s.encode(("latin-1", None, "utf-16-be", "utf-8")[enc])


def term(enc):
    return b"\0\0" if enc in (1, 2) else b"\0"


def text(enc, *values):
    return bytes([enc]) + term(enc).join(encode(enc, v) for v in values)


def described(enc, description, value, lang=b"eng"):
    return bytes([enc]) + lang + encode(enc, description) + term(enc) + encode(enc, value)


def frame(version, fid, data, flags=0, plain=False):
    if version == 2:
        return fid.encode() + struct.pack(">I", len(data))[1:] + data
    size = struct.pack(">I", len(data)) if version == 3 or plain else syncsafe(len(data))
    return fid.encode() + size + struct.pack(">H", flags) + data


def unsync(data):
    out = bytearray()
    for i, b in enumerate(data):
        out.append(b)
        if b == 0xFF and (i + 1 == len(data) or data[i + 1] >= 0xE0 or data[i + 1] == 0):
            out.append(0)
    return bytes(out)


def tag(version, frames, flags=0, padding=0, ext=b"", footer=False):
    body = ext + b"".join(frames)
    if flags & 0x80 and version < 4:
        body = unsync(body)
    body += b"\0" * padding
    head = b"ID3" + bytes([version, 0, flags | (0x10 if footer else 0)]) + syncsafe(len(body))
    return head + body + (b"3DI" + head[3:] if footer else b"")


def record(title=b"V1 title"):
    r = bytearray(128)
    r[0:3] = b"TAG"
    r[3:3 + len(title)] = title
    r[127] = 17
    return bytes(r)


def lyrics3(lyrics=b"la la"):
    block = b"LYRICSBEGIN" + b"IND00002" + b"10" + b"LYR%05d" % len(lyrics) + lyrics
    return block + b"%06d" % len(block) + b"LYRICS200"


FILES = {}


def put(name, data, taglib=True, skip=(), unread=(), at_end=False, note=False, broken=False, **fields):
    FILES[name] = dict(data=data, expected=dict(
        fields={k: v for k, v in fields.items()}, taglib=taglib, taglib_skip=list(skip), unread=list(unread),
        at_end=at_end, note=note, broken=broken))


def by_mutagen(folder, name, version, frames, padding=1024, taglib=True, skip=(), **fields):
    path = folder / name
    path.write_bytes(AUDIO)
    tags = ID3()
    for f in frames:
        tags.add(f)
    tags.save(path, v2_version=version, padding=lambda info: padding)
    put(name, path.read_bytes(), taglib=taglib, skip=skip, **fields)


def mutagen_files(folder):
    for version in (3, 4):
        for enc in (0, 1, 2, 3):
            title, artist, album = TEXTS[enc]
            by_mutagen(folder, f"v2{version}_enc{enc}.mp3", version, [
                TIT2(encoding=enc, text=[title]), TPE1(encoding=enc, text=[artist]),
                TALB(encoding=enc, text=[album]), TDRC(encoding=enc, text=["2001"]),
                TRCK(encoding=enc, text=["3/12"]), TCON(encoding=enc, text=["Rock"]),
                COMM(encoding=enc, lang="eng", desc="", text=[title + " comment"]),
                USLT(encoding=enc, lang="eng", desc="", text=album + "\nsecond line"),
                TEXT(encoding=enc, text=[artist + " lyricist"]),
            ], title=[title], artist=[artist], album=[album], year=["2001"], track=["3/12"], genre=["Rock"],
                comment=[title + " comment"], lyrics=[album + "\nsecond line"], lyricist=[artist + " lyricist"])
        # Several values: zero-separated in 2.4, joined by "/" for 2.3.
        by_mutagen(folder, f"v2{version}_several.mp3", version, [
            TPE1(encoding=3, text=["One", "Two"]), TCON(encoding=3, text=["Jazz", "Blues"])],
            artist=["One", "Two"] if version == 4 else ["One/Two"],
            genre=["Jazz", "Blues"] if version == 4 else ["Jazz/Blues"], skip=() if version == 4 else ["genre"])
        # A player's own comments come first; the description-less one wins.
        by_mutagen(folder, f"v2{version}_comments.mp3", version, [
            COMM(encoding=1, lang="eng", desc="iTunNORM", text=[" 0000 0001"]),
            COMM(encoding=1, lang="eng", desc="Notes", text=["described"]),
            COMM(encoding=1, lang="eng", desc="", text=["plain"])], comment=["plain"])
        # Without one, the first a player did not write for itself; TagLib takes the first of all.
        by_mutagen(folder, f"v2{version}_described_comment.mp3", version, [
            COMM(encoding=0, lang="eng", desc="iTunSMPB", text=["00000000"]),
            COMM(encoding=0, lang="eng", desc="iTunes_CDDB_1", text=["cddb"]),
            COMM(encoding=0, lang="eng", desc="Notes", text=["described"])], comment=["described"],
            skip=["comment"])
        by_mutagen(folder, f"v2{version}_picture.mp3", version, [
            TIT2(encoding=1, text=["With picture"]),
            APIC(encoding=0, mime="image/png", type=3, desc="", data=PICTURE),
            TPE1(encoding=1, text=["Artist"])], padding=0, title=["With picture"], artist=["Artist"])


def hand_files():
    # 2.2: three-letter ids and sizes.
    put("v22.mp3", tag(2, [frame(2, "TT2", text(0, "Old title")), frame(2, "TP1", text(1, "Старий")),
                           frame(2, "TAL", text(0, "Album")), frame(2, "TYE", text(0, "1998")),
                           frame(2, "TRK", text(0, "7")), frame(2, "TCO", text(0, "(17)")),
                           frame(2, "COM", described(0, "", "Old comment")),
                           frame(2, "ULT", described(0, "", "Old lyrics")), frame(2, "TXT", text(0, "Writer")),
                           frame(2, "PIC", b"\0PNG\0\0" + PICTURE[:300])], padding=64) + AUDIO,
        title=["Old title"], artist=["Старий"], album=["Album"], year=["1998"], track=["7"], genre=["Rock"],
        comment=["Old comment"], lyrics=["Old lyrics"], lyricist=["Writer"], skip=["lyricist"])  # TagLib keeps TXT
    # Genre references in every form (2.3 keeps one string; the form decides the names).
    forms = {"paren": ("(17)", ["Rock"]), "refined": ("(17)Rock", ["Rock"]), "number": ("17", ["Rock"]),
             "name": ("Trip-Hop", ["Trip-Hop"]), "remix": ("(RX)", ["Remix"]), "cover": ("CR", ["Cover"]),
             "two": ("(17)(18)", ["Rock", "Techno"]), "escaped": ("((Live))", ["(Live))"])}
    for name, (stored, names) in forms.items():
        put(f"genre_{name}.mp3", tag(3, [frame(3, "TCON", text(0, stored))]) + AUDIO, genre=names,
            skip=["genre"] if name in ("remix", "cover", "two", "escaped") else [])
    # 2.3 unsynchronised as a whole, picture in front of the title; with an extended header,
    # whose size TagLib 1.13 takes to count itself, as in 2.4.
    frames = [frame(3, "APIC", b"\0image/png\0\x03\0" + PICTURE), frame(3, "TIT2", text(0, "ÿÿ after picture"))]
    put("v23_unsync.mp3", tag(3, frames, flags=0x80, padding=10) + AUDIO, title=["ÿÿ after picture"])
    put("v23_extended.mp3", tag(3, frames, flags=0xC0, ext=struct.pack(">IHI", 6, 0, 0)) + AUDIO, taglib=False,
        title=["ÿÿ after picture"])
    # 2.4: per-frame unsynchronisation with a data length, grouping, a plain-number size, an
    # extended header; a compressed and an encrypted frame are listed, not read.
    long_title = "ÿ" * 200  # over 127 bytes: a plain size differs from a sync-safe one
    payload = text(0, "ÿ\xe0 unsynced")
    frames4 = [frame(4, "TIT2", text(0, long_title), plain=True),
               frame(4, "TPE1", syncsafe(len(payload)) + unsync(payload), flags=0x0003),
               frame(4, "TALB", b"\x07" + text(3, "Grouped"), flags=0x0040),
               frame(4, "TCON", syncsafe(20) + zlib.compress(text(0, "Rock")), flags=0x0009),
               frame(4, "TRCK", b"\x01" + text(0, "secret"), flags=0x0004)]
    put("v24_flags.mp3", tag(4, frames4, flags=0x40, ext=syncsafe(6) + b"\x01\x00", padding=5) + AUDIO,
        title=[long_title], artist=["ÿ\xe0 unsynced"], album=["Grouped"], unread=["TCON", "TRCK"],
        skip=["album", "genre", "track"])
    frames3 = [frame(3, "TALB", b"\x07" + text(0, "Grouped 2.3"), flags=0x0020),
               frame(3, "TPE1", struct.pack(">I", 20) + zlib.compress(text(0, "Zipped")), flags=0x0080)]
    put("v23_flags.mp3", tag(3, frames3) + AUDIO, album=["Grouped 2.3"], unread=["TPE1"], skip=["album", "artist"])
    # Appended with a footer in front of a Lyrics3 block and an ID3v1 record.
    appended = tag(4, [frame(4, "TIT2", text(3, "At the end")), frame(4, "TYER", text(0, "1999"))], footer=True)
    put("appended.mp3", AUDIO + appended + lyrics3() + record(), taglib=False, at_end=True,
        title=["At the end"], year=["1999"])
    put("appended_no_v1.mp3", AUDIO + appended, taglib=False, at_end=True, title=["At the end"], year=["1999"])
    head = tag(3, [frame(3, "TIT2", text(0, "At the head"))], padding=20)
    put("head_and_end.mp3", head + AUDIO + appended + record(), note=True, title=["At the head"])
    # A cut tag: its size reaches past the end of the file.
    put("cut.mp3", tag(3, [frame(3, "TIT2", text(0, "Cut"))], padding=100000)[:40] + AUDIO, taglib=False, broken=True)


def main():
    folder = Path(sys.argv[1])
    folder.mkdir(parents=True, exist_ok=True)
    mutagen_files(folder)
    hand_files()
    expected = {}
    for name, entry in FILES.items():
        (folder / name).write_bytes(entry["data"])
        expected[name] = entry["expected"]
    (folder / "expected.json").write_text(json.dumps(expected, ensure_ascii=False, indent=1), encoding="utf-8")


if __name__ == "__main__":
    main()
