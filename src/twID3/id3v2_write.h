// The ID3v2 writer: puts new values of a few fields into the tag at the head
// of a file and carries every other frame over byte for byte.
//
// What it writes:
// - The tag's version: 2.3 stays 2.3, 2.4 stays 2.4; 2.2 is written as 2.3,
//   each frame under its 2.3 id (a picture's three-letter image format
//   becomes a MIME type). A 2.2 frame that 2.3 has no id for (CRM, LNK,
//   ids of no standard) cannot be carried over: it is left out and named in
//   `dropped`, for the caller to report. A new tag is 2.3.
// - A changed field replaces its frame where that frame stood; a field the
//   tag did not hold gets a frame after the existing ones; an empty value
//   removes the frame. Title TIT2, artist TPE1, album TALB, track TRCK,
//   genre TCON (by name), lyricist TEXT; year TDRC in 2.4, TYER in 2.3 (a
//   2.3 tag's TDRC, which readers prefer to TYER, goes with it); comment
//   and lyrics the COMM and USLT with an empty description, keeping their
//   language ("eng" for a new one). Text is ISO-8859-1 where it can be,
//   else UTF-16 with a byte-order mark.
// - Never unsynchronisation, compression or encryption: a tag unsynchronised
//   as a whole is written plain, a frame unsynchronised on its own has its
//   data resynchronised and the flag cleared; a compressed or encrypted frame
//   is kept as stored, with its flags, unless it is the text frame of a
//   changed field (a reader that can undo it would show it before the new
//   one): the new frame takes its place. A 2.4 frame size stored as a
//   plain number is written sync-safe. The extended header (a CRC over the
//   old frames, restrictions) is dropped, and so is every header flag.
// - A tag appended at the end of a file is not written: Error.
#pragma once

#include "twID3/id3v2.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sonrik::twID3 {

// New values in UTF-8; a field left empty (nullopt) keeps its frames as
// they are, an empty string removes the field's frame.
struct ID3v2Changes {
    std::optional<std::string> title{}, artist{}, album{}, year{}, track{}, genre{}, comment{}, lyrics{}, lyricist{};
};

// A tag made from an old one and the changes, without its padding.
struct ID3v2Built {
    std::uint8_t version = 3;          // 3 or 4
    std::string frames;                // every frame, in order
    std::vector<std::string> dropped;  // ids of 2.2 frames 2.3 has no id for
    // Header, frames and zeros up to `size` bytes in all (at least the
    // header and frames). Throws Error when the tag would be larger than
    // ID3v2 can say (256 MB).
    std::string Bytes(std::int64_t size) const;
    std::int64_t MinSize() const { return 10 + static_cast<std::int64_t>(frames.size()); }
};

// Makes the new tag from the tag as read (`old`, nothing for a file without
// one) and its bytes as stored in the file (`old->size` bytes from
// `old->offset`). Throws Error for a tag appended at the end, for values
// that are not UTF-8, and for bytes that do not match `old`.
ID3v2Built BuildID3v2(const ID3v2Tag* old, std::string_view oldBytes, const ID3v2Changes& changes);

// How a save went.
struct ID3v2Saved {
    bool written = false;   // false: no tag and nothing to put into a new one
    bool inPlace = false;   // the new tag took the old one's space
    std::int64_t size = 0;  // of the tag in the file now, padding included
    std::vector<std::string> dropped;  // see ID3v2Built
};

// Padding given to a tag that had to grow, so the next edits fit in place.
inline constexpr std::int64_t kID3v2GrowthPadding = 2048;

// Writes the changes into the ID3v2 tag at the head of `fileName`, making
// one there when there is none. In place, padded to the old size, when the
// new tag fits the old one's space: no other byte of the file moves.
// Otherwise the file is written anew beside the old one (the tag with
// kID3v2GrowthPadding, then every byte after the old tag) and renamed over
// it. Throws Error, the file untouched, for a tag that is broken or
// appended at the end and for what BuildID3v2 refuses; IoError, the file as
// it was, when a file call fails (in place: the old tag is written back
// after a write that failed part-way); Error saying the tag may be damaged
// when even that write-back fails.
ID3v2Saved SaveID3v2(const std::string& fileName, const ID3v2Changes& changes);

}  // namespace sonrik::twID3
