#include "twID3/twID3.h"

#include "platform/errors.h"
#include "platform/platform.h"
#include "text/text.h"

#include <algorithm>

namespace sonrik::twID3 {

namespace {

// The texts of these refusals are ASCII: field ids, numbers and markers.
Error Refusal(const std::string& ascii) { return Error(text::AsUtf8(ascii)); }

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


bool IsIdLetter(char c) { return c >= 'A' && c <= 'Z'; }

// The bytes read as a chain of well-formed fields (an id of three capital
// letters, five size digits, that many bytes) that ends exactly at their end.
bool IsFieldChain(std::string_view bytes)
{
    constexpr std::size_t kHeader = 8;
    while (!bytes.empty()) {
        if (bytes.size() < kHeader || !IsIdLetter(bytes[0]) || !IsIdLetter(bytes[1]) || !IsIdLetter(bytes[2]))
            return false;
        const auto size = ReadSize(bytes.substr(3, 5));
        if (!size || bytes.size() - kHeader < *size) return false;
        bytes.remove_prefix(kHeader + *size);
    }
    return true;
}

// Readers end a value at a zero byte, so a value holding one comes back cut.
void CheckNoZero(std::string_view id, std::string_view what, std::string_view data)
{
    if (data.find('\0') != std::string_view::npos)
        throw Refusal("The Lyrics3 field " + std::string(id) + " (" + std::string(what) +
                    ") contains a zero byte, which a Lyrics3 block cannot hold");
}

void AppendField(std::string& block, std::string_view id, std::string_view what, std::string_view data)
{
    if (data.empty()) return;
    CheckNoZero(id, what, data);
    if (data.size() > Lyrics3v2FieldLimit)
        throw Refusal("The Lyrics3 field " + std::string(id) + " holds " + std::to_string(data.size()) +
                    " bytes; a Lyrics3 v2.00 field can hold at most " + std::to_string(Lyrics3v2FieldLimit) +
                    " bytes");
    block += id;
    block += PadNumber(data.size(), 5);
    block += data;
}

}  // namespace

// ---- file tail -------------------------------------------------------------

FileTail::FileTail(platform::File& file, std::int64_t size) : file_(&file), size_(size), from_(size)
{
    Extend(size - kFirstRead);
}

void FileTail::Extend(std::int64_t pos)
{
    if (pos >= from_) return;
    // A little more than asked: what stands in front of a block (the footer
    // of an ID3v2 tag appended there) is looked at next.
    constexpr std::int64_t kReadAhead = 64;
    pos = std::max<std::int64_t>(pos - kReadAhead, 0);
    const auto count = static_cast<std::size_t>(from_ - pos);
    // The first read goes straight into place; a later one in front of it.
    std::string missing;
    std::string& into = bytes_.empty() ? bytes_ : missing;
    into.resize(count);
    if (file_->readAt(pos, into.data(), count) != count) {
        bytes_.clear();
        throw IoError(ioerr::ReadBeyondEnd);
    }
    if (!missing.empty()) bytes_.insert(0, missing);
    from_ = pos;
}

std::string_view FileTail::Bytes(std::int64_t pos, std::size_t count) const
{
    return std::string_view(bytes_).substr(static_cast<std::size_t>(pos - from_), count);
}

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
    // What the source loaded belongs to the file it loaded.
    loaded_.reset();
    otherFields_.clear();
    moreIndicators_.clear();
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
    loaded_.reset();
    otherFields_.clear();
    moreIndicators_.clear();
}

std::optional<std::int64_t> TtwLyrics3::LocateLyrics3(FileTail& tail) const
{
    const std::int64_t n = tail.Size() - kMarkerFromEnd;
    if (n < static_cast<std::int64_t>(kBegin.size())) return std::nullopt;

    const std::string marker(tail.Bytes(n, kEndV2.size()));  // held bytes move when the tail grows
    std::int64_t lowest;  // earliest position a block of this version can start at
    std::int64_t searchEnd = n;
    bool v2 = false;
    if (marker == kEndV2) {
        constexpr std::int64_t kDigits = 6;
        v2 = true;
        searchEnd = n - kDigits;
        if (const auto v = ReadSize(tail.Bytes(searchEnd, kDigits))) {
            const std::int64_t start = searchEnd - static_cast<std::int64_t>(*v);
            if (*v >= kBegin.size() && start >= 0) {
                tail.Extend(start);
                if (tail.Bytes(start, kBegin.size()) == kBegin) return start;
            }
        }
        lowest = searchEnd - static_cast<std::int64_t>(Lyrics3v2BlockLimit);
    } else if (marker == kEndV1) {
        lowest = n - static_cast<std::int64_t>(Lyrics3v1LyricsLimit + kBegin.size());
    } else {
        return std::nullopt;
    }

    // The size field is missing or wrong: look back for the start marker, no
    // further than the largest block can reach. The nearest one wins, so
    // nothing in front of the block is ever taken for part of it; but a
    // version 2.00 block is made of fields, and a marker quoted inside one
    // (lyrics about the format) is passed over for the one in front of it
    // when only that one starts whole fields up to the size digits.
    lowest = std::max<std::int64_t>(lowest, 0);
    tail.Extend(lowest);
    const std::string_view window = tail.Bytes(lowest, static_cast<std::size_t>(searchEnd - lowest));
    const auto nearest = window.rfind(kBegin);
    if (nearest == std::string_view::npos) return std::nullopt;
    if (v2) {
        for (auto at = nearest; at != std::string_view::npos; at = at ? window.rfind(kBegin, at - 1) : std::string_view::npos) {
            if (IsFieldChain(window.substr(at + kBegin.size())))
                return lowest + static_cast<std::int64_t>(at);
        }
    }
    return lowest + static_cast<std::int64_t>(nearest);
}

std::optional<std::int64_t> TtwLyrics3::ReadFromFile(FileTail& tail)
{
    const std::int64_t size = tail.Size();
    std::optional<std::int64_t> blockStart;
    bool& useLyrics3 = owner_->useLyrics3_;
    useLyrics3 = false;
    useLyrics3v2_ = false;
    loaded_.reset();
    otherFields_.clear();
    moreIndicators_.clear();

    // A file too short to hold a marker in front of its record simply has none.
    if (size >= kMarkerFromEnd) {
        const std::string_view marker = tail.Bytes(size - kMarkerFromEnd, kEndV2.size());
        if (marker == kEndV1) useLyrics3 = true;
        if (marker == kEndV2) useLyrics3 = useLyrics3v2_ = true;
    }

    if (useLyrics3) {
        if (const auto start = LocateLyrics3(tail)) {
            const std::string_view raw =
                tail.Bytes(*start, static_cast<std::size_t>(size - static_cast<std::int64_t>(ID3v1Size) - *start));
            // Read as in pieces of 5000 bytes, each up to its first zero byte.
            std::string block;
            for (std::size_t at = 0; at < raw.size(); at += kReadPiece) {
                const std::string_view piece = raw.substr(at, kReadPiece);
                block.append(piece.substr(0, std::min(piece.find('\0'), piece.size())));
            }
            const std::size_t framing = kBegin.size() + kEndV2.size();
            const std::string_view body = block.size() > framing
                ? std::string_view(block).substr(kBegin.size(), block.size() - framing)
                : std::string_view{};
            if (useLyrics3v2_)
                ParseFields(body);
            else
                lyrics_ = TextToLines(body);
            loaded_ = Loaded{std::string(raw), useLyrics3v2_, CurrentValues()};
            blockStart = start;
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
    return blockStart;
}

void TtwLyrics3::ParseFields(std::string_view rest)
{
    constexpr std::size_t kHeader = 8;  // 3-letter id and 5 size digits
    while (rest.size() > kHeader) {
        const std::string_view id = rest.substr(0, 3);
        const auto size = ReadSize(rest.substr(3, 5));
        if (!size || rest.size() < *size + kHeader) break;
        const std::string_view field = rest.substr(0, kHeader + *size);
        const std::string_view data = field.substr(kHeader);
        rest.remove_prefix(field.size());

        if (id == "IND") {
            useTimestamp_ = data.size() >= 2 && data[1] == '1';
            moreIndicators_.assign(data.size() > 2 ? data.substr(2) : std::string_view{});
        } else if (id == "LYR")
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
        else
            otherFields_ += field;
    }
}

TtwLyrics3::Values TtwLyrics3::CurrentValues() const
{
    return {album_, artist_, author_, title_, images_, infos_, lyrics_, others_, useTimestamp_};
}

bool TtwLyrics3::Unchanged() const
{
    if (!loaded_ || loaded_->v2 != useLyrics3v2_) return false;
    // A version 1 block holds the lyrics and nothing else.
    return useLyrics3v2_ ? loaded_->values == CurrentValues() : loaded_->values.lyrics == lyrics_;
}

std::string TtwLyrics3::BuildBlock() const
{
    if (Unchanged()) return loaded_->bytes;
    if (useLyrics3v2_) return BuildV2();

    const std::string lyrics = LinesToText(lyrics_);
    if (lyrics.size() > Lyrics3v1LyricsLimit)
        throw Refusal("The lyrics hold " + std::to_string(lyrics.size()) +
                    " bytes; a Lyrics3 version 1 block can hold at most " + std::to_string(Lyrics3v1LyricsLimit) +
                    " bytes of lyrics");
    CheckNoZero("LYR", "lyrics", lyrics);
    // Version 1 has no size: readers find the block by its markers, so lyrics
    // that contain one would be read back cut short. A block that already
    // holds such lyrics is written back as it stood (see Unchanged).
    for (const std::string_view marker : {kBegin, kEndV1}) {
        if (lyrics.find(marker) != std::string::npos)
            throw Refusal("The lyrics contain \"" + std::string(marker) +
                        "\", which a Lyrics3 version 1 block cannot hold");
    }
    return std::string(kBegin) + lyrics + std::string(kEndV1);
}

std::string TtwLyrics3::BuildV2() const
{
    const std::string lyrics = LinesToText(lyrics_);
    std::string block(kBegin);
    block += "IND";
    block += PadNumber(2 + moreIndicators_.size(), 5);
    block += lyrics.empty() ? '0' : '1';
    block += useTimestamp_ ? '1' : '0';
    block += moreIndicators_;
    AppendField(block, "LYR", "lyrics", lyrics);
    AppendField(block, "AUT", "author", author_);
    AppendField(block, "EAL", "album", album_);
    AppendField(block, "EAR", "artist", artist_);
    AppendField(block, "ETT", "title", title_);
    AppendField(block, "INF", "information", LinesToText(infos_));
    AppendField(block, "IMG", "images", LinesToText(images_));
    block += otherFields_;
    const std::string others = LinesToText(others_);
    if (others.find('\0') != std::string::npos)
        throw Refusal("The other Lyrics3 fields contain a zero byte, which a Lyrics3 block cannot hold");
    block += others;
    if (block.size() > Lyrics3v2BlockLimit)
        throw Refusal("The Lyrics3 block would be " + std::to_string(block.size()) +
                    " bytes long; a Lyrics3 v2.00 block can hold at most " +
                    std::to_string(Lyrics3v2BlockLimit) + " bytes");
    block += PadNumber(block.size(), 6);
    block += kEndV2;
    return block;
}

}  // namespace sonrik::twID3
