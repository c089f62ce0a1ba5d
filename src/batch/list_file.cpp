#include "batch/list_file.h"

#include "batch/templates.h"
#include "platform/platform.h"
#include "sonrik/history_file.h"

#include <algorithm>
#include <exception>
#include <iterator>

namespace sonrik::batch {

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

std::string ListedPath(const std::string& folder, const std::string& line, PathStyle style)
{
    const bool rooted = !line.empty() && (line[0] == '/' || (style == PathStyle::Windows && line[0] == '\\'));
    const bool drive = style == PathStyle::Windows && line.size() >= 2 && line[1] == ':';
    if (rooted || drive || folder.empty()) return line;
    return JoinPath(folder, line, style);
}

}  // namespace sonrik::batch
