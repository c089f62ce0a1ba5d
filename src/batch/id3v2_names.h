// New file names from the tag that holds the whole value: the ID3v1 record
// keeps 30 bytes of a title, the ID3v2 tag the whole of it, and a file may
// carry only the ID3v2 tag.
#pragma once

#include "batch/record.h"

#include <string>
#include <string_view>
#include <vector>

namespace sonrik::text {
class CodePage;
}
namespace sonrik::twID3 {
struct ID3v2Tag;
}

namespace sonrik::batch {

// For a rename from tags: sets `tag.ID3v2Names` to the values of the file's
// ID3v2 tag (title, artist, album, comment, track, genre) that the record's
// fields lack (an empty field, track "0"; all of them when the file has no
// ID3v1 record, `hasRecord` false) or hold only as their first bytes, cut at
// the field's width. Where the two tags hold different values the record
// decides. Values are converted to `codePage`, the code page of the record's
// texts; one it cannot hold keeps the record's value. Several values of a
// field are joined by " & ". Gives the notes (UTF-8) of values not taken.
std::vector<std::string> TakeID3v2Names(TFTag& tag, const twID3::ID3v2Tag& v2, bool hasRecord,
                                        const text::CodePage& codePage);

// The track number of an ID3v2 track text ("7", "3/12"): the text of the
// number when it is 1 to 255, else empty.
std::string ID3v2TrackNumber(std::string_view text);

}  // namespace sonrik::batch
