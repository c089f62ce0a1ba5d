#include "Main_List/list_editor_logic.h"

#include "Main_List/templates.h"
#include "platform/platform.h"
#include "sonrik/history_file.h"
#include "text/text.h"
#include "twID3/twID3.h"

#include <algorithm>
#include <exception>
#include <map>
#include <memory>
#include <optional>

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

RenameFiles SystemRenameFiles()
{
    // Each folder is read once for every name asked in it (under Wine a name
    // that is not there costs a walk over the whole folder), and the renames
    // made through these files are kept in what was read.
    auto folders = std::make_shared<std::map<std::string, std::optional<platform::FolderFiles>>>();
    const auto listing = [folders](const std::string& path) -> platform::FolderFiles* {
        auto [folder, added] = folders->try_emplace(FolderOf(path));
        if (added) {
            try {
                folder->second.emplace(folder->first);
            } catch (const std::exception&) {
                // An unreadable folder may still let its files be looked up by name.
            }
        }
        return folder->second ? &*folder->second : nullptr;
    };
    return {[listing](const std::string& name) {
                const platform::FolderFiles* files = listing(name);
                return files ? files->Contains(name) : platform::FileExists(name);
            },
            [](const std::string& a, const std::string& b) { return platform::SameFileEntry(a, b); },
            [listing](const std::string& from, const std::string& to) {
                platform::RenameFile(from, to);
                if (platform::FolderFiles* files = listing(from)) files->Remove(from);
                if (platform::FolderFiles* files = listing(to)) files->Add(to);
            }};
}

RenameOutcome RenameToNewPath(const RenameFiles& files, const std::string& from, const std::string& to)
{
    try {
        if (from == to) return RenameOutcome::TargetExists;
        // Asked once: under Wine a name that is not there costs a walk over the folder.
        const bool taken = files.exists(to);
        const bool respelling = taken && files.sameEntry(from, to);
        if (taken && !respelling) return RenameOutcome::TargetExists;
        if (!respelling) {
            files.rename(from, to);
            return RenameOutcome::Renamed;
        }
        // The system would find the target in the file itself: go round it,
        // through a name beside the file (its folder spelled as in `from`).
        const std::string name = FileNameOf(from);
        const std::string folder = from.substr(0, from.size() - name.size());
        std::string temporary;
        for (int n = 0; temporary.empty() || files.exists(temporary); ++n)
            temporary = folder + "~" + name + "." + std::to_string(n) + ".tmp";
        files.rename(from, temporary);
        try {
            files.rename(temporary, to);
        } catch (const std::exception&) {
            try {
                files.rename(temporary, from);
            } catch (const std::exception&) {
                // Nothing more can be done: the file keeps the temporary name.
            }
            return RenameOutcome::Failed;
        }
        return RenameOutcome::Renamed;
    } catch (const std::exception&) {
        return RenameOutcome::Failed;
    }
}

bool ReplacePath(std::vector<std::string>& paths, const std::string& path, const std::string& renamed)
{
    const auto it =
        std::find_if(paths.begin(), paths.end(), [&path](const std::string& p) { return text::SameIgnoringCase(p, path); });
    if (it == paths.end()) return false;
    *it = renamed;
    return true;
}

}  // namespace sonrik::list
