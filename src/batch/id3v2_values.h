// The values of an ID3v2 tag as the ID3v1 record and the Lyrics3 block
// would hold them: converted to a code page, cut to the record's fields, the
// whole of a cut title, artist or album kept for the Lyrics3 block, and why
// a value cannot be taken. A pure function, for the command line's
// v2-to-v1 and the editor windows alike.
#pragma once

#include "text/codepage.h"
#include "twID3/id3v2.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sonrik::batch {

// A text value: the code page's bytes, or nothing (the tag gives none, or it
// cannot be taken: `note` says why, and the field is to be left as it is).
struct ConvertedText {
    std::optional<std::string> value;
    bool cut = false;  // `value` is the start of a longer value
    // Title, artist, album when cut: the whole value for the Lyrics3 block's
    // field of the same name (its first 250 bytes when even that is cut).
    std::optional<std::string> whole;
    std::string note;  // English, without the field's name; empty when all went well
};

// Track and genre: the record's byte, or nothing to take.
struct ConvertedNumber {
    std::optional<std::uint8_t> value;
    std::string note;
};

struct ConvertOptions {
    // The record keeps a track number of its own, so a comment beside it
    // holds 28 bytes even when the tag gives no track.
    bool recordHasTrack = false;
    // Lyrics and lyricist are converted only when asked for.
    bool lyrics = false;
};

struct ConvertedTag {
    ConvertedText title, artist, album, year, comment;
    ConvertedNumber track, genre;
    ConvertedText lyrics;  // the Lyrics3 lyrics, lines as the tag ends them
    ConvertedText author;  // the Lyrics3 author, from the lyricist
};

// The rules, field by field:
// - several values of a 2.4 tag: title, artist, album, comment and lyricist
//   are joined with " / "; year, track and genre take the first usable one;
// - title, artist, album: 30 bytes, cut at a character boundary; when cut,
//   `whole` holds up to 250 bytes (the Lyrics3 field's limit);
// - year: the first four digits in a row ("2024-05-01" gives "2024");
// - track: the number in front of a '/' ("3/12" gives 3) when it is 1 to
//   255, else nothing;
// - genre: a name of the genre table in any letter case, or its number;
//   otherwise NoGenre (255) with a note;
// - comment: 28 bytes beside a track (the tag's or the record's), else 30;
// - lyrics and author (from the lyricist): only with `options.lyrics`; the
//   author is cut to 250 bytes, lyrics longer than a Lyrics3 field holds are
//   not taken;
// - a character the code page cannot hold: nothing, with a note naming it.
// Never throws but for std::bad_alloc.
ConvertedTag ConvertID3v2(const twID3::ID3v2Tag& tag, const text::CodePage& codePage,
                          const ConvertOptions& options = {});

// The value's text for the ID3v2 tag's one or several values of a field.
std::string JoinedValues(const std::vector<std::string>& values);

}  // namespace sonrik::batch
