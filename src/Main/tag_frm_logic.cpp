#include "Main/tag_frm_logic.h"

#include "platform/platform.h"
#include "text/text.h"
#include "twID3/twID3.h"

#include <algorithm>
#include <charconv>

namespace sonrik::editor {

namespace {

// The lines of the history file that were read completely; a read error ends
// the text there, as the file's reading rule says.
std::vector<std::string> ReadFileLines(const std::string& path)
{
    if (!platform::FileExists(path)) return {};
    std::string bytes;
    bool complete = true;
    try {
        auto file = platform::File::open(path, platform::OpenMode::Read);
        char chunk[4096];
        while (const std::size_t got = file.read(chunk, sizeof chunk)) bytes.append(chunk, got);
    } catch (const IoError&) {
        complete = false;
    }
    if (!complete) {
        const auto end = bytes.find_last_of("\r\n");
        bytes.resize(end == std::string::npos ? 0 : end + 1);
    }
    return SplitLines(bytes);
}

}  // namespace

std::string ShortString(std::string_view text) { return std::string(text.substr(0, kShortStringLimit)); }

std::string TrackNoText(std::uint8_t trackNo) { return std::to_string(trackNo); }

TrackNoValue ParseTrackNo(std::string_view text)
{
    // A leading sign is part of a number; anything else around the digits is not.
    std::string_view digits = text;
    if (!digits.empty() && digits.front() == '+') {
        digits.remove_prefix(1);
        if (!digits.empty() && digits.front() == '-') return {TrackNoCheck::NotANumber, 0};
    }
    std::int32_t number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (digits.empty() || error != std::errc{} || end != digits.data() + digits.size())
        return {TrackNoCheck::NotANumber, 0};
    if (number < 0 || number > 255) return {TrackNoCheck::OutOfRange, 0};
    return {TrackNoCheck::Ok, static_cast<std::uint8_t>(number)};
}

std::uint8_t GenreIdOfIndex(int index) { return index < 0 ? 255 : static_cast<std::uint8_t>(index); }

int GenreIndexOf(std::uint8_t genreId) { return genreId < twID3::GenreCount ? genreId : -1; }

std::string FileNameOf(std::string_view path, PathStyle style)
{
    const auto last = path.find_last_of(style == PathStyle::Windows ? "\\/:" : "/");
    return std::string(last == std::string_view::npos ? path : path.substr(last + 1));
}

bool SearchBuffer::Append(char ch)
{
    if (Full()) return false;
    text_ += ch;
    return true;
}

void SearchBuffer::RemoveLast()
{
    if (!text_.empty()) text_.pop_back();
}

int FindPrefixIgnoringCase(const std::vector<std::string>& items, std::string_view prefix)
{
    for (std::size_t i = 0; i < items.size(); ++i)
        if (text::StartsWithIgnoringCase(items[i], prefix)) return static_cast<int>(i);
    return -1;
}

bool ContainsIgnoringCase(const std::vector<std::string>& items, std::string_view text)
{
    return std::any_of(items.begin(), items.end(),
                       [text](const std::string& item) { return text::SameIgnoringCase(item, text); });
}

bool AddHistoryEntry(std::vector<std::string>& items, std::string_view text)
{
    if (text.empty() || ContainsIgnoringCase(items, text)) return false;
    items.emplace_back(text);
    return true;
}

void MatchArtistLists(std::vector<std::string>& v1Artists, std::vector<std::string>& lyrics3Artists)
{
    if (v1Artists.size() > lyrics3Artists.size()) lyrics3Artists = v1Artists;
    if (lyrics3Artists.size() > v1Artists.size()) v1Artists = lyrics3Artists;
}

void MergeEntries(std::vector<std::string>& into, const std::vector<std::string>& from)
{
    for (const auto& entry : from)
        if (!ContainsIgnoringCase(into, entry)) into.push_back(entry);
}

std::vector<HistorySection> MergedHistory(const std::vector<std::string>& fileLines, const EditorHistory& editor)
{
    auto merged = [&fileLines](const char* name, const std::vector<std::string>& ours) {
        HistorySection section{name, SectionEntries(fileLines, name).value_or(std::vector<std::string>{})};
        MergeEntries(section.entries, ours);
        return section;
    };
    return {
        HistorySection{history::kTemplates,
                       SectionEntries(fileLines, history::kTemplates).value_or(std::vector<std::string>{})},
        merged(history::kArtists, editor.artists),
        merged(history::kYears, editor.years),
        merged(history::kComments, editor.comments),
    };
}

void SaveEditorHistory(const std::string& path, const EditorHistory& editor)
{
    WriteHistorySections(path, MergedHistory(ReadFileLines(path), editor));
}

}  // namespace sonrik::editor
