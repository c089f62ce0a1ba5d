#!/usr/bin/env python3
"""Writes the seed files of fuzz/corpus/sonrik_fuzz_load and
fuzz/corpus/sonrik_fuzz_id3v2: small files with and without tags, each a
starting point for one way a load and save, or an ID3v2 read, can go."""

from pathlib import Path

AUDIO = bytes(range(0x80, 0xC0)) * 4  # 256 bytes that hold no marker


def record(title=b"Title", comment=b"Comment", track=None, genre=17):
    def field(value, width):
        return value[:width].ljust(width, b"\0")

    body = field(comment, 30)
    if track is not None:
        body = body[:28] + b"\0" + bytes([track])
    return b"TAG" + field(title, 30) + field(b"Artist", 30) + field(b"Album", 30) + b"1999" + body + bytes([genre])


def fields(*pairs):
    return b"".join(fid + b"%05d" % len(data) + data for fid, data in pairs)


def v2_block(body, size=None):
    block = b"LYRICSBEGIN" + body
    digits = b"%06d" % len(block) if size is None else size
    return block + digits + b"LYRICS200"


V2_FIELDS = fields((b"IND", b"10"), (b"LYR", b"Hello\r\nworld\r\n"), (b"AUT", b"Me"), (b"ETT", b"Song"))

SEEDS = {
    "untagged": AUDIO,
    "short": AUDIO[:100],
    "record_only": record(),
    "tagged_v10": AUDIO + record(comment=b"A comment that fills 30 bytes!"),
    "tagged_v11": AUDIO + record(track=7),
    "lyrics_v1": AUDIO + b"LYRICSBEGINab\r\nc\nd\rLYRICSEND" + record(),
    "lyrics_v2": AUDIO + v2_block(V2_FIELDS) + record(track=3),
    "lyrics_v2_size_not_digits": AUDIO + v2_block(V2_FIELDS, size=b"12x456") + record(),
    "lyrics_v2_size_too_big": AUDIO + v2_block(V2_FIELDS, size=b"999999") + record(),
    "lyrics_v2_size_too_small": AUDIO + v2_block(V2_FIELDS, size=b"000020") + record(),
    "lyrics_v2_bad_field": AUDIO + v2_block(fields((b"IND", b"01"), (b"XYZ", b"skip")) + b"LYR99999x") + record(),
    "nested_v1": AUDIO + b"LYRICSBEGINold\nLYRICSEND" + b"LYRICSBEGINnew\nLYRICSEND" + record(),
    "marker_without_begin": AUDIO + b"LYRICSEND" + record(),
    # At and over the limits a save checks: 5100 bytes of version 1 lyrics; a
    # lone line end becomes CR LF when written, so these grow past the limits.
    "lyrics_v1_full": AUDIO + b"LYRICSBEGIN" + b"la la la\r\n" * 510 + b"LYRICSEND" + record(),
    "line_ends": b"\n" * 2600 + record(),
    "lyrics_v2_lone_cr": AUDIO + v2_block(fields((b"IND", b"10"), (b"LYR", b"\r" * 50001))) + record(),
}


def syncsafe(n):
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])


def frame(version, fid, data, flags=b"\0\0", plain=False):
    if version == 2:
        return fid + len(data).to_bytes(3, "big") + data
    size = len(data).to_bytes(4, "big") if version == 3 or plain else syncsafe(len(data))
    return fid + size + flags + data


def id3v2(version, frames, flags=0, padding=16, footer=False):
    body = b"".join(frames) + b"\0" * padding
    head = b"ID3" + bytes([version, 0, flags]) + syncsafe(len(body))
    return head + body + (b"3DI" + head[3:] if footer else b"")


TEXT = b"\0Title\0"
UTF16 = b"\x01\xff\xfeT\0i\0\0\0"
ID3V2_SEEDS = {
    "v22": id3v2(2, [frame(2, b"TT2", TEXT), frame(2, b"COM", b"\0eng\0Note")]) + AUDIO,
    "v23": id3v2(3, [frame(3, b"TIT2", UTF16), frame(3, b"TCON", b"\0(17)Rock"),
                     frame(3, b"COMM", b"\0engiTunNORM\0 0 1"), frame(3, b"COMM", b"\0eng\0plain")]) + AUDIO,
    "v23_unsync": id3v2(3, [frame(3, b"TIT2", b"\0\xff\0\xe0")], flags=0x80) + AUDIO,
    "v23_extended": id3v2(3, [b"\0\0\0\x06\0\0\0\0\0\0", frame(3, b"TALB", TEXT)], flags=0x40) + AUDIO,
    "v24": id3v2(4, [frame(4, b"TIT2", b"\x03A\0B"), frame(4, b"TPE1", b"\x02\0A", plain=True),
                     frame(4, b"TRCK", b"\0\0\0\x023/12", flags=b"\0\x01"),
                     frame(4, b"USLT", b"\0eng\0la\xff\0", flags=b"\0\x02")]) + AUDIO + record(),
    "v24_appended": AUDIO + id3v2(4, [frame(4, b"TIT2", TEXT)], padding=0, footer=True)
                    + v2_block(V2_FIELDS) + record(),
    "v24_picture": id3v2(4, [frame(4, b"APIC", b"\0image/png\0\x03\0" + bytes(range(256)) * 8),
                             frame(4, b"TIT2", TEXT)]) + AUDIO,
}


def main():
    here = Path(__file__).resolve().parent / "corpus"
    for folder, seeds in (("sonrik_fuzz_load", SEEDS), ("sonrik_fuzz_id3v2", ID3V2_SEEDS)):
        out = here / folder
        out.mkdir(parents=True, exist_ok=True)
        for name, data in seeds.items():
            (out / name).write_bytes(data)


if __name__ == "__main__":
    main()
