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

// Opens every file named in the list file, reads its first `headBytes` bytes
// (where an ID3v2 tag would begin) and its last `tailBytes` bytes and closes
// it, with nothing but the system's own calls: the least any reader of those
// tags must spend. Returns the files read. Throws HostError when the list
// file cannot be read.
int ReadListedFileTails(const std::string& listFile, unsigned tailBytes, unsigned headBytes = 0);

}  // namespace host
