// The commands of sonrik-tag over the tag library, as the editor windows use it.
#pragma once

#include "cli/args.h"
#include "twID3/twID3.h"

#include <optional>
#include <ostream>
#include <span>
#include <string>

namespace sonrik::cli {

// Runs one command line (the arguments after the program name) and gives the
// exit status: 0 every file handled, 1 some file failed, 2 usage error.
int Run(std::span<const std::string> args, const ParseSettings& settings, std::ostream& out, std::ostream& err);

// What `set` writes into every file: the values of the command line with the
// list files already read.
struct SetPlan {
    Id3v1Values id3v1;
    Lyrics3Values lyrics3;
    std::optional<twID3::LineList> lyrics, infos, images;
    batch::ReadOnlyPolicy readOnly = batch::ReadOnlyPolicy::Leave;
};

// Reads the list files named by the invocation; throws UsageError when one
// cannot be read or is larger than a Lyrics3 block can be.
SetPlan PrepareSet(const Invocation& invocation);

// Loads the file into `tag` and applies the plan through the setters; gives
// why the file cannot be saved when it is missing, or read-only and to be
// left alone. Errors of the tag library pass through.
std::optional<std::string> PrepareTag(const SetPlan& plan, const std::string& file, twID3::TtwID3& tag);

// Loads the file, applies the plan through the setters and saves. Gives
// nothing on success, else why the file was not saved; errors of the tag
// library (IoError, Error) pass through, and the file is unchanged then. A
// read-only file is written by the plan's policy, its attribute given back
// (restore) also when the save failed.
std::optional<std::string> ApplySet(const SetPlan& plan, const std::string& file);

}  // namespace sonrik::cli
