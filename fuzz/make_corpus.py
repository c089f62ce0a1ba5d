#!/usr/bin/env python3
"""Writes the seed files of fuzz/corpus/sonrik_fuzz_load: small files with
and without tags, each a starting point for one way a load and save can go."""

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


def main():
    out = Path(__file__).resolve().parent / "corpus" / "sonrik_fuzz_load"
    out.mkdir(parents=True, exist_ok=True)
    for name, data in SEEDS.items():
        (out / name).write_bytes(data)


if __name__ == "__main__":
    main()
