#include "twID3/twID3.h"

#include "platform/platform.h"

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

std::string FieldToString(const RawRecord& raw, Field f)
{
    std::string text(reinterpret_cast<const char*>(raw.data() + f.offset), f.width);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.pop_back();
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

void TtwID3v1::ClearRecord()
{
    rawTag_.fill(' ');
    std::memcpy(rawTag_.data(), kTag.data(), kTag.size());
    rawTag_[kGenre] = 0;
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

    if (!platform::FileExists(fileName)) {
        owner.success_ = id3NoSuchFile;
    } else {
        owner.filename_ = fileName;
        auto file = platform::File::open(fileName, platform::OpenMode::Read);
        const std::int64_t size = file.size();
        RawRecord record{};
        file.seek(size - static_cast<std::int64_t>(ID3v1Size));
        file.readExact(record.data(), record.size());
        rawTag_ = record;
        if (!HasTagMarker()) {
            owner.success_ = id3NoTags;
        } else {
            owner.success_ = id3Success;
            lyrics3_->ReadFromFile(file);
        }
        file.close();
    }

    if (owner.success_ == id3Success)
        DecodeRecord();
    else
        ClearRecord();
}

void TtwID3v1::SaveToFile(std::string fileName)
{
    EncodeRecord();
    TtwID3& owner = *owner_;
    if (!platform::FileExists(fileName) || !HasTagMarker() || !owner.useID3v1_) return;

    // Build the block before the file is touched, so a block the format
    // cannot hold is refused with the file as it was.
    const std::string block = useLyrics3_ ? lyrics3_->BuildBlock() : std::string{};

    owner.filename_ = fileName;
    auto file = platform::File::open(fileName, platform::OpenMode::ReadWrite);
    const std::int64_t size = file.size();
    RawRecord scratch{};
    file.seek(size - static_cast<std::int64_t>(ID3v1Size));
    file.readExact(scratch.data(), scratch.size());

    std::int64_t pos = size;
    if (StartsWithTag(scratch.data()))
        pos = lyrics3_->LocateLyrics3(file).value_or(size - static_cast<std::int64_t>(ID3v1Size));

    // When the tags grow, claim the extra room at the end first: if the disk
    // cannot give it, the file is cut back and stays exactly as it was.
    const std::int64_t newEnd = pos + static_cast<std::int64_t>(block.size() + ID3v1Size);
    if (newEnd > size) {
        const std::string room(static_cast<std::size_t>(newEnd - size), '\0');
        file.seek(size);
        if (file.write(room.data(), room.size()) != room.size()) {
            file.seek(size);
            file.truncate();
            file.close();
            owner.success_ = id3IOError;
            return;
        }
    }

    file.seek(pos);
    const bool ok = file.write(block.data(), block.size()) == block.size();
    if (ok)
        owner.success_ = file.write(rawTag_.data(), rawTag_.size()) == rawTag_.size() ? id3Success : id3IOError;
    else
        owner.success_ = id3IOError;
    file.truncate();
    file.close();
}

void TtwID3v1::Save() { SaveToFile(owner_->Filename()); }

}  // namespace sonrik::twID3
