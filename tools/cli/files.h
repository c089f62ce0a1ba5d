// The files a command works on, from what its command line names: files,
// folders (walked down with -r) and list files. Every command that takes
// paths collects them here, so that all of them decide alike.
#pragma once

#include <string>
#include <vector>

namespace sonrik::cli {

struct FileSources {
    std::vector<std::string> paths;  // files and folders
    std::vector<std::string> lists;  // list files
    bool recursive = false;
    bool anyName = false;  // a file given by its name need not end in ".mp3"
};

struct CollectedFiles {
    // The paths given first, then the lists' files, each in its order: a
    // file as given (a name that ends in ".mp3" is taken for a file, also
    // when it names a folder); a folder as its MP3 files (".mp3" in any letter case)
    // in name order, then, with `recursive`, each subfolder's in name order.
    // A file that comes again is left out.
    std::vector<std::string> files;
    // "FOLDER: why" (UTF-8) for each folder that could not be read: a failure.
    std::vector<std::string> failures;
    // A folder or list that gave no MP3 file (UTF-8): a note, not a failure.
    std::vector<std::string> empty;
};

// Throws UsageError when a list file cannot be read or a file given by name
// is no ".mp3" file (without anyName): nothing is done then.
CollectedFiles CollectFiles(const FileSources& sources);

}  // namespace sonrik::cli
