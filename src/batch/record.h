// The engine's per-file record (one row of the list editor, one file of a
// run of the command line), the row statuses and the field kinds of the
// "File name to TAG" page with their texts in both languages, and the filling
// of a record from a loaded file.
//
// Record texts are 8-bit strings in the system's ANSI code page; the status and
// column texts are captions, UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sonrik::twID3 {
class TtwID3v1;
}

namespace sonrik::batch {

// Outcome of the last test or Apply of a record; the last column of its row.
enum TRowStatus : std::uint8_t {
    stTestOk = 0,
    stFileExists = 1,
    stTestError = 2,
    stNotEnoughInfo = 3,
    stWriteError = 4,
    stTagsRecorded = 5,
    stNoChanges = 6,
    stRenamed = 7,
};
inline constexpr int RowStatusCount = 8;

// The columns of the "File name to TAG" page, left to right. The last column
// shows the row's status and has no field behind it.
enum TFieldKind : std::uint8_t {
    fkTrack = 0,
    fkTitle = 1,
    fkArtist = 2,
    fkAlbum = 3,
    fkGenre = 4,
    fkYear = 5,
    fkComment = 6,
    fkStatus = 7,
};
inline constexpr int FieldKindCount = 8;

// One selected file: its tag values, what Apply is to write, and its rename.
struct TFTag {
    std::string TitleText;
    bool TitleSet = false;
    std::string ArtistText;
    bool ArtistSet = false;
    std::string AlbumText;
    bool AlbumSet = false;
    std::string GenreText;  // a name of the genre table, or empty
    bool GenreSet = false;
    std::string YearText;
    bool YearSet = false;
    std::string CommentText;
    bool CommentSet = false;
    std::string TrackText;  // decimal; "0" when the file has none
    bool TrackSet = false;
    std::string FilePath;
    std::string NewName;  // without folder and without ".mp3"
    std::string NewPath;
    bool RenameReady = false;
    TRowStatus Status = stTestOk;
    // Values a new name takes in place of the fields above: the whole values
    // of the file's ID3v2 tag where the ID3v1 record lacks them or holds them
    // cut short (see TakeID3v2Names). None for most files.
    std::vector<std::pair<TFieldKind, std::string>> ID3v2Names;
};

using TTagArray = std::vector<TFTag>;

// "Test OK" ... "File is renamed", or the Russian text; empty for a code
// outside the table.
std::u8string_view RowStatusText(TRowStatus status, bool english);


// The column caption of `kind`, "Track number" ... "Status"; empty outside the table.
std::u8string_view FieldKindCaption(std::uint8_t kind, bool english);

// The text and the to-be-written mark behind a tag field; nullptr for the
// status column and anything beyond it. One list, so every place that walks
// the fields agrees on them.
std::string* FieldText(TFTag& tag, std::uint8_t kind);
const std::string* FieldText(const TFTag& tag, std::uint8_t kind);
bool* FieldMark(TFTag& tag, std::uint8_t kind);

// The value a new name takes for field `kind`: its ID3v2 value where the
// record has one, else the field's text (nullptr as FieldText gives it).
const std::string* NameText(const TFTag& tag, std::uint8_t kind);

// A comment as the record shows it: empty when the comment is empty or one of
// its first two bytes is 0 (a one-byte comment is taken); otherwise the
// comment without its bytes 0 and 1.
std::string CommentShown(std::string_view comment);

// Fills the tag values of `tag` from a loaded ID3v1 object and takes `path`
// as its file: `FilePath` and `NewName` := path, track as decimal text, every
// mark and `RenameReady` off. `Status` and `NewPath` stay. A comment that
// CommentShown leaves empty keeps the record's comment.
void FillRecord(TFTag& tag, const std::string& path, const twID3::TtwID3v1& id3v1);


}  // namespace sonrik::batch
