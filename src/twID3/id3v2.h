// The ID3v2 reader: versions 2.2, 2.3 and 2.4, the tag at the head of a file
// or one appended at its end (with a footer) in front of the Lyrics3 block and
// the ID3v1 record. It reads a few text frames into UTF-8 and lists every
// frame with its place in the file, so that a writer can carry the frames it
// does not know over whole. Standard library only: it runs inside the plug-in.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sonrik::platform {
class File;
}

namespace sonrik::twID3 {

class FileTail;

// One frame as stored: its header's id and flags, where it stands and how
// many bytes it takes in the file (header, flag bytes and data).
struct ID3v2Frame {
    std::string id;            // three characters in version 2.2, else four
    std::uint16_t flags = 0;   // the two flag bytes (none in 2.2)
    std::int64_t offset = 0;   // file position of the frame header
    std::int64_t size = 0;     // bytes in the file from the header on
    bool readable = true;      // false: compressed, encrypted or of an unknown text encoding
};

struct ID3v2Tag {
    std::uint8_t version = 0;   // 2, 3 or 4
    std::uint8_t revision = 0;
    std::uint8_t flags = 0;     // the header's flag byte
    bool atEnd = false;         // appended, with a footer, in front of the tag area at the end
    std::int64_t offset = 0;    // file position of the header
    std::int64_t size = 0;      // header, extended header, frames, padding and footer
    std::int64_t padding = 0;   // bytes after the last frame, in front of the footer
    // Values in UTF-8. A 2.4 frame may hold several, separated by zero bytes:
    // one element each; earlier versions give one. Empty: no value.
    std::vector<std::string> title, artist, album, year, track, genre, comment, lyrics, lyricist;
    std::vector<ID3v2Frame> frames;   // every frame, in file order
    std::vector<std::string> unread;  // ids of frames present but not read
    std::string note;                 // what a reader of the values should know (English)
};

// The values a tag can carry, by name, so that code going over all of them
// (a report, a copy into ID3v1, a test) has one list to follow.
struct ID3v2Field {
    std::string_view name;
    std::vector<std::string> ID3v2Tag::*values;
};
inline constexpr std::array<ID3v2Field, 9> ID3v2Fields = {{
    {"title", &ID3v2Tag::title},
    {"artist", &ID3v2Tag::artist},
    {"album", &ID3v2Tag::album},
    {"year", &ID3v2Tag::year},
    {"track", &ID3v2Tag::track},
    {"genre", &ID3v2Tag::genre},
    {"comment", &ID3v2Tag::comment},
    {"lyrics", &ID3v2Tag::lyrics},
    {"lyricist", &ID3v2Tag::lyricist},
}};

// The outcome of a read: a tag, no tag (both empty), or a tag that is there
// but broken, with the reason in `error` (English) and no tag.
struct ID3v2Read {
    std::optional<ID3v2Tag> tag;
    std::string error;
};

// Reads the tag at the head of an open file of `size` bytes; without one,
// the tag appended at the end whose footer ends at `tailAreaStart` (where
// the Lyrics3 block or the ID3v1 record begins, or the file's size). When
// both are there, the one at the head is read and the note says so. Bad
// bytes never throw: they give `error`. With `tail`, the bytes in front of
// the tail area are taken from it (and it grows to hold them), so a load that
// has read the end of the file reads no more of it. Throws IoError when a
// file call fails.
ID3v2Read ReadID3v2(platform::File& file, std::int64_t size, std::int64_t tailAreaStart, FileTail* tail = nullptr);

}  // namespace sonrik::twID3
