// The host's list file: one path per line, of which the MP3 files are taken.
#pragma once

#include "sonrik/module_dir.h"

#include <string>
#include <vector>

namespace sonrik::batch {

// The lines of a list file that name ".mp3" files (extension in any letter
// case), unchanged and in order. The extension is the text from the last '.'
// of the file name (after the last '\', '/' or ':') to the end.
std::vector<std::string> Mp3Lines(const std::vector<std::string>& lines);

// The lines of the list file at `path` (CR, LF and CR LF end a line); nothing
// when no file is there. A read that fails part-way keeps the complete lines
// read before it. Never throws.
std::vector<std::string> ReadListFile(const std::string& path);

// The path a list file's line names: the line when it is a whole path (from
// a root or, by the Windows rule, a drive), else the line in `folder`, the
// list file's own folder (empty: the current one).
std::string ListedPath(const std::string& folder, const std::string& line, PathStyle style);

}  // namespace sonrik::batch
