// The tag library: the ID3v1 / ID3v1.1 record at the end of an MP3 file, the
// Lyrics3 block (version 2.00 or 1) in front of it, the genre table, and the
// tag file object through which the editor windows load and save both tags.
//
// Values are 8-bit strings in the system's ANSI code page, kept as bytes.
// Setters apply the field limits and raise the flags that decide what the next
// save writes; loads and decodes store values without those side effects.
#pragma once

#include "platform/platform.h"
#include "twID3/id3v2.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sonrik::twID3 {

// ---- Genre table ---------------------------------------------------------

inline constexpr int GenreCount = 148;
extern const std::array<std::string_view, GenreCount> GenreNames;

// The genre byte of a record that names no genre.
inline constexpr std::uint8_t NoGenre = 255;

// The name of genre `id`, or an empty text above 147.
std::string_view GenreName(unsigned id);

// ---- Line lists ------------------------------------------------------------

using LineList = std::vector<std::string>;

// Splits a text into lines by the shared rule (text::SplitLines: CR LF, a lone
// CR or a lone LF; no empty line after a final line end); a zero byte ends
// the text, as it ends a value in a tag.
LineList TextToLines(std::string_view text);
// Each line followed by CR LF.
std::string LinesToText(const LineList& lines);

// ---- Result state ----------------------------------------------------------

enum TtwID3State : std::uint8_t {
    id3Success = 0,
    id3NoTags = 1,
    id3NoSuchFile = 2,
    id3IOError = 3,
};

// "id3Success", "id3NoTags", "id3NoSuchFile" or "id3IOError".
std::string_view StateName(TtwID3State state);

class TtwID3;
class TtwID3v1;
struct TagArea;

// ---- File tail -----------------------------------------------------------------

// The last bytes of an open file, held in memory and read from the end
// backwards: the record and the end marker in front of it at once, and more
// in one positioned read whenever a search or a block needs bytes further back.
class FileTail {
public:
    // The record and what stands in front of it as far as most Lyrics3
    // blocks reach (the footer of an appended ID3v2 tag too): one read for
    // the whole tail of most files. A byte more costs little beside a call.
    static constexpr std::int64_t kFirstRead = 1024;

    // Reads the last kFirstRead bytes (all of a shorter file). Throws IoError.
    FileTail(platform::File& file, std::int64_t size);

    std::int64_t Size() const { return size_; }
    // Makes sure the bytes from `pos` (clamped to 0) to the end are held,
    // reading only what is missing. Throws IoError.
    void Extend(std::int64_t pos);
    // `count` bytes at `pos`, which must be held.
    std::string_view Bytes(std::int64_t pos, std::size_t count) const;

private:
    platform::File* file_;
    std::int64_t size_;
    std::int64_t from_;   // file position of bytes_[0]
    std::string bytes_;   // from_ up to the end of the file
};

// ---- Lyrics3 -----------------------------------------------------------------

// Limits of what a Lyrics3 block can hold and readers can find again.
inline constexpr std::size_t Lyrics3TextLimit = 250;       // setters keep at most this
inline constexpr std::size_t Lyrics3v2FieldLimit = 99999;  // 5 size digits
inline constexpr std::size_t Lyrics3v2BlockLimit = 999999; // 6 size digits
inline constexpr std::size_t Lyrics3v1LyricsLimit = 5100;  // what version 1 readers look back for

class TtwLyrics3 {
public:
    explicit TtwLyrics3(TtwID3v1& owner);
    TtwLyrics3(const TtwLyrics3&) = delete;
    TtwLyrics3& operator=(const TtwLyrics3&) = delete;

    TtwID3v1& Owner() const { return *owner_; }

    const std::string& Artist() const { return artist_; }
    const std::string& Album() const { return album_; }
    const std::string& Author() const { return author_; }
    const std::string& Title() const { return title_; }
    void SetArtist(std::string_view value);
    void SetAlbum(std::string_view value);
    void SetAuthor(std::string_view value);
    void SetTitle(std::string_view value);

    // The lists themselves; filling them in place bypasses the setter rules.
    LineList& Images() { return images_; }
    LineList& Infos() { return infos_; }
    LineList& Lyrics() { return lyrics_; }
    LineList& Others() { return others_; }
    const LineList& Images() const { return images_; }
    const LineList& Infos() const { return infos_; }
    const LineList& Lyrics() const { return lyrics_; }
    const LineList& Others() const { return others_; }
    void SetImages(const LineList& lines);
    void SetInfos(const LineList& lines);
    void SetLyrics(const LineList& lines);
    void SetOthers(const LineList& lines);

    bool UseLyrics3v2() const { return useLyrics3v2_; }
    void SetUseLyrics3v2(bool value) { useLyrics3v2_ = value; }
    bool UseTimestamp() const { return useTimestamp_; }
    void SetUseTimestamp(bool value);

    // Empties the lyrics; nothing else.
    void ClearLyrics();
    // Copies the values and the owner link (not the identity of the object).
    void Assign(const TtwLyrics3& source);

    // All values empty, both flags false; no flags raised, no save.
    void Reset();

    // The file position of the block's "LYRICSBEGIN" in front of the ID3v1
    // record of an open file, or nothing. Only a block that ends in a marker
    // directly in front of the record is looked for, and only as far back as
    // the largest block of that marker's version can reach. A version 2.00
    // size field is trusted only when it points at a start marker; otherwise
    // the nearest start marker whose bytes read as whole fields up to the
    // size digits wins, and the nearest of all when none does. Throws IoError.
    std::optional<std::int64_t> LocateLyrics3(FileTail& tail) const;

    // Reads the block of an open file whose last 128 bytes are an ID3v1
    // record; sets the owner's UseLyrics3 and this object's values. Gives the
    // file position of the block read, if any. Throws IoError.
    std::optional<std::int64_t> ReadFromFile(FileTail& tail);

    // The bytes of the block that the flags select (version 2.00 when
    // UseLyrics3v2, else version 1). When no value that version holds
    // differs from what the last load read, that is the loaded block as its
    // bytes stood, so a save that did not touch the block keeps what other
    // tools wrote there. Otherwise the block is built from the values, and a
    // version 2.00 block also keeps the loaded block's fields of other ids
    // (after the known ones, in their order) and its indicator characters
    // after the second. Throws Error, naming the limit or the field, for
    // values that the format cannot hold or a reader would not find again (a
    // zero byte ends a value for readers; version 1 lyrics holding a marker
    // are written only as the very block that was loaded).
    std::string BuildBlock() const;

    // Parses the fields of a version 2.00 body (the bytes between
    // "LYRICSBEGIN" and "LYRICS200", size digits included); fields of other
    // ids and further indicator characters are kept for the next build.
    void ParseFields(std::string_view body);

private:
    void RaiseV2Flags();
    void RaiseFlags();
    void AutoSave();
    void SetText(std::string& field, std::string_view value);

    // What a block holds, compared to tell whether a save changes it.
    struct Values {
        std::string album, artist, author, title;
        LineList images, infos, lyrics, others;
        bool useTimestamp = false;
        bool operator==(const Values&) const = default;
    };
    Values CurrentValues() const;
    // The values the loaded block was read into, and the same block written
    // with this object's flags: unchanged when the version is the same and
    // no value that version holds differs.
    bool Unchanged() const;
    std::string BuildV2() const;

    TtwID3v1* owner_;
    std::string album_, artist_, author_;
    LineList images_, infos_, lyrics_;
    std::string title_;
    LineList others_;
    bool useLyrics3v2_ = false;
    bool useTimestamp_ = false;
    // The block of the last load: its bytes as they stood in the file, its
    // version and the values read from it.
    struct Loaded {
        std::string bytes;
        bool v2 = false;
        Values values;
    };
    std::optional<Loaded> loaded_;
    // What the values of a loaded version 2.00 block cannot hold.
    std::string otherFields_;     // whole fields of ids outside the table, in file order
    std::string moreIndicators_;  // "IND" characters after the second
};

// ---- ID3v1 ---------------------------------------------------------------------

inline constexpr std::size_t ID3v1Size = 128;
using RawRecord = std::array<std::uint8_t, ID3v1Size>;

class TtwID3v1 {
public:
    explicit TtwID3v1(TtwID3& owner);
    TtwID3v1(const TtwID3v1&) = delete;
    TtwID3v1& operator=(const TtwID3v1&) = delete;

    TtwID3& Owner() const { return *owner_; }
    TtwLyrics3& Lyrics3() { return *lyrics3_; }
    const TtwLyrics3& Lyrics3() const { return *lyrics3_; }

    const RawRecord& RawTag() const { return rawTag_; }

    const std::string& Title() const { return title_; }
    const std::string& Artist() const { return artist_; }
    const std::string& Album() const { return album_; }
    const std::string& Year() const { return year_; }
    const std::string& Comment() const { return comment_; }
    std::uint8_t GenreID() const { return genreID_; }
    std::string_view Genre() const { return GenreName(genreID_); }
    std::uint8_t TrackNo() const { return trackNo_; }
    bool UseID3v11() const { return useID3v11_; }
    bool UseLyrics3() const { return useLyrics3_; }

    void SetTitle(std::string_view value);
    void SetArtist(std::string_view value);
    void SetAlbum(std::string_view value);
    void SetYear(std::string_view value);
    void SetComment(std::string_view value);
    void SetGenreID(std::uint8_t value);
    void SetGenre(std::string_view) {}  // the name follows GenreID; writing it does nothing
    void SetTrackNo(std::uint8_t value);
    void SetUseID3v11(bool value);
    void SetUseLyrics3(bool value) { useLyrics3_ = value; }

    // Names are taken by value: callers pass the owner's own Filename, which
    // the load and save rewrite. Both throw IoError when a file call fails
    // (the file is closed on the way out); a save also throws Error for a
    // block the format cannot hold, before anything is written. A save that
    // fails after its first change puts the old tag area and size back
    // before the error leaves, and throws Error saying the tag area may be
    // damaged when even that fails. A short write is no error: the file is
    // put back and Success becomes id3IOError.
    void LoadFromFile(std::string fileName);
    void SaveToFile(std::string fileName);
    void Save();

    // The bytes a save would write from TagAreaStart on: the Lyrics3 block
    // when in use, then the record (encoded first). Throws Error as a save
    // does for a block the format cannot hold.
    std::string BuildArea();

    // "TAG", space-filled fields and genre `genre` (the windows' new record
    // has 0; NoGenre marks none), decoded: all values empty.
    void ClearRecord(std::uint8_t genre = 0);
    void DecodeRecord();
    void EncodeRecord();

    // Copies values, record bytes and the owner link; not the Lyrics3 object.
    void Assign(const TtwID3v1& source);

    // Reset before a load: values empty, Lyrics3 reset, owner's UseID3v1 true.
    void ResetForLoad();

    // The record buffer begins with "TAG".
    bool HasTagMarker() const;

private:
    friend class TtwID3;
    friend class TtwLyrics3;
    void Changed();
    // The load after the file is open: record, block, values; the tag area
    // as a save would find it, when `area` is given; the ID3v2 tag, when
    // `id3v2` is given.
    void LoadOpened(platform::OpenedFile& opened, TagArea* area = nullptr, ID3v2Read* id3v2 = nullptr);

    TtwID3* owner_;
    std::unique_ptr<TtwLyrics3> lyrics3_;
    RawRecord rawTag_{};
    std::string title_, artist_, album_, comment_, year_;
    std::uint8_t genreID_ = 0;
    std::uint8_t trackNo_ = 0;
    bool useID3v11_ = false;
    bool useLyrics3_ = false;
};

// ---- Tag file object -------------------------------------------------------------

// Where a save puts the tag area of a file: at its Lyrics3 block or record
// when it ends in one, else at its end. Throws IoError.
std::int64_t TagAreaStart(FileTail& tail);

// A file's tag area as a save finds it, with the file's size. Throws IoError.
struct TagArea {
    std::int64_t pos = 0;
    std::int64_t size = 0;
    std::string bytes;    // from pos to the end
    platform::FileId id;  // the file's identity, from the same opening
};
std::optional<TagArea> ReadTagArea(const std::string& fileName);  // nothing: no such file

class TtwID3 {
public:
    TtwID3();
    TtwID3(const TtwID3&) = delete;
    TtwID3& operator=(const TtwID3&) = delete;
    ~TtwID3();

    TtwID3v1& ID3v1() { return *id3v1_; }
    const TtwID3v1& ID3v1() const { return *id3v1_; }

    const std::string& Filename() const { return filename_; }
    // Stores the name; loads the file when AutoLoad is on.
    void SetFilename(const std::string& value);

    TtwID3State Success() const { return success_; }
    void SetSuccess(TtwID3State) {}  // the state is set only by loads and saves

    bool AutoLoad() const { return autoLoad_; }
    void SetAutoLoad(bool value);
    bool AutoSave() const { return autoSave_; }
    void SetAutoSave(bool value) { autoSave_ = value; }
    bool UseID3v1() const { return useID3v1_; }
    void SetUseID3v1(bool value) { useID3v1_ = value; }
    bool UseID3v2() const { return useID3v2_; }
    void SetUseID3v2(bool value) { useID3v2_ = value; }
    // A file shorter than the 128-byte record: off (the windows' rule), its
    // load and save fail with the negative-seek I/O error, as positioning in
    // front of the start does; on, it loads as a file without a tag and a
    // save appends the record to it.
    bool ShortFileUntagged() const { return shortFileUntagged_; }
    void SetShortFileUntagged(bool value) { shortFileUntagged_ = value; }
    // The ID3v2 tag of the last load (none when it found no file), read in
    // the same open as the ID3v1 record. A broken tag gives its reason and
    // does not keep the record and the Lyrics3 block from loading.
    const ID3v2Read& ID3v2() const { return id3v2_; }

    void LoadFromFile(std::string fileName);
    // The load above, which also gives the file's tag area from the same
    // reading (left as it was when the file is missing or cannot be read).
    void LoadFromFile(const std::string& fileName, TagArea& area);
    // Whether the file of the last load that opened one was read-only then
    // (platform::GetFileAttributeWord's answer, without asking again).
    bool LoadedFileReadOnly() const { return loadedReadOnly_; }
    void Load();
    void SaveToFile(std::string fileName);
    void Save();
    void DecodeRecord();
    void EncodeRecord();

private:
    friend class TtwID3v1;
    friend class TtwLyrics3;
    void LoadFile(const std::string& fileName, TagArea* area);

    std::unique_ptr<TtwID3v1> id3v1_;
    std::string filename_;
    TtwID3State success_ = id3Success;
    bool autoLoad_ = false;
    bool autoSave_ = false;
    bool useID3v1_ = false;
    bool useID3v2_ = false;
    bool loadedReadOnly_ = false;
    bool shortFileUntagged_ = false;
    ID3v2Read id3v2_;
};

}  // namespace sonrik::twID3
