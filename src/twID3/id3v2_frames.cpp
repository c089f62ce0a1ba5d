#include "twID3/id3v2_frames.h"

#include "text/utf8.h"
#include "twID3/twID3.h"

#include <algorithm>

namespace sonrik::twID3::id3v2 {

namespace {

enum class Kind { Text, Genre, Comment, Lyrics };

struct Row {
    std::string_view id, id22;  // 2.3/2.4 id, 2.2 id
    Kind kind;
    std::vector<std::string> ID3v2Tag::*field;  // nullptr: TYER, the year's fallback
};

// The frames read; every other frame is carried as it stands.
constexpr Row kRows[] = {
    {"TIT2", "TT2", Kind::Text, &ID3v2Tag::title},      {"TPE1", "TP1", Kind::Text, &ID3v2Tag::artist},
    {"TALB", "TAL", Kind::Text, &ID3v2Tag::album},      {"TDRC", "", Kind::Text, &ID3v2Tag::year},
    {"TYER", "TYE", Kind::Text, nullptr},               {"TRCK", "TRK", Kind::Text, &ID3v2Tag::track},
    {"TCON", "TCO", Kind::Genre, &ID3v2Tag::genre},     {"COMM", "COM", Kind::Comment, &ID3v2Tag::comment},
    {"USLT", "ULT", Kind::Lyrics, &ID3v2Tag::lyrics},   {"TEXT", "TXT", Kind::Text, &ID3v2Tag::lyricist},
};
constexpr int kYearFallback = 4;
static_assert(std::size(kRows) <= 16, "FrameValues keeps 16 rows");

constexpr std::uint8_t kLatin1 = 0, kUtf16 = 1, kUtf16BE = 2, kUtf8 = 3;

std::size_t TerminatorWidth(std::uint8_t encoding) { return encoding == kUtf16 || encoding == kUtf16BE ? 2 : 1; }

// The first terminator of the encoding (two zero bytes on a character
// boundary for UTF-16), or npos.
std::size_t FindTerminator(std::string_view bytes, std::size_t width)
{
    if (width == 1) return bytes.find('\0');
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        if (bytes[i] == '\0' && bytes[i + 1] == '\0') return i;
    return std::string_view::npos;
}

// The strings of a frame's text, split at terminators; the terminators at
// the end are dropped, so "A\0" is one value and an empty text none.
std::vector<std::string> SplitText(std::uint8_t encoding, std::string_view bytes)
{
    const std::size_t width = TerminatorWidth(encoding);
    std::vector<std::string> values;
    while (!bytes.empty()) {
        const std::size_t end = FindTerminator(bytes, width);
        values.push_back(DecodeText(encoding, bytes.substr(0, end)));
        if (end == std::string_view::npos) break;
        bytes.remove_prefix(end + width);
    }
    while (!values.empty() && values.back().empty()) values.pop_back();
    return values;
}

void AppendUtf16(std::string& out, std::string_view bytes, bool bigEndian)
{
    auto unit = [&](std::size_t i) -> char32_t {
        const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        return bigEndian ? (a << 8 | b) : (b << 8 | a);
    };
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        const char32_t u = unit(i);
        if (u >= 0xD800 && u < 0xDC00 && i + 3 < bytes.size()) {
            const char32_t low = unit(i + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                text::AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        text::AppendUtf8(out, u);  // a lone surrogate comes out as U+FFFD
    }
    if (i < bytes.size()) text::AppendUtf8(out, text::ReplacementChar);
}

// A genre reference inside parentheses or on its own: a number of the
// table, "RX" or "CR"; empty for anything else.
std::string_view GenreReference(std::string_view ref)
{
    if (ref == "RX") return "Remix";
    if (ref == "CR") return "Cover";
    if (ref.empty() || ref.size() > 3 || !std::all_of(ref.begin(), ref.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return {};
    return GenreName(static_cast<unsigned>(std::stoi(std::string(ref))));
}

// Splits "description\0text" of COMM and USLT after their encoding and language.
std::pair<std::string, std::string> DescribedText(std::uint8_t encoding, std::string_view rest)
{
    const std::size_t width = TerminatorWidth(encoding);
    const std::size_t end = FindTerminator(rest, width);
    if (end == std::string_view::npos) return {DecodeText(encoding, rest), {}};
    auto text = SplitText(encoding, rest.substr(end + width));
    return {DecodeText(encoding, rest.substr(0, end)), text.empty() ? std::string{} : text.front()};
}

// Players keep their own data in comments under descriptions of their own.
bool IsPlayerComment(std::string_view description) { return description.starts_with("iTun"); }

}  // namespace

std::string DecodeText(std::uint8_t encoding, std::string_view bytes)
{
    std::string out;
    switch (encoding) {
    case kLatin1:
        for (const char c : bytes) text::AppendUtf8(out, static_cast<unsigned char>(c));
        return out;
    case kUtf8:
        if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
        return text::SanitizeUtf8(bytes);
    default: {
        // UTF-16: each string may bring its own byte-order mark; without
        // one, little-endian, as Windows writers store it.
        bool bigEndian = encoding == kUtf16BE;
        if (bytes.starts_with("\xFE\xFF")) {
            bigEndian = true;
            bytes.remove_prefix(2);
        } else if (bytes.starts_with("\xFF\xFE")) {
            bigEndian = false;
            bytes.remove_prefix(2);
        }
        AppendUtf16(out, bytes, bigEndian);
        return out;
    }
    }
}

std::vector<std::string> GenreNamesOf(std::string_view value)
{
    std::vector<std::string> names;
    std::string_view rest = value;
    // "(17)(18)": references in a row; "((" starts a name with a parenthesis.
    while (rest.starts_with('(') && !rest.starts_with("((")) {
        const std::size_t close = rest.find(')');
        if (close == std::string_view::npos) break;
        const std::string_view name = GenreReference(rest.substr(1, close - 1));
        if (name.empty()) break;
        names.emplace_back(name);
        rest.remove_prefix(close + 1);
    }
    if (rest.starts_with("((")) rest.remove_prefix(1);
    if (rest.empty()) return names;
    // Text after references refines the last of them: "(17)Rock" is Rock.
    const std::string_view named = names.empty() ? GenreReference(rest) : std::string_view{};
    const std::string own(named.empty() ? rest : named);
    if (names.empty())
        names.push_back(own);
    else
        names.back() = own;
    return names;
}

int WantedFrame(std::string_view id, std::uint8_t version)
{
    for (std::size_t i = 0; i < std::size(kRows); ++i) {
        const std::string_view rowId = version == 2 ? kRows[i].id22 : kRows[i].id;
        if (!rowId.empty() && rowId == id) return static_cast<int>(i);
    }
    return -1;
}

bool FrameValues::Take(int row, std::string_view data)
{
    const Row& r = kRows[row];
    if (data.empty()) return true;
    const auto encoding = static_cast<std::uint8_t>(data[0]);
    if (encoding > kUtf8) return false;
    data.remove_prefix(1);
    if (r.kind == Kind::Comment || r.kind == Kind::Lyrics) {
        constexpr std::size_t kLanguage = 3;
        auto described = DescribedText(encoding, data.substr(std::min(kLanguage, data.size())));
        if (r.kind == Kind::Comment)
            comments_.push_back(std::move(described));
        else if (!seen_[row] && !described.second.empty())
            values_[row] = {std::move(described.second)}, seen_[row] = true;
        return true;
    }
    if (seen_[row]) return true;
    seen_[row] = true;
    auto values = SplitText(encoding, data);
    // Before 2.4 a text frame holds one string; what follows a terminator is not part of it.
    if (version_ < 4 && values.size() > 1) values.resize(1);
    if (r.kind == Kind::Genre) {
        std::vector<std::string> names;
        for (const auto& v : values)
            for (auto& n : GenreNamesOf(v)) names.push_back(std::move(n));
        values = std::move(names);
    }
    values_[row] = std::move(values);
    return true;
}

void FrameValues::Finish(ID3v2Tag& tag)
{
    for (std::size_t i = 0; i < std::size(kRows); ++i)
        if (kRows[i].field && kRows[i].kind != Kind::Comment) tag.*kRows[i].field = values_[i];
    if (tag.year.empty()) tag.year = values_[kYearFallback];
    // The comment without a description, else the first one no player wrote for itself.
    const auto usable = [](const auto& c) { return !c.second.empty(); };
    auto pick = std::find_if(comments_.begin(), comments_.end(),
                             [&](const auto& c) { return usable(c) && c.first.empty(); });
    if (pick == comments_.end())
        pick = std::find_if(comments_.begin(), comments_.end(),
                            [&](const auto& c) { return usable(c) && !IsPlayerComment(c.first); });
    tag.comment.clear();
    if (pick != comments_.end()) tag.comment.push_back(pick->second);
}

}  // namespace sonrik::twID3::id3v2
