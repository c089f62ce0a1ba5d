#include "twID3/twID3.h"

#include "platform/errors.h"
#include "platform/platform.h"
#include "text/text.h"

#include <algorithm>
#include <cstring>

namespace sonrik::twID3 {

namespace {

// Record layout: offset and width of each field.
struct Field {
    std::size_t offset, width;
};
constexpr Field kTitle{3, 30}, kArtist{33, 30}, kAlbum{63, 30}, kYear{93, 4};
constexpr Field kComment10{97, 30}, kComment11{97, 28};
constexpr std::size_t kV11Zero = 125, kTrack = 126, kGenre = 127;
constexpr std::size_t kTextLimit = 30, kYearLimit = 4, kV11CommentLimit = 28;
constexpr std::string_view kTag = "TAG";

// A field ends at its first zero byte, as every reader of the record takes
// it: what follows is often what was left of an older, longer value.
std::string FieldToString(const RawRecord& raw, Field f)
{
    const char* const begin = reinterpret_cast<const char*>(raw.data() + f.offset);
    std::string text(begin, std::find(begin, begin + f.width, '\0'));
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

void StringToField(RawRecord& raw, Field f, std::string_view value)
{
    const std::size_t n = std::min(value.size(), f.width);
    std::memcpy(raw.data() + f.offset, value.data(), n);
    std::fill(raw.begin() + static_cast<std::ptrdiff_t>(f.offset + n),
              raw.begin() + static_cast<std::ptrdiff_t>(f.offset + f.width), std::uint8_t{0});
}

bool StartsWithTag(const std::uint8_t* bytes)
{
    return std::memcmp(bytes, kTag.data(), kTag.size()) == 0;
}

}  // namespace

TtwID3v1::TtwID3v1(TtwID3& owner) : owner_(&owner), lyrics3_(std::make_unique<TtwLyrics3>(*this)) {}

bool TtwID3v1::HasTagMarker() const { return StartsWithTag(rawTag_.data()); }

// ---- setters ---------------------------------------------------------------

void TtwID3v1::Changed()
{
    owner_->useID3v1_ = true;
    if (owner_->AutoSave()) owner_->Save();
}

void TtwID3v1::SetTitle(std::string_view value)
{
    title_.assign(value.substr(0, kTextLimit));
    Changed();
}

void TtwID3v1::SetArtist(std::string_view value)
{
    artist_.assign(value.substr(0, kTextLimit));
    Changed();
}

void TtwID3v1::SetAlbum(std::string_view value)
{
    album_.assign(value.substr(0, kTextLimit));
    Changed();
}

void TtwID3v1::SetYear(std::string_view value)
{
    year_.assign(value.substr(0, kYearLimit));
    Changed();
}

void TtwID3v1::SetComment(std::string_view value)
{
    comment_.assign(value.substr(0, kTextLimit));
    Changed();
}

void TtwID3v1::SetGenreID(std::uint8_t value)
{
    if (value < GenreCount) genreID_ = value;
    Changed();
}

void TtwID3v1::SetTrackNo(std::uint8_t value)
{
    trackNo_ = value;
    useID3v11_ = true;
    if (comment_.size() > kV11CommentLimit) comment_.resize(kV11CommentLimit);
    Changed();
}

void TtwID3v1::SetUseID3v11(bool value)
{
    useID3v11_ = value;
    Changed();
}

// ---- record ------------------------------------------------------------------

void TtwID3v1::ClearRecord(std::uint8_t genre)
{
    rawTag_.fill(' ');
    std::memcpy(rawTag_.data(), kTag.data(), kTag.size());
    rawTag_[kGenre] = genre;
    DecodeRecord();
}

void TtwID3v1::DecodeRecord()
{
    title_ = FieldToString(rawTag_, kTitle);
    artist_ = FieldToString(rawTag_, kArtist);
    album_ = FieldToString(rawTag_, kAlbum);
    year_ = FieldToString(rawTag_, kYear);
    useID3v11_ = rawTag_[kV11Zero] == 0;
    comment_ = FieldToString(rawTag_, useID3v11_ ? kComment11 : kComment10);
    trackNo_ = useID3v11_ ? rawTag_[kTrack] : 0;
    genreID_ = rawTag_[kGenre];
}

void TtwID3v1::EncodeRecord()
{
    StringToField(rawTag_, kTitle, title_);
    StringToField(rawTag_, kArtist, artist_);
    StringToField(rawTag_, kAlbum, album_);
    StringToField(rawTag_, kComment10, comment_);
    if (useID3v11_) {
        // Overwrites the last two comment bytes: a longer comment loses its
        // end on disk, as the ID3v1.1 layout demands.
        rawTag_[kV11Zero] = 0;
        rawTag_[kTrack] = trackNo_;
    }
    StringToField(rawTag_, kYear, year_);
    rawTag_[kGenre] = genreID_;
}

void TtwID3v1::Assign(const TtwID3v1& source)
{
    if (&source == this) return;
    album_ = source.album_;
    artist_ = source.artist_;
    comment_ = source.comment_;
    genreID_ = source.genreID_;
    title_ = source.title_;
    year_ = source.year_;
    trackNo_ = source.trackNo_;
    useID3v11_ = source.useID3v11_;
    useLyrics3_ = source.useLyrics3_;
    rawTag_ = source.rawTag_;
    owner_ = source.owner_;
}

// ---- files ---------------------------------------------------------------------

void TtwID3v1::ResetForLoad()
{
    useLyrics3_ = false;
    album_.clear();
    artist_.clear();
    comment_.clear();
    title_.clear();
    year_.clear();
    genreID_ = 0;
    trackNo_ = 0;
    lyrics3_->Reset();
    owner_->useID3v1_ = true;
}

void TtwID3v1::LoadFromFile(std::string fileName)
{
    ResetForLoad();
    TtwID3& owner = *owner_;
    owner.filename_.clear();

    if (auto opened = platform::File::openExisting(fileName, platform::OpenMode::Read)) {
        owner.filename_ = fileName;
        LoadOpened(*opened);
    } else {
        owner.success_ = id3NoSuchFile;
    }

    if (owner.success_ == id3Success)
        DecodeRecord();
    else
        ClearRecord();
}

void TtwID3v1::LoadOpened(platform::OpenedFile& opened, TagArea* area, ID3v2Read* id3v2)
{
    TtwID3& owner = *owner_;
    const std::int64_t size = opened.size;
    const bool shortFile = size < static_cast<std::int64_t>(ID3v1Size);
    // Positioning in front of the start fails like any other positioning.
    if (shortFile && !owner.shortFileUntagged_) throw IoError(ioerr::NegativeSeek);
    FileTail tail(opened.file, size);
    if (!shortFile) {
        const std::string_view record = tail.Bytes(size - static_cast<std::int64_t>(ID3v1Size), ID3v1Size);
        std::memcpy(rawTag_.data(), record.data(), ID3v1Size);
    }
    // Where the tags at the end begin: an appended ID3v2 tag ends there.
    std::int64_t tailStart = size;
    if (shortFile || !HasTagMarker()) {
        owner.success_ = id3NoTags;
    } else {
        owner.success_ = id3Success;
        tailStart = lyrics3_->ReadFromFile(tail).value_or(size - static_cast<std::int64_t>(ID3v1Size));
    }
    if (id3v2) *id3v2 = ReadID3v2(opened.file, size, tailStart, &tail);
    if (area) {
        const std::int64_t pos = TagAreaStart(tail);
        tail.Extend(pos);
        *area = TagArea{pos, size, std::string(tail.Bytes(pos, static_cast<std::size_t>(size - pos))),
                        opened.id ? *opened.id : opened.file.identity()};
    }
    opened.file.close();
}

namespace {

// Puts the old tag area back after a save failed part-way: its bytes at their
// place and the old length. Throws Error when even that fails.
void RestoreTagArea(platform::File& file, const std::string& fileName, std::int64_t pos, std::string_view old,
                    std::int64_t size, std::u8string_view cause)
{
    try {
        if (!old.empty() && file.writeAt(pos, old.data(), old.size()) != old.size())
            throw IoError(platform::FileCallFaults::kDeviceError);
        file.truncateAt(size);
    } catch (const std::exception& e) {
        throw Error(u8"Saving the tags of " + text::FromAnsi(fileName) + u8" failed (" + std::u8string(cause) +
                    u8"), and so did writing the old tags back (" + std::u8string(text::AsUtf8(e.what())) +
                    u8"): the file's tag area may be damaged");
    }
}

}  // namespace

std::string TtwID3v1::BuildArea()
{
    EncodeRecord();
    std::string area = useLyrics3_ ? lyrics3_->BuildBlock() : std::string{};
    area.append(reinterpret_cast<const char*>(rawTag_.data()), rawTag_.size());
    return area;
}

std::int64_t TagAreaStart(FileTail& tail)
{
    const std::int64_t size = tail.Size();
    if (size < static_cast<std::int64_t>(ID3v1Size) ||
        !StartsWithTag(reinterpret_cast<const std::uint8_t*>(tail.Bytes(size - static_cast<std::int64_t>(ID3v1Size), 3).data())))
        return size;
    // The block is looked for without regard to any object's values.
    TtwID3 scratch;
    return scratch.ID3v1().Lyrics3().LocateLyrics3(tail).value_or(size - static_cast<std::int64_t>(ID3v1Size));
}

std::optional<TagArea> ReadTagArea(const std::string& fileName)
{
    auto opened = platform::File::openExisting(fileName, platform::OpenMode::Read);
    if (!opened) return std::nullopt;
    TagArea area;
    area.size = opened->size;
    area.id = opened->id ? *opened->id : opened->file.identity();
    FileTail tail(opened->file, area.size);
    area.pos = TagAreaStart(tail);
    tail.Extend(area.pos);
    area.bytes = std::string(tail.Bytes(area.pos, static_cast<std::size_t>(area.size - area.pos)));
    opened->file.close();
    return area;
}

void TtwID3v1::SaveToFile(std::string fileName)
{
    TtwID3& owner = *owner_;
    EncodeRecord();
    if (!platform::FileExists(fileName) || !HasTagMarker() || !owner.useID3v1_) return;

    // Build the block before the file is touched, so a block the format
    // cannot hold is refused with the file as it was.
    const std::string area = BuildArea();

    owner.filename_ = fileName;
    auto file = platform::File::open(fileName, platform::OpenMode::ReadWrite);
    const std::int64_t size = file.size();
    if (size < static_cast<std::int64_t>(ID3v1Size) && !owner.shortFileUntagged_) throw IoError(ioerr::NegativeSeek);
    FileTail tail(file, size);
    const std::int64_t pos = TagAreaStart(tail);

    // The old tag area, kept so that a save failing part-way can put it back.
    tail.Extend(pos);
    const std::string old(tail.Bytes(pos, static_cast<std::size_t>(size - pos)));
    const std::int64_t newEnd = pos + static_cast<std::int64_t>(area.size());

    bool changed = false;  // a write has reached the file
    try {
        const std::size_t written = file.writeAt(pos, area.data(), area.size());
        changed = written > 0;
        if (written != area.size()) {
            // A short write (a full disk): the file goes back to what it was.
            RestoreTagArea(file, fileName, pos, old, size, u8"a write came up short");
            file.close();
            owner.success_ = id3IOError;
            return;
        }
        if (newEnd < size) file.truncateAt(newEnd);
    } catch (const IoError& e) {
        if (changed) RestoreTagArea(file, fileName, pos, old, size, text::AsUtf8(e.what()));
        throw;
    }
    owner.success_ = id3Success;
    file.close();
}

void TtwID3v1::Save() { SaveToFile(owner_->Filename()); }

}  // namespace sonrik::twID3
