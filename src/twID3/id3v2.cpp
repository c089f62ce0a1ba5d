#include "twID3/id3v2.h"

#include "platform/platform.h"
#include "twID3/id3v2_frames.h"
#include "twID3/twID3.h"

#include <algorithm>

namespace sonrik::twID3 {

namespace {

constexpr std::int64_t kHeaderSize = 10;  // header and footer alike
// The first read takes the header and, in most files, every text frame in
// front of the picture; later reads take as much again where frames go on.
// The first read at the head: the header and, in most tags, the text frames
// in front of any picture. Most files carry no tag there, and every byte of a
// read is copied, so it is kept short; later reads take what they need in
// windows a little larger.
constexpr std::size_t kFirstRead = 512;
constexpr std::size_t kWindow = 1024;

constexpr std::uint8_t kUnsync = 0x80, kExtended = 0x40, kCompressed22 = 0x40, kFooter = 0x10;
// Frame flags (second byte): 2.3 and 2.4.
constexpr std::uint16_t kCompressed23 = 0x0080, kEncrypted23 = 0x0040, kGrouped23 = 0x0020;
constexpr std::uint16_t kGrouped24 = 0x0040, kCompressed24 = 0x0008, kEncrypted24 = 0x0004,
                        kUnsync24 = 0x0002, kLengthIndicator24 = 0x0001;

std::uint8_t Byte(std::string_view b, std::size_t i) { return static_cast<std::uint8_t>(b[i]); }

bool SyncSafe(std::string_view b) { return std::all_of(b.begin(), b.end(), [](char c) { return (c & 0x80) == 0; }); }

std::int64_t Number(std::string_view b, int bitsPerByte)
{
    std::int64_t n = 0;
    for (std::size_t i = 0; i < b.size(); ++i) n = n << bitsPerByte | (Byte(b, i) & ((1 << bitsPerByte) - 1));
    return n;
}

std::string At(std::int64_t pos) { return " at byte " + std::to_string(pos); }

// A header ("ID3") or footer ("3DI"): version, flags and the size of what
// follows the header, footer excluded.
struct Header {
    std::uint8_t version = 0, revision = 0, flags = 0;
    std::int64_t size = 0;
    std::int64_t Total() const { return kHeaderSize + size + ((version == 4 && flags & kFooter) ? kHeaderSize : 0); }
};

// Nothing when the marker is not there; a header, or the reason it is broken.
std::optional<Header> ParseHeader(std::string_view b, std::string_view marker, std::int64_t pos, std::string& error)
{
    if (!b.starts_with(marker)) return std::nullopt;
    if (b.size() < kHeaderSize) {
        error = "the ID3v2 header" + At(pos) + " is cut off by the end of the file";
        return std::nullopt;
    }
    Header h{Byte(b, 3), Byte(b, 4), Byte(b, 5), Number(b.substr(6, 4), 7)};
    if (h.version < 2 || h.version > 4 || h.revision == 0xFF)
        error = "the ID3v2 tag" + At(pos) + " has version 2." + std::to_string(h.version) + ", which is not read";
    else if (!SyncSafe(b.substr(6, 4)))
        error = "the size of the ID3v2 tag" + At(pos) + " is not a sync-safe number";
    else if (h.version == 2 && h.flags & kCompressed22)
        error = "the ID3v2.2 tag" + At(pos) + " is compressed as a whole, which no reader can undo";
    return error.empty() ? std::optional(h) : std::nullopt;
}

std::string ReadBytes(platform::File& file, std::int64_t pos, std::int64_t count)
{
    std::string bytes(static_cast<std::size_t>(count), '\0');
    bytes.resize(file.readAt(pos, bytes.data(), bytes.size()));
    return bytes;
}

// Undoes unsynchronisation: every 0xFF 0x00 becomes 0xFF. `removed` gets the
// position in the result in front of which each zero was taken out.
std::string Resync(std::string_view bytes, std::vector<std::int64_t>* removed = nullptr)
{
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        out += bytes[i];
        if (Byte(bytes, i) == 0xFF && i + 1 < bytes.size() && bytes[i + 1] == '\0') {
            ++i;
            if (removed) removed->push_back(static_cast<std::int64_t>(out.size()));
        }
    }
    return out;
}

// The bytes behind a tag's header up to its footer, read from the file in
// windows where they are needed, so that a picture is passed over unread.
// A tag unsynchronised as a whole (2.2, 2.3) is read and resynchronised at
// once: its frame sizes count the bytes after that.
class TagBody {
public:
    // `first`: bytes of the body already read, from its start.
    TagBody(platform::File& file, std::int64_t filePos, std::int64_t length, std::string first, bool unsync)
        : file_(&file), filePos_(filePos), length_(length), held_(std::move(first))
    {
        if (unsync) {
            held_ = Resync(ReadBytes(file, filePos, length), &removed_);
            length_ = static_cast<std::int64_t>(held_.size());
        }
        held_.resize(std::min<std::size_t>(held_.size(), static_cast<std::size_t>(length_)));
    }
    std::int64_t Length() const { return length_; }
    // The file position of body position `pos`.
    std::int64_t FilePos(std::int64_t pos) const
    {
        return filePos_ + pos + (std::upper_bound(removed_.begin(), removed_.end(), pos) - removed_.begin());
    }
    // `count` bytes at `pos`, which the caller has checked lie in the body. Throws IoError.
    std::string_view Get(std::int64_t pos, std::int64_t count)
    {
        if (pos < from_ || pos + count > from_ + static_cast<std::int64_t>(held_.size())) {
            const std::int64_t want = std::min(std::max<std::int64_t>(count, kWindow), length_ - pos);
            held_ = ReadBytes(*file_, filePos_ + pos, want);
            from_ = pos;
            if (static_cast<std::int64_t>(held_.size()) < count) throw IoError(ioerr::ReadBeyondEnd);
        }
        return std::string_view(held_).substr(static_cast<std::size_t>(pos - from_), static_cast<std::size_t>(count));
    }

private:
    platform::File* file_;
    std::int64_t filePos_, length_;
    std::string held_;
    std::int64_t from_ = 0;
    std::vector<std::int64_t> removed_;
};

void AddNote(ID3v2Tag& tag, const std::string& note) { tag.note += (tag.note.empty() ? "" : "; ") + note; }

bool IsIdChar(char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

// Walks the frames of one tag and collects what it reads.
class FrameWalk {
public:
    FrameWalk(TagBody& body, ID3v2Tag& tag, std::int64_t start, std::int64_t end)
        : body_(body), tag_(tag), values_(tag.version), pos_(start), end_(end)
    {
    }

    // Empty, or why the frames are broken.
    std::string Run()
    {
        while (pos_ < end_) {
            const std::int64_t left = end_ - pos_;
            const std::string_view first = body_.Get(pos_, std::min<std::int64_t>(left, HeaderSize()));
            if (first[0] == '\0') break;  // padding
            if (left < HeaderSize() || !ValidId(first)) {
                if (tag_.frames.empty()) return "the ID3v2 tag holds no frame where its first frame should begin";
                AddNote(tag_, std::to_string(left) + " bytes after the last frame are neither a frame nor padding");
                break;
            }
            if (auto error = Frame(std::string(first)); !error.empty()) return error;
        }
        tag_.padding = end_ - pos_;
        values_.Finish(tag_);
        return {};
    }

private:
    std::int64_t HeaderSize() const { return tag_.version == 2 ? 6 : 10; }
    std::size_t IdSize() const { return tag_.version == 2 ? 3 : 4; }
    bool ValidId(std::string_view b) const
    {
        return std::all_of(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(IdSize()), IsIdChar);
    }

    // Whether a frame, padding or the end of the frames begins at `pos`.
    bool FrameCanFollowAt(std::int64_t pos)
    {
        if (pos == end_) return true;
        if (pos > end_) return false;
        const std::string_view next = body_.Get(pos, std::min<std::int64_t>(end_ - pos, 4));
        return next[0] == '\0' || (next.size() == 4 && ValidId(next));
    }

    // 2.4 sizes are sync-safe, but some writers store plain numbers: the
    // sync-safe reading wins when the next frame begins where it says.
    std::int64_t DataSize(std::string_view raw)
    {
        if (tag_.version == 2) return Number(raw, 8);
        const std::int64_t plain = Number(raw, 8);
        if (tag_.version == 3) return plain;
        const std::int64_t safe = Number(raw, 7);
        if (safe == plain) return safe;
        const std::int64_t after = pos_ + HeaderSize();
        if (SyncSafe(raw) && FrameCanFollowAt(after + safe)) return safe;
        if (FrameCanFollowAt(after + plain)) return plain;
        return SyncSafe(raw) ? safe : plain;
    }

    std::string Frame(const std::string& header)
    {
        const std::string id = header.substr(0, IdSize());
        const std::int64_t size = DataSize(std::string_view(header).substr(IdSize(), IdSize()));
        const std::int64_t left = end_ - pos_ - HeaderSize();
        if (size > left)
            return "the frame " + id + At(body_.FilePos(pos_)) + " claims " + std::to_string(size) +
                   " bytes, but only " + std::to_string(left) + " are left in the tag";
        ID3v2Frame frame{id, 0, body_.FilePos(pos_), 0, true};
        if (tag_.version > 2) frame.flags = static_cast<std::uint16_t>(Byte(header, 8) << 8 | Byte(header, 9));
        const std::int64_t dataPos = pos_ + HeaderSize();
        pos_ = dataPos + size;
        frame.size = body_.FilePos(pos_) - frame.offset;

        const std::uint16_t f = frame.flags;
        const bool v3 = tag_.version == 3, v4 = tag_.version == 4;
        frame.readable = !(v3 && f & (kCompressed23 | kEncrypted23)) && !(v4 && f & (kCompressed24 | kEncrypted24));
        const int row = id3v2::WantedFrame(id, tag_.version);
        if (frame.readable && row >= 0) {
            // Flag bytes in front of the data: a group id, a data length.
            const std::int64_t extra = (v3 && f & kGrouped23 ? 1 : 0) + (v4 && f & kGrouped24 ? 1 : 0) +
                                       (v4 && f & kLengthIndicator24 ? 4 : 0);
            std::string_view data;
            std::string resynced;
            if (size > extra) data = body_.Get(dataPos + extra, size - extra);
            if (v4 && (f & kUnsync24 || tag_.flags & kUnsync)) data = resynced = Resync(data);
            frame.readable = values_.Take(row, data);
        }
        if (!frame.readable) tag_.unread.push_back(id);
        tag_.frames.push_back(std::move(frame));
        return {};
    }

    TagBody& body_;
    ID3v2Tag& tag_;
    id3v2::FrameValues values_;
    std::int64_t pos_, end_;
};

// Reads the tag whose header stands at `pos`; `first` holds the bytes read
// from there so far (at least the header). `limit`: where the tag must end.
ID3v2Read ReadTagAt(platform::File& file, std::int64_t pos, std::int64_t limit, std::string first, const Header& h)
{
    ID3v2Read result;
    if (pos + h.Total() > limit) {
        result.error = "the ID3v2 tag" + At(pos) + " claims " + std::to_string(h.Total()) + " bytes, but only " +
                       std::to_string(limit - pos) + " are there";
        return result;
    }
    ID3v2Tag tag;
    tag.version = h.version;
    tag.revision = h.revision;
    tag.flags = h.flags;
    tag.offset = pos;
    tag.size = h.Total();

    first.erase(0, std::min<std::size_t>(first.size(), kHeaderSize));
    const bool wholeUnsync = h.version < 4 && h.flags & kUnsync;
    TagBody body(file, pos + kHeaderSize, h.size, std::move(first), wholeUnsync);

    std::int64_t start = 0;
    if (h.version > 2 && h.flags & kExtended) {
        if (body.Length() < 4) {
            result.error = "the extended header of the ID3v2 tag" + At(pos) + " is cut off";
            return result;
        }
        // 2.3 counts the bytes after the size, 2.4 the whole extended header (sync-safe).
        const std::string_view raw = body.Get(0, 4);
        start = h.version == 3 ? 4 + Number(raw, 8) : Number(raw, 7);
        if ((h.version == 4 && (!SyncSafe(raw) || start < 6)) || start > body.Length()) {
            result.error = "the extended header of the ID3v2 tag" + At(pos) + " claims " + std::to_string(start) +
                           " bytes, which the tag cannot hold";
            return result;
        }
    }
    if (auto error = FrameWalk(body, tag, start, body.Length()).Run(); !error.empty()) {
        result.error = std::move(error);
        return result;
    }
    result.tag = std::move(tag);
    return result;
}

// The header position of a tag appended in front of `tailAreaStart`, found by
// its footer; nothing when there is no footer, with `error` set when there
// is one that points nowhere.
std::optional<std::int64_t> FindAppended(platform::File& file, FileTail* tail, std::int64_t from,
                                         std::int64_t tailAreaStart, std::string& error)
{
    const std::int64_t footerPos = tailAreaStart - kHeaderSize;
    if (footerPos < from) return std::nullopt;
    std::string footer;
    if (tail) {
        tail->Extend(footerPos);
        footer = tail->Bytes(footerPos, kHeaderSize);
    } else {
        footer = ReadBytes(file, footerPos, kHeaderSize);
    }
    const auto f = ParseHeader(footer, "3DI", footerPos, error);
    if (!f) return std::nullopt;
    const std::int64_t start = tailAreaStart - f->Total();
    if (f->version != 4 || start < from) {
        error = "the ID3v2 footer" + At(footerPos) + " points to no tag in front of it";
        return std::nullopt;
    }
    return start;
}

}  // namespace

ID3v2Read ReadID3v2(platform::File& file, std::int64_t size, std::int64_t tailAreaStart, FileTail* tail)
{
    tailAreaStart = std::clamp<std::int64_t>(tailAreaStart, 0, size);
    ID3v2Read result;
    std::string first = ReadBytes(file, 0, std::min<std::int64_t>(size, kFirstRead));
    if (const auto h = ParseHeader(first, "ID3", 0, result.error)) {
        result = ReadTagAt(file, 0, size, std::move(first), *h);
        std::string ignored;  // a broken footer behind a good tag at the head is not this read's concern
        if (result.tag && FindAppended(file, tail, result.tag->size, tailAreaStart, ignored))
            AddNote(*result.tag, "the file also holds an ID3v2 tag at its end; the one at its start was read");
        return result;
    }
    if (!result.error.empty()) return result;

    const auto start = FindAppended(file, tail, 0, tailAreaStart, result.error);
    if (!start) return result;
    first = ReadBytes(file, *start, std::min<std::int64_t>(tailAreaStart - *start, kFirstRead));
    const auto h = ParseHeader(first, "ID3", *start, result.error);
    if (!h || !(h->flags & kFooter) || *start + h->Total() != tailAreaStart) {
        if (result.error.empty())
            result.error = "the ID3v2 footer in front of byte " + std::to_string(tailAreaStart) +
                           " does not match the header it points to";
        return result;
    }
    result = ReadTagAt(file, *start, tailAreaStart, std::move(first), *h);
    if (result.tag) result.tag->atEnd = true;
    return result;
}

}  // namespace sonrik::twID3
