#include "twID3/twID3.h"

#include "platform/platform.h"

#include <algorithm>

namespace sonrik::twID3 {

namespace {

constexpr std::string_view kBegin = "LYRICSBEGIN";
constexpr std::string_view kEndV1 = "LYRICSEND";
constexpr std::string_view kEndV2 = "LYRICS200";
constexpr std::int64_t kMarkerFromEnd = 137;  // end marker: 9 bytes in front of the record
constexpr std::size_t kReadPiece = 5000;

std::string PadNumber(std::size_t n, std::size_t width)
{
    std::string digits = std::to_string(n);
    if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
    return digits;
}

// A size field: leading blanks, then decimal digits only.
std::optional<std::size_t> ReadSize(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    if (i == text.size()) return std::nullopt;
    std::size_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        value = value * 10 + static_cast<std::size_t>(text[i] - '0');
    }
    return value;
}

std::string ReadAt(platform::File& file, std::int64_t pos, std::size_t count)
{
    std::string bytes(count, '\0');
    file.seek(pos);
    file.readExact(bytes.data(), count);
    return bytes;
}

void AppendField(std::string& block, std::string_view id, std::string_view data)
{
    if (data.empty()) return;
    if (data.size() > Lyrics3v2FieldLimit)
        throw Error("The Lyrics3 field " + std::string(id) + " holds " + std::to_string(data.size()) +
                    " bytes; a Lyrics3 v2.00 field can hold at most " + std::to_string(Lyrics3v2FieldLimit) +
                    " bytes");
    block += id;
    block += PadNumber(data.size(), 5);
    block += data;
}

}  // namespace

TtwLyrics3::TtwLyrics3(TtwID3v1& owner) : owner_(&owner) {}

// ---- setters -------------------------------------------------------------

void TtwLyrics3::AutoSave()
{
    if (owner_->Owner().AutoSave()) owner_->Owner().Save();
}

void TtwLyrics3::RaiseFlags()
{
    owner_->useLyrics3_ = true;
    owner_->Owner().useID3v1_ = true;
}

void TtwLyrics3::RaiseV2Flags()
{
    useLyrics3v2_ = true;
    RaiseFlags();
}

void TtwLyrics3::SetText(std::string& field, std::string_view value)
{
    field.assign(value.substr(0, Lyrics3TextLimit));
    if (!value.empty()) RaiseV2Flags();
    AutoSave();
}

void TtwLyrics3::SetArtist(std::string_view value) { SetText(artist_, value); }
void TtwLyrics3::SetAlbum(std::string_view value) { SetText(album_, value); }
void TtwLyrics3::SetAuthor(std::string_view value) { SetText(author_, value); }
void TtwLyrics3::SetTitle(std::string_view value) { SetText(title_, value); }

void TtwLyrics3::SetLyrics(const LineList& lines)
{
    if (&lines != &lyrics_) lyrics_ = lines;
    if (!lines.empty()) RaiseFlags();
    AutoSave();
}

void TtwLyrics3::SetImages(const LineList& lines)
{
    if (&lines != &images_) images_ = lines;
    if (!lines.empty()) RaiseV2Flags();
    AutoSave();
}

void TtwLyrics3::SetInfos(const LineList& lines)
{
    if (&lines != &infos_) infos_ = lines;
    if (!lines.empty()) RaiseV2Flags();
    AutoSave();
}

void TtwLyrics3::SetOthers(const LineList& lines)
{
    if (&lines != &others_) others_ = lines;
    if (!lines.empty()) RaiseV2Flags();
    AutoSave();
}

void TtwLyrics3::SetUseTimestamp(bool value)
{
    useTimestamp_ = value;
    if (value) RaiseV2Flags();
    AutoSave();
}

// ---- operations ------------------------------------------------------------

void TtwLyrics3::ClearLyrics() { lyrics_.clear(); }

void TtwLyrics3::Assign(const TtwLyrics3& source)
{
    if (&source == this) return;
    album_ = source.album_;
    artist_ = source.artist_;
    author_ = source.author_;
    title_ = source.title_;
    useLyrics3v2_ = source.useLyrics3v2_;
    lyrics_ = source.lyrics_;
    infos_ = source.infos_;
    images_ = source.images_;
    others_ = source.others_;
    useTimestamp_ = source.useTimestamp_;
    owner_ = source.owner_;
}

void TtwLyrics3::Reset()
{
    useLyrics3v2_ = false;
    useTimestamp_ = false;
    album_.clear();
    artist_.clear();
    author_.clear();
    title_.clear();
    images_.clear();
    infos_.clear();
    lyrics_.clear();
    others_.clear();
}

std::optional<std::int64_t> TtwLyrics3::LocateLyrics3(platform::File& file) const
{
    const std::int64_t size = file.size();
    const std::int64_t n = size - kMarkerFromEnd;
    if (n < static_cast<std::int64_t>(kBegin.size())) return std::nullopt;

    const std::string marker = ReadAt(file, n, kEndV2.size());
    std::int64_t lowest;  // earliest position a block of this version can start at
    std::int64_t searchEnd = n;
    if (marker == kEndV2) {
        constexpr std::int64_t kDigits = 6;
        if (n < kDigits) return std::nullopt;
        searchEnd = n - kDigits;
        if (const auto v = ReadSize(ReadAt(file, searchEnd, kDigits))) {
            const std::int64_t start = searchEnd - static_cast<std::int64_t>(*v);
            if (*v >= kBegin.size() && start >= 0 && ReadAt(file, start, kBegin.size()) == kBegin)
                return start;
        }
        lowest = searchEnd - static_cast<std::int64_t>(Lyrics3v2BlockLimit);
    } else if (marker == kEndV1) {
        lowest = n - static_cast<std::int64_t>(Lyrics3v1LyricsLimit + kBegin.size());
    } else {
        return std::nullopt;
    }

    // The size field is missing or wrong: look back for the start marker, no
    // further than the largest block can reach. The nearest one wins, so
    // nothing in front of the block is ever taken for part of it.
    lowest = std::max<std::int64_t>(lowest, 0);
    const std::string window = ReadAt(file, lowest, static_cast<std::size_t>(searchEnd - lowest));
    const auto found = window.rfind(kBegin);
    if (found == std::string::npos) return std::nullopt;
    return lowest + static_cast<std::int64_t>(found);
}

void TtwLyrics3::ReadFromFile(platform::File& file)
{
    const std::int64_t size = file.size();
    bool& useLyrics3 = owner_->useLyrics3_;
    useLyrics3 = false;
    useLyrics3v2_ = false;

    // A file too short to hold a marker in front of its record simply has none.
    if (size >= kMarkerFromEnd) {
        std::string marker(kEndV2.size(), '\0');
        file.seek(size - kMarkerFromEnd);
        marker.resize(file.read(marker.data(), marker.size()));
        if (marker == kEndV1) useLyrics3 = true;
        if (marker == kEndV2) useLyrics3 = useLyrics3v2_ = true;
    }

    if (useLyrics3) {
        if (const auto start = LocateLyrics3(file)) {
            std::string block;
            std::string piece;
            file.seek(*start);
            for (std::int64_t left = size - static_cast<std::int64_t>(ID3v1Size) - *start; left > 0;) {
                piece.resize(static_cast<std::size_t>(std::min<std::int64_t>(left, kReadPiece)));
                file.readExact(piece.data(), piece.size());
                left -= static_cast<std::int64_t>(piece.size());
                block.append(piece.data(), std::min(piece.find('\0'), piece.size()));
            }
            const std::size_t framing = kBegin.size() + kEndV2.size();
            const std::string_view body = block.size() > framing
                ? std::string_view(block).substr(kBegin.size(), block.size() - framing)
                : std::string_view{};
            if (useLyrics3v2_)
                ParseFields(body);
            else
                lyrics_ = TextToLines(body);
        } else {
            useLyrics3 = useLyrics3v2_ = false;
        }
    }

    if (!useLyrics3) lyrics_.clear();
    if (!useLyrics3v2_) {
        images_.clear();
        infos_.clear();
        artist_.clear();
        album_.clear();
        author_.clear();
        title_.clear();
    }
}

void TtwLyrics3::ParseFields(std::string_view rest)
{
    constexpr std::size_t kHeader = 8;  // 3-letter id and 5 size digits
    while (rest.size() > kHeader) {
        const std::string_view id = rest.substr(0, 3);
        const auto size = ReadSize(rest.substr(3, 5));
        if (!size || rest.size() < *size + kHeader) break;
        const std::string_view data = rest.substr(kHeader, *size);
        rest.remove_prefix(kHeader + *size);

        if (id == "IND")
            useTimestamp_ = data.size() >= 2 && data[1] == '1';
        else if (id == "LYR")
            lyrics_ = TextToLines(data);
        else if (id == "INF")
            infos_ = TextToLines(data);
        else if (id == "IMG")
            images_ = TextToLines(data);
        else if (id == "AUT")
            author_.assign(data.substr(0, Lyrics3TextLimit));
        else if (id == "EAL")
            album_.assign(data.substr(0, Lyrics3TextLimit));
        else if (id == "EAR")
            artist_.assign(data.substr(0, Lyrics3TextLimit));
        else if (id == "ETT")
            title_.assign(data.substr(0, Lyrics3TextLimit));
    }
}

std::string TtwLyrics3::BuildBlock() const
{
    const std::string lyrics = LinesToText(lyrics_);
    if (!useLyrics3v2_) {
        if (lyrics.size() > Lyrics3v1LyricsLimit)
            throw Error("The lyrics hold " + std::to_string(lyrics.size()) +
                        " bytes; a Lyrics3 version 1 block can hold at most " +
                        std::to_string(Lyrics3v1LyricsLimit) + " bytes of lyrics");
        // Version 1 has no size: readers find the block by its markers, so
        // lyrics that contain one would be read back cut short.
        for (const std::string_view marker : {kBegin, kEndV1})
            if (lyrics.find(marker) != std::string::npos)
                throw Error("The lyrics contain \"" + std::string(marker) +
                            "\", which a Lyrics3 version 1 block cannot hold");
        return std::string(kBegin) + lyrics + std::string(kEndV1);
    }

    std::string block(kBegin);
    block += "IND00002";
    block += lyrics.empty() ? '0' : '1';
    block += useTimestamp_ ? '1' : '0';
    AppendField(block, "LYR", lyrics);
    AppendField(block, "AUT", author_);
    AppendField(block, "EAL", album_);
    AppendField(block, "EAR", artist_);
    AppendField(block, "ETT", title_);
    AppendField(block, "INF", LinesToText(infos_));
    AppendField(block, "IMG", LinesToText(images_));
    block += LinesToText(others_);
    if (block.size() > Lyrics3v2BlockLimit)
        throw Error("The Lyrics3 block would be " + std::to_string(block.size()) +
                    " bytes long; a Lyrics3 v2.00 block can hold at most " +
                    std::to_string(Lyrics3v2BlockLimit) + " bytes");
    block += PadNumber(block.size(), 6);
    block += kEndV2;
    return block;
}

}  // namespace sonrik::twID3
