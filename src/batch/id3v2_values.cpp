#include "batch/id3v2_values.h"

#include "batch/templates.h"
#include "text/utf8.h"
#include "twID3/twID3.h"

#include <algorithm>

namespace sonrik::batch {

namespace {

constexpr std::size_t kTextField = 30;
constexpr std::size_t kCommentBesideTrack = 28;
constexpr std::size_t kYearDigits = 4;

struct Fitted {
    std::string bytes;
    bool cut = false;
};

// The code page's bytes of the longest start of `utf8` that fits in `limit`
// bytes: the source is cut between characters, never inside one. Throws
// EncodeError for a character up to the cut that the code page cannot hold.
Fitted Fit(std::string_view utf8, const text::CodePage& codePage, std::size_t limit)
{
    Fitted fitted;
    while (!utf8.empty()) {
        const std::size_t length = text::DecodeUtf8(utf8).length;
        const std::string bytes = codePage.Encode(utf8.substr(0, length));
        if (fitted.bytes.size() + bytes.size() > limit) {
            fitted.cut = true;
            break;
        }
        fitted.bytes += bytes;
        utf8.remove_prefix(length);
    }
    return fitted;
}

std::string Refusal(const text::EncodeError& e) { return std::string(e.what()) + "; left as it is"; }

ConvertedText Text(const std::vector<std::string>& values, const text::CodePage& codePage, std::size_t limit)
{
    ConvertedText out;
    const std::string joined = JoinedValues(values);
    if (joined.empty()) return out;
    try {
        Fitted fitted = Fit(joined, codePage, limit);
        out.value = std::move(fitted.bytes);
        out.cut = fitted.cut;
        if (out.cut) out.note = "cut to " + std::to_string(limit) + " bytes";
    } catch (const text::EncodeError& e) {
        out.note = Refusal(e);
    }
    return out;
}

// Title, artist and album: the record's 30 bytes, and the whole value for
// the Lyrics3 block when they do not hold it.
ConvertedText RecordText(const std::vector<std::string>& values, const text::CodePage& codePage)
{
    ConvertedText out = Text(values, codePage, twID3::Lyrics3TextLimit);
    if (!out.value || out.value->size() <= kTextField) return out;
    const bool wholeCut = out.cut;
    out.whole = std::move(out.value);
    out.value = out.whole->substr(0, kTextField);
    out.cut = true;
    out.note = "cut to 30 bytes; the whole value goes into the Lyrics3 block";
    if (wholeCut) out.note = "cut to 30 bytes; its first 250 go into the Lyrics3 block";
    return out;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

ConvertedText Year(const std::vector<std::string>& values, const text::CodePage& codePage)
{
    ConvertedText out;
    if (values.empty()) return out;
    for (const std::string& value : values) {
        for (std::size_t i = 0; i + kYearDigits <= value.size(); ++i) {
            if (std::all_of(value.begin() + i, value.begin() + i + kYearDigits, IsDigit)) {
                out.value = codePage.Encode(value.substr(i, kYearDigits));  // ASCII digits: in every code page
                return out;
            }
        }
    }
    out.note = "\"" + values.front() + "\" has no four digits in a row; left as it is";
    return out;
}

// "3", "03" or "3/12"; nothing for anything else.
std::optional<unsigned> LeadingNumber(std::string_view text)
{
    text = text.substr(0, text.find('/'));
    if (text.empty() || text.size() > 3 || !std::all_of(text.begin(), text.end(), IsDigit)) return std::nullopt;
    return static_cast<unsigned>(std::stoi(std::string(text)));
}

ConvertedNumber Track(const std::vector<std::string>& values)
{
    ConvertedNumber out;
    if (values.empty()) return out;
    for (const std::string& value : values) {
        const auto number = LeadingNumber(value);
        if (number && *number >= 1 && *number <= 255) {
            out.value = static_cast<std::uint8_t>(*number);
            return out;
        }
    }
    out.note = "\"" + values.front() + "\" is no number from 1 to 255; left as it is";
    return out;
}

ConvertedNumber Genre(const std::vector<std::string>& values)
{
    ConvertedNumber out;
    if (values.empty()) return out;
    for (const std::string& value : values) {
        auto id = GenreNumber(value);
        if (!id) {
            const auto number = LeadingNumber(value);
            if (number && *number < static_cast<unsigned>(twID3::GenreCount) && value.find('/') == std::string::npos)
                id = static_cast<std::uint8_t>(*number);
        }
        if (id) {
            out.value = *id;
            return out;
        }
    }
    out.value = twID3::NoGenre;
    out.note = "\"" + values.front() + "\" is not in the genre table";
    return out;
}

ConvertedText Lyrics(const std::vector<std::string>& values, const text::CodePage& codePage)
{
    ConvertedText out;
    if (values.empty() || values.front().empty()) return out;
    try {
        std::string bytes = codePage.Encode(values.front());
        // The block stores the lines with CR LF, which may make them longer.
        const std::size_t stored = twID3::LinesToText(twID3::TextToLines(bytes)).size();
        if (stored > twID3::Lyrics3v2FieldLimit)
            out.note = "the lyrics take " + std::to_string(stored) + " bytes, more than the Lyrics3 field's "
                       + std::to_string(twID3::Lyrics3v2FieldLimit) + "; left as they are";
        else
            out.value = std::move(bytes);
    } catch (const text::EncodeError& e) {
        out.note = Refusal(e);
    }
    return out;
}

}  // namespace

std::string JoinedValues(const std::vector<std::string>& values)
{
    std::string joined;
    for (const std::string& value : values) {
        if (value.empty()) continue;
        if (!joined.empty()) joined += " / ";
        joined += value;
    }
    return joined;
}

ConvertedTag ConvertID3v2(const twID3::ID3v2Tag& tag, const text::CodePage& codePage, const ConvertOptions& options)
{
    ConvertedTag out;
    out.title = RecordText(tag.title, codePage);
    out.artist = RecordText(tag.artist, codePage);
    out.album = RecordText(tag.album, codePage);
    out.year = Year(tag.year, codePage);
    out.track = Track(tag.track);
    out.genre = Genre(tag.genre);
    const bool besideTrack = out.track.value || options.recordHasTrack;
    out.comment = Text(tag.comment, codePage, besideTrack ? kCommentBesideTrack : kTextField);
    if (options.lyrics) {
        out.lyrics = Lyrics(tag.lyrics, codePage);
        out.author = Text(tag.lyricist, codePage, twID3::Lyrics3TextLimit);
    }
    return out;
}

}  // namespace sonrik::batch
