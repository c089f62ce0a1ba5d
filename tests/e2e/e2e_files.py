"""What the end-to-end drivers share: song bytes built independently of the
tag library, Windows paths for Wine, and a plug-in folder of its own."""
import argparse
import os
import shutil

# One silent-looking MPEG frame header and its body.
FRAME = bytes([0xFF, 0xFB, 0x90, 0x64]) + bytes(413)


def field(text, width):
    data = text.encode("latin-1")
    return data + bytes(width - len(data))


def id3v1(title, artist, album="", year="", comment="", track=0, genre=0):
    """An ID3v1.1 record: 28 comment bytes, a zero byte, the track, the genre."""
    return (b"TAG" + field(title, 30) + field(artist, 30) + field(album, 30) + field(year, 4)
            + field(comment, 28) + bytes([0, track, genre]))


def id3v2_text(frames):
    """An ID3v2.3 tag of ISO-8859-1 text frames [(b"TIT2", b"Title"), ...], for the start of a file."""
    body = b"".join(fid + (len(text) + 1).to_bytes(4, "big") + b"\0\0\0" + text for fid, text in frames)
    size = len(body)
    return b"ID3\3\0\0" + bytes([size >> 21 & 0x7F, size >> 14 & 0x7F, size >> 7 & 0x7F, size & 0x7F]) + body


def lyrics3v2(fields):
    """A Lyrics3 v2.00 block of (id, value) fields, indicators "10"."""
    body = b"LYRICSBEGIN" + b"IND00002" + b"10"
    for fid, value in fields:
        body += fid + b"%05d" % len(value) + value
    return body + b"%06d" % len(body) + b"LYRICS200"


def winpath(path):
    """A path as Wine's programs see it: the root is drive Z:."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def quoted(path):
    """A Windows path as a quoted host-script argument: backslashes doubled."""
    return '"' + winpath(path).replace("\\", "\\\\") + '"'


def fresh_folder(path):
    """Empties `path` (read-only files included) and makes it again."""
    if os.path.isdir(path):
        for root, _dirs, files in os.walk(path):
            for name in files:
                os.chmod(os.path.join(root, name), 0o644)
        shutil.rmtree(path)
    os.makedirs(path)


def plugin_folder(work, bin_dir, settings):
    """Sonrik.dll and sonrik-host.exe copied into work/Plugins, where the
    settings and history files will lie, with `settings` as moduls.ini."""
    plugin = os.path.join(work, "Plugins")
    os.makedirs(plugin)
    for name in ("Sonrik.dll", "sonrik-host.exe"):
        shutil.copy(os.path.join(bin_dir, name), plugin)
    with open(os.path.join(plugin, "moduls.ini"), "wb") as ini:
        ini.write(settings)
    return plugin


def driver_arguments(*extra):
    """The end-to-end drivers' command line: --bin DIR --work DIR [--xml FILE]
    [EXTRA...] -- EMULATOR...; `extra` adds (name, keywords) options. The
    emulator comes back without its leading "--"."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--xml")
    for name, keywords in extra:
        parser.add_argument(name, **keywords)
    parser.add_argument("emulator", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    if args.emulator[:1] == ["--"]:
        args.emulator = args.emulator[1:]
    return args
