#include "twID3/id3v2_write.h"

#include "platform/errors.h"
#include "platform/platform.h"
#include "text/text.h"
#include "text/utf8.h"
#include "twID3/twID3.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace sonrik::twID3 {

namespace {

constexpr std::int64_t kHeaderSize = 10;
constexpr std::int64_t kMaxSyncSafe = (std::int64_t{1} << 28) - 1;
constexpr std::uint8_t kTagUnsync = 0x80;
constexpr std::uint16_t kGrouped23 = 0x0020, kCompressed23 = 0x0080;
constexpr std::uint16_t kGrouped24 = 0x0040, kUnsync24 = 0x0002, kLengthIndicator24 = 0x0001;

std::uint8_t Byte(std::string_view b, std::size_t i) { return static_cast<std::uint8_t>(b[i]); }

std::string Plain(std::uint32_t n) { return {char(n >> 24), char(n >> 16), char(n >> 8), char(n)}; }
std::string SyncSafe(std::uint32_t n) { return {char(n >> 21 & 0x7F), char(n >> 14 & 0x7F), char(n >> 7 & 0x7F), char(n & 0x7F)}; }

std::string Resync(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        out += bytes[i];
        if (Byte(bytes, i) == 0xFF && i + 1 < bytes.size() && bytes[i + 1] == '\0') ++i;
    }
    return out;
}

// A frame header of the written version; flags as given.
std::string FrameHeader(std::uint8_t version, std::string_view id, std::size_t size, std::uint16_t flags = 0)
{
    if (version == 4 && static_cast<std::int64_t>(size) > kMaxSyncSafe)
        throw Error(u8"An ID3v2.4 frame " + std::u8string(text::AsUtf8(id)) + u8" cannot hold 256 MB or more");
    const auto n = static_cast<std::uint32_t>(size);
    return std::string(id) + (version == 4 ? SyncSafe(n) : Plain(n)) + char(flags >> 8) + char(flags & 0xFF);
}

// 2.2 ids and their 2.3 counterparts; iTunes' own 2.2 ids map to the ids
// it uses in 2.3. CRM and LNK have none (LNK's data names a 2.2 id).
constexpr std::array<std::pair<std::string_view, std::string_view>, 68> kIds22 = {{
    {"BUF", "RBUF"}, {"CNT", "PCNT"}, {"COM", "COMM"}, {"CRA", "AENC"}, {"ETC", "ETCO"}, {"EQU", "EQUA"},
    {"GEO", "GEOB"}, {"IPL", "IPLS"}, {"MCI", "MCDI"}, {"MLL", "MLLT"}, {"PIC", "APIC"}, {"POP", "POPM"},
    {"REV", "RVRB"}, {"RVA", "RVAD"}, {"SLT", "SYLT"}, {"STC", "SYTC"}, {"TAL", "TALB"}, {"TBP", "TBPM"},
    {"TCM", "TCOM"}, {"TCO", "TCON"}, {"TCR", "TCOP"}, {"TDA", "TDAT"}, {"TDY", "TDLY"}, {"TEN", "TENC"},
    {"TFT", "TFLT"}, {"TIM", "TIME"}, {"TKE", "TKEY"}, {"TLA", "TLAN"}, {"TLE", "TLEN"}, {"TMT", "TMED"},
    {"TOA", "TOPE"}, {"TOF", "TOFN"}, {"TOL", "TOLY"}, {"TOR", "TORY"}, {"TOT", "TOAL"}, {"TP1", "TPE1"},
    {"TP2", "TPE2"}, {"TP3", "TPE3"}, {"TP4", "TPE4"}, {"TPA", "TPOS"}, {"TPB", "TPUB"}, {"TRC", "TSRC"},
    {"TRD", "TRDA"}, {"TRK", "TRCK"}, {"TSI", "TSIZ"}, {"TSS", "TSSE"}, {"TT1", "TIT1"}, {"TT2", "TIT2"},
    {"TT3", "TIT3"}, {"TXT", "TEXT"}, {"TXX", "TXXX"}, {"TYE", "TYER"}, {"UFI", "UFID"}, {"ULT", "USLT"},
    {"WAF", "WOAF"}, {"WAR", "WOAR"}, {"WAS", "WOAS"}, {"WCM", "WCOM"}, {"WCP", "WCOP"}, {"WPB", "WPUB"},
    {"WXX", "WXXX"}, {"TCP", "TCMP"}, {"TST", "TSOT"}, {"TSA", "TSOA"}, {"TSP", "TSOP"}, {"TS2", "TSO2"},
    {"TSC", "TSOC"}, {"PCS", "PCST"},
}};

std::string_view Id23Of(std::string_view id22)
{
    for (const auto& [from, to] : kIds22)
        if (from == id22) return to;
    return {};
}

// A 2.2 picture's data as 2.3's: its three-letter image format as a MIME type.
std::optional<std::string> PictureData23(std::string_view data)
{
    if (data.size() < 5) return std::nullopt;
    std::string format(data.substr(1, 3));
    std::string mime;
    if (format == "-->")
        mime = format;  // the data is a link
    else if (format == "JPG")
        mime = "image/jpeg";
    else {
        for (char& c : format) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        mime = "image/" + format;
    }
    return std::string(1, data[0]) + mime + '\0' + std::string(data.substr(4));
}

// A frame of the new tag.
struct Frame {
    std::string id;
    std::string bytes;      // as written
    bool readable = false;  // `data` holds its data: flag bytes gone, resynchronised
    std::string data;
};

// The old tag's frames as they go into the new one.
std::vector<Frame> KeptFrames(const ID3v2Tag& tag, std::string_view oldBytes, std::uint8_t version,
                              std::vector<std::string>& dropped)
{
    std::vector<Frame> frames;
    const bool tagUnsync = (tag.flags & kTagUnsync) != 0;
    for (const ID3v2Frame& f : tag.frames) {
        const std::int64_t at = f.offset - tag.offset;
        const std::int64_t headerSize = tag.version == 2 ? 6 : kHeaderSize;
        if (at < kHeaderSize || f.size < headerSize || at + f.size > static_cast<std::int64_t>(oldBytes.size()))
            throw Error(u8"The bytes of the ID3v2 tag do not match the tag as read");
        std::string raw(oldBytes.substr(static_cast<std::size_t>(at), static_cast<std::size_t>(f.size)));
        Frame out{f.id, {}, f.readable, {}};
        if (tag.version == 2) {
            if (tagUnsync) raw = Resync(raw);
            std::string data = raw.substr(6);
            out.id = std::string(Id23Of(f.id));
            if (out.id == "APIC") {
                auto converted = PictureData23(data);
                if (!converted) out.id.clear();
                else data = std::move(*converted);
            }
            if (out.id.empty()) {
                dropped.push_back(f.id);
                continue;
            }
            out.bytes = FrameHeader(version, out.id, data.size()) + data;
            out.data = std::move(data);
        } else if (tag.version == 3) {
            if (tagUnsync) raw = Resync(raw);
            out.bytes = raw;
            const std::size_t extra = (f.flags & kGrouped23 ? 1 : 0) + (f.flags & kCompressed23 ? 4 : 0);
            out.data = raw.substr(std::min<std::size_t>(raw.size(), kHeaderSize + extra));
        } else {
            std::uint16_t flags = f.flags;
            // A size some writer stored as a plain number: other readers
            // take one reading for all frames, and ours are sync-safe.
            const bool plainSize = raw.substr(4, 4) != SyncSafe(static_cast<std::uint32_t>(f.size - kHeaderSize));
            if (tagUnsync || flags & kUnsync24 || plainSize) {
                flags &= static_cast<std::uint16_t>(~kUnsync24);
                const std::string data = Resync(std::string_view(raw).substr(kHeaderSize));
                raw = FrameHeader(version, f.id, data.size(), flags) + data;
            }
            out.bytes = raw;
            const std::size_t extra = (flags & kGrouped24 ? 1 : 0) + (flags & kLengthIndicator24 ? 4 : 0);
            out.data = raw.substr(std::min<std::size_t>(raw.size(), kHeaderSize + extra));
        }
        if (!out.readable) out.data.clear();
        frames.push_back(std::move(out));
    }
    return frames;
}

// Whether a COMM or USLT frame's description is empty.
bool EmptyDescription(std::string_view data)
{
    if (data.size() < 4) return false;
    const std::uint8_t encoding = Byte(data, 0);
    std::string_view rest = data.substr(4);
    if (encoding == 1 && (rest.starts_with("\xFF\xFE") || rest.starts_with("\xFE\xFF"))) rest.remove_prefix(2);
    if (encoding == 3 && rest.starts_with("\xEF\xBB\xBF")) rest.remove_prefix(3);
    return encoding == 1 || encoding == 2 ? rest.starts_with(std::string_view("\0\0", 2)) : rest.starts_with('\0');
}

// Text as ISO-8859-1 where every character allows it, else UTF-16 with a
// byte-order mark: the encoding byte and the bytes.
std::pair<char, std::string> EncodeText(std::string_view utf8, std::string_view field)
{
    if (!text::IsValidUtf8(utf8))
        throw Error(u8"The new " + std::u8string(text::AsUtf8(field)) + u8" is not UTF-8 text");
    std::vector<char32_t> chars;
    for (std::string_view rest = utf8; !rest.empty();) {
        const auto d = text::DecodeUtf8(rest);
        chars.push_back(d.value);
        rest.remove_prefix(d.length);
    }
    if (std::all_of(chars.begin(), chars.end(), [](char32_t c) { return c <= 0xFF; }))
        return {'\0', std::string(chars.begin(), chars.end())};
    std::string out = "\xFF\xFE";
    auto unit = [&out](char32_t u) { out += char(u & 0xFF), out += char(u >> 8); };
    for (const char32_t c : chars) {
        if (c < 0x10000) {
            unit(c);
        } else {
            unit(0xD800 + ((c - 0x10000) >> 10));
            unit(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
    }
    return {'\1', out};
}

enum class Kind { Text, Described };

// The fields written, in the order new frames are appended.
struct FieldRow {
    std::string_view name;
    std::optional<std::string> ID3v2Changes::*value;
    std::string_view id3, id4;  // the frame in 2.3 and in 2.4
    Kind kind;
};
constexpr FieldRow kFieldRows[] = {
    {"title", &ID3v2Changes::title, "TIT2", "TIT2", Kind::Text},
    {"artist", &ID3v2Changes::artist, "TPE1", "TPE1", Kind::Text},
    {"album", &ID3v2Changes::album, "TALB", "TALB", Kind::Text},
    {"year", &ID3v2Changes::year, "TYER", "TDRC", Kind::Text},
    {"track", &ID3v2Changes::track, "TRCK", "TRCK", Kind::Text},
    {"genre", &ID3v2Changes::genre, "TCON", "TCON", Kind::Text},
    {"comment", &ID3v2Changes::comment, "COMM", "COMM", Kind::Described},
    {"lyrics", &ID3v2Changes::lyrics, "USLT", "USLT", Kind::Described},
    {"lyricist", &ID3v2Changes::lyricist, "TEXT", "TEXT", Kind::Text},
};

// A text field's frame is the first of its id even where we cannot read it
// (compressed, encrypted): a reader that can would show it before ours.
bool IsTarget(const Frame& f, std::string_view id, Kind kind)
{
    return f.id == id && (kind == Kind::Text || (f.readable && EmptyDescription(f.data)));
}

void Apply(std::vector<Frame>& frames, const FieldRow& row, const std::string& value, std::uint8_t version)
{
    const std::string_view id = version == 4 ? row.id4 : row.id3;
    const auto target =
        std::find_if(frames.begin(), frames.end(), [&](const Frame& f) { return IsTarget(f, id, row.kind); });
    std::optional<Frame> made;
    if (!value.empty()) {
        auto [encoding, bytes] = EncodeText(value, row.name);
        std::string data(1, encoding);
        if (row.kind == Kind::Described) {
            const bool hasLanguage = target != frames.end() && target->data.size() >= 4;
            data += hasLanguage ? target->data.substr(1, 3) : "eng";
            data += encoding == '\1' ? std::string("\xFF\xFE\0\0", 4) : std::string(1, '\0');
        }
        data += bytes;
        made = Frame{std::string(id), FrameHeader(version, id, data.size()) + data, true, data};
    }
    if (target != frames.end()) {
        const auto next = frames.erase(target);
        if (made) frames.insert(next, std::move(*made));
    } else if (made) {
        frames.push_back(std::move(*made));
    }
    // A 2.3 tag's TDRC would be read in front of the new TYER.
    if (row.value == &ID3v2Changes::year && version == 3)
        std::erase_if(frames, [](const Frame& f) { return f.id == "TDRC"; });
}

}  // namespace

std::string ID3v2Built::Bytes(std::int64_t size) const
{
    size = std::max(size, MinSize());
    if (size - kHeaderSize > kMaxSyncSafe) throw Error(u8"An ID3v2 tag cannot hold 256 MB or more");
    std::string out = "ID3";
    out += char(version);
    out += std::string("\0\0", 2);
    out += SyncSafe(static_cast<std::uint32_t>(size - kHeaderSize));
    out += frames;
    out.resize(static_cast<std::size_t>(size), '\0');
    return out;
}

ID3v2Built BuildID3v2(const ID3v2Tag* old, std::string_view oldBytes, const ID3v2Changes& changes)
{
    ID3v2Built built;
    std::vector<Frame> frames;
    if (old) {
        if (old->atEnd)
            throw Error(u8"The ID3v2 tag appended at the end of the file is not written; only one at its start is");
        if (static_cast<std::int64_t>(oldBytes.size()) != old->size || !oldBytes.starts_with("ID3"))
            throw Error(u8"The bytes of the ID3v2 tag do not match the tag as read");
        built.version = old->version == 4 ? 4 : 3;
        frames = KeptFrames(*old, oldBytes, built.version, built.dropped);
    }
    for (const FieldRow& row : kFieldRows)
        if (const auto& value = changes.*row.value) Apply(frames, row, *value, built.version);
    for (const Frame& f : frames) built.frames += f.bytes;
    return built;
}

namespace {

std::u8string Named(const std::string& fileName) { return text::FromAnsi(fileName); }

void WriteAll(platform::File& file, std::string_view bytes)
{
    if (file.write(bytes.data(), bytes.size()) != bytes.size()) throw IoError(ioerr::DiskFull);
}

// Writes the old tag back after an in-place write failed part-way.
void RestoreTag(platform::File& file, const std::string& fileName, std::string_view old, std::u8string_view cause)
{
    try {
        if (file.writeAt(0, old.data(), old.size()) != old.size()) throw IoError(ioerr::DiskFull);
    } catch (const std::exception& e) {
        throw Error(u8"Writing the ID3v2 tag of " + Named(fileName) + u8" failed (" + std::u8string(cause) +
                    u8"), and so did writing the old tag back (" + std::u8string(text::AsUtf8(e.what())) +
                    u8"): the tag may be damaged");
    }
}

}  // namespace

ID3v2Saved SaveID3v2(const std::string& fileName, const ID3v2Changes& changes)
{
    auto opened = platform::File::openExisting(fileName, platform::OpenMode::ReadWrite);
    if (!opened) throw IoError(ioerr::FileNotFound);
    platform::File& file = opened->file;
    const std::int64_t size = opened->size;
    FileTail tail(file, size);
    const std::int64_t tailStart = TagAreaStart(tail);
    const ID3v2Read read = ReadID3v2(file, size, tailStart, &tail);
    if (!read.error.empty())
        throw Error(u8"The ID3v2 tag of " + Named(fileName) + u8" is not written, as it cannot be read: " +
                    std::u8string(text::AsUtf8(read.error)));
    const ID3v2Tag* old = read.tag ? &*read.tag : nullptr;
    std::string oldBytes;
    if (old && !old->atEnd) {
        oldBytes.resize(static_cast<std::size_t>(old->size));
        if (file.readAt(0, oldBytes.data(), oldBytes.size()) != oldBytes.size()) throw IoError(ioerr::ReadBeyondEnd);
    }
    const ID3v2Built built = BuildID3v2(old, oldBytes, changes);

    ID3v2Saved saved;
    saved.dropped = built.dropped;
    if (!old && built.frames.empty()) return saved;
    saved.written = true;

    if (old && built.MinSize() <= old->size) {
        const std::string bytes = built.Bytes(old->size);
        saved.inPlace = true;
        saved.size = old->size;
        // A write that throws has written nothing; one that comes up short has.
        const std::size_t written = file.writeAt(0, bytes.data(), bytes.size());
        if (written != bytes.size()) {
            if (written > 0) RestoreTag(file, fileName, oldBytes, u8"a write came up short");
            throw IoError(ioerr::DiskFull);
        }
        file.close();
        return saved;
    }

    // The tag grows: the whole file anew beside the old one, the audio copied.
    platform::ReplacementFile replacement(fileName);
    const std::string bytes = built.Bytes(built.MinSize() + kID3v2GrowthPadding);
    saved.size = static_cast<std::int64_t>(bytes.size());
    WriteAll(replacement.file(), bytes);
    constexpr std::size_t kChunk = 1 << 20;
    std::string chunk;
    for (std::int64_t pos = old ? old->size : 0; pos < size;) {
        chunk.resize(static_cast<std::size_t>(std::min<std::int64_t>(kChunk, size - pos)));
        if (file.readAt(pos, chunk.data(), chunk.size()) != chunk.size()) throw IoError(ioerr::ReadBeyondEnd);
        WriteAll(replacement.file(), chunk);
        pos += static_cast<std::int64_t>(chunk.size());
    }
    file.close();
    replacement.replaceTarget();
    return saved;
}

}  // namespace sonrik::twID3
