#include "sonrik/history_file.h"

#include "platform/platform.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace sonrik {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameText(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

std::string Header(std::string_view name) { return "[" + std::string(name) + "]"; }

bool EndsSection(std::string_view line) { return line.empty() || line.front() == '['; }

// Index of the first header line of `name`, or the number of lines.
std::size_t FindHeader(const std::vector<std::string>& lines, std::string_view name)
{
    const std::string header = Header(name);
    const auto it = std::find_if(lines.begin(), lines.end(),
                                 [&header](const std::string& line) { return SameText(line, header); });
    return static_cast<std::size_t>(it - lines.begin());
}

// One past the last entry of the section whose header is at `header`.
std::size_t SectionEnd(const std::vector<std::string>& lines, std::size_t header)
{
    std::size_t end = header + 1;
    while (end < lines.size() && !EndsSection(lines[end])) ++end;
    return end;
}

void AppendSection(std::vector<std::string>& lines, const HistorySection& section)
{
    std::vector<std::string> entries;
    std::copy_if(section.entries.begin(), section.entries.end(), std::back_inserter(entries),
                 [](const std::string& entry) { return IsStorableEntry(entry); });
    if (entries.empty()) return;
    lines.push_back(Header(section.name));
    lines.insert(lines.end(), entries.begin(), entries.end());
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const auto& line : lines) text.append(line).append(kLineEnd);
    return text;
}

// The file's lines; `error` is the code of a read that failed part way (the
// lines completely read before it are kept), 0 when all was read.
struct FileLines {
    std::vector<std::string> lines;
    int error = 0;
};

FileLines ReadLines(const std::string& path)
{
    if (!platform::FileExists(path)) return {};
    std::string text;
    int error = 0;
    try {
        platform::File file = platform::File::open(path, platform::OpenMode::Read);
        std::array<char, 64 * 1024> chunk{};
        while (const std::size_t n = file.read(chunk.data(), chunk.size()))
            text.append(chunk.data(), n);
    } catch (const IoError& e) {
        error = e.code();
        // A line cut off by the failure is not an entry.
        const auto lastEnd = text.find_last_of("\r\n");
        text.resize(lastEnd == std::string::npos ? 0 : lastEnd + 1);
    }
    return {SplitLines(text), error};
}

}  // namespace

bool IsStorableEntry(std::string_view entry)
{
    return !EndsSection(entry) && entry.find_first_of("\r\n") == std::string_view::npos;
}

std::optional<std::vector<std::string>> SectionEntries(const std::vector<std::string>& lines,
                                                       std::string_view name)
{
    const std::size_t header = FindHeader(lines, name);
    if (header == lines.size()) return std::nullopt;
    const auto first = lines.begin() + static_cast<std::ptrdiff_t>(header + 1);
    const auto last = lines.begin() + static_cast<std::ptrdiff_t>(SectionEnd(lines, header));
    return std::vector<std::string>(first, last);
}

std::optional<std::vector<std::string>> ReadHistorySection(const std::string& path,
                                                           std::string_view name)
{
    return SectionEntries(ReadLines(path).lines, name);
}

void WriteHistorySections(const std::string& path, const std::vector<HistorySection>& sections)
{
    std::vector<std::string> lines;
    for (const auto& section : sections) AppendSection(lines, section);
    if (lines.empty()) return;
    platform::ReplaceFileContents(path, Joined(lines));
}

void ReplaceHistorySection(const std::string& path, const HistorySection& section)
{
    FileLines file = ReadLines(path);
    if (file.error != 0) throw IoError(file.error);
    auto& lines = file.lines;
    if (const std::size_t header = FindHeader(lines, section.name); header < lines.size()) {
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(header),
                    lines.begin() + static_cast<std::ptrdiff_t>(SectionEnd(lines, header)));
    }
    AppendSection(lines, section);
    platform::ReplaceFileContents(path, Joined(lines));
}

}  // namespace sonrik
