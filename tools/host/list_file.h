// Files the host writes: the list file it hands to RunModule_List (one full
// path per line, CR LF, ANSI bytes as given) and its reports.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace host {

// Writes `content` beside `path` and moves it into place, so the file is
// either fully written or left as it was. Throws HostError.
void WriteFileReplacing(const std::string& path, std::string_view content);

// The player's list file: each path followed by CR LF.
std::string ListFileContent(const std::vector<std::string>& paths);
void WriteListFile(const std::string& path, const std::vector<std::string>& paths);

}  // namespace host
