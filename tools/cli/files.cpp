#include "cli/files.h"

#include "cli/args.h"
#include "cli/report.h"
#include "cli/system.h"
#include "batch/list_file.h"
#include "batch/templates.h"
#include "platform/platform.h"

#include <algorithm>
#include <unordered_set>

namespace sonrik::cli {

namespace {

struct Collector {
    bool recursive;
    CollectedFiles result;
    std::unordered_set<std::string> seen;

    void Add(const std::vector<std::string>& files)
    {
        for (const auto& file : files)
            if (seen.insert(file).second) result.files.push_back(file);
    }

    // False when `path` names no folder. A folder that cannot be read is
    // a failure; the walk goes on with the next one.
    bool Walk(const std::string& path)
    {
        std::optional<platform::FolderEntries> entries;
        try {
            entries = platform::ReadFolder(path);
        } catch (const std::exception& e) {
            result.failures.push_back(ArgumentToUtf8(path) + ": the folder cannot be read: " + ErrorMessage(e));
            return true;
        }
        if (!entries) return false;
        std::sort(entries->files.begin(), entries->files.end());
        Add(batch::Mp3Lines(entries->files));
        if (recursive) {
            std::sort(entries->folders.begin(), entries->folders.end());
            for (const auto& folder : entries->folders) Walk(folder);
        }
        return true;
    }
};

// The list editor reads a list file that is missing or cannot be read as an
// empty list; the tool refuses it instead. A relative line is taken from the
// list file's folder, as players take it.
std::vector<std::string> ListFiles(const std::string& list)
{
    const auto refuse = [&](std::string_view why) { return UsageError("--list " + ArgumentToUtf8(list) + ": " + std::string(why)); };
    if (platform::FolderExists(list)) throw refuse("is a folder, not a list file");
    try {
        if (!platform::File::openExisting(list, platform::OpenMode::Read)) throw refuse("there is no such file");
    } catch (const IoError& e) {
        throw refuse(ErrorMessage(e));
    }
    const std::string folder = batch::FolderOf(list, kNativePathStyle);
    std::vector<std::string> names;
    for (const std::string& line : batch::Mp3Lines(batch::ReadListFile(list)))
        names.push_back(batch::ListedPath(folder, ListedName(line), kNativePathStyle));
    return names;
}

}  // namespace

CollectedFiles CollectFiles(const FileSources& sources)
{
    Collector collector{sources.recursive, {}, {}};
    CollectedFiles& result = collector.result;
    for (const auto& path : sources.paths) {
        // A name ending in .mp3 is taken for a file without asking the
        // system: the load's own opening tells, and says so for a folder.
        if (batch::HasMp3Extension(path, kNativePathStyle)) {
            collector.Add({path});
            continue;
        }
        const std::size_t files = result.files.size();
        const std::size_t failures = result.failures.size();
        if (!collector.Walk(path)) {
            // Folders give their MP3 files only; a file named by hand must be one too.
            if (!sources.anyName) {
                throw UsageError(ArgumentToUtf8(path)
                                 + ": not an MP3 file by its name (it does not end in .mp3); --any-name takes it");
            }
            collector.Add({path});
        }
        else if (result.files.size() == files && result.failures.size() == failures)
            result.empty.push_back(ArgumentToUtf8(path));
    }
    for (const auto& list : sources.lists) {
        const std::vector<std::string> files = ListFiles(list);
        if (files.empty()) result.empty.push_back(ArgumentToUtf8(list));
        collector.Add(files);
    }
    return std::move(result);
}

}  // namespace sonrik::cli
