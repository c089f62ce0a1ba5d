#include "Main_List/list_editor_logic.h"

#include "Main_List/templates.h"
#include "platform/platform.h"
#include "sonrik/history_file.h"
#include "text/text.h"
#include "twID3/twID3.h"

#include <algorithm>
#include <exception>

namespace sonrik::list {

std::vector<std::string> Mp3Lines(const std::vector<std::string>& lines)
{
    std::vector<std::string> files;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(files),
                 [](const std::string& line) { return HasMp3Extension(line); });
    return files;
}

std::vector<std::string> ReadListFile(const std::string& path)
{
    std::string text;
    try {
        if (!platform::FileExists(path)) return {};
        auto file = platform::File::open(path, platform::OpenMode::Read);
        char buffer[16384];
        while (const std::size_t got = file.read(buffer, sizeof buffer)) text.append(buffer, got);
    } catch (const std::exception&) {
        // Only the lines that were read completely count.
        const auto end = text.find_last_of("\r\n");
        text.resize(end == std::string::npos ? 0 : end + 1);
    }
    return SplitLines(text);
}

std::string CommentShown(std::string_view comment)
{
    if (comment.empty() || comment[0] == '\0' || (comment.size() > 1 && comment[1] == '\0')) return {};
    std::string shown;
    std::copy_if(comment.begin(), comment.end(), std::back_inserter(shown),
                 [](char c) { return c != '\0' && c != '\1'; });
    return shown;
}

void FillRecord(TFTag& tag, const std::string& path, const twID3::TtwID3v1& id3v1)
{
    tag.FilePath = path;
    tag.NewName = path;
    tag.TitleText = id3v1.Title();
    tag.ArtistText = id3v1.Artist();
    tag.AlbumText = id3v1.Album();
    tag.YearText = id3v1.Year();
    tag.GenreText = std::string(id3v1.Genre());
    if (std::string comment = CommentShown(id3v1.Comment()); !comment.empty()) tag.CommentText = std::move(comment);
    tag.TrackText = std::to_string(id3v1.TrackNo());
    for (std::uint8_t kind = 0; kind < fkStatus; ++kind) *FieldMark(tag, kind) = false;
    tag.RenameReady = false;
}

std::u8string RenameRow(const TFTag& tag, std::u8string_view status)
{
    std::u8string row = text::FromAnsi(CurrentFileName(tag));
    row += u8'|';
    row += text::FromAnsi(tag.NewName);
    row += u8'|';
    return row += status;
}

std::u8string FieldsRow(const TFTag& tag, std::u8string_view status)
{
    std::u8string row;
    for (std::uint8_t kind = 0; kind < fkStatus; ++kind) {
        row += text::FromAnsi(*FieldText(tag, kind));
        row += u8'|';
    }
    return row += status;
}

int SectionUnder(const widgets::HeaderSections& sections, int x, int scrollLeft)
{
    return sections.sectionAt(x + scrollLeft);
}

PathReplacer::PathReplacer(std::vector<std::string>& paths) : paths_(paths)
{
    for (std::size_t i = 0; i < paths_.size(); ++i) positions_[text::CaseKey(paths_[i])].insert(i);
}

bool PathReplacer::Replace(const std::string& path, const std::string& renamed)
{
    const auto found = positions_.find(text::CaseKey(path));
    if (found == positions_.end() || found->second.empty()) return false;
    const std::size_t first = *found->second.begin();
    found->second.erase(found->second.begin());
    paths_[first] = renamed;
    positions_[text::CaseKey(renamed)].insert(first);
    return true;
}

}  // namespace sonrik::list
