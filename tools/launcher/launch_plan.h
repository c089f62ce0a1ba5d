// What the launcher does with its command line, as plain logic: which of the
// module's windows it opens, and on which ANSI paths, or why it cannot.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace launcher {

// What the plan asks of the system; the launcher answers from Windows, a
// test from a table.
struct LaunchSystem {
    enum class Kind { Missing, File, Folder };
    std::function<Kind(const std::wstring& path)> kind;
    // The files (not folders) directly in `folder`, full paths, in name order.
    std::function<std::vector<std::wstring>(const std::wstring& folder)> filesIn;
    // `path` in the system's ANSI code page; nothing when the code page
    // cannot hold one of its characters.
    std::function<std::optional<std::string>(const std::wstring& path)> toAnsi;
    // The short (8.3) form of an existing path; nothing when there is none.
    std::function<std::optional<std::wstring>(const std::wstring& path)> shortPath;
};

struct LaunchPlan {
    enum class Action {
        ShowUsage,  // no arguments
        EditFile,   // the single-file editor on files[0]
        EditList,   // the list editor on files
        Refuse,     // a message box with `problem`, nothing opened
    };
    Action action = Action::ShowUsage;
    std::vector<std::string> files;  // ANSI paths
    std::wstring problem;
};

// True when the name ends in ".mp3", in any letter case.
bool IsMp3Name(const std::wstring& path);

// The path as the module's opening calls take it: its ANSI form, else the
// ANSI form of its short name. Nothing when neither exists: the path is
// never passed on with characters replaced.
std::optional<std::string> AnsiPathFor(const std::wstring& path, const LaunchSystem& system);

// One MP3 file opens the single-file editor; several files, or folders (their
// MP3 files, not those of folders inside), open the list editor. Other files
// among several are left out.
LaunchPlan PlanLaunch(const std::vector<std::wstring>& arguments, const LaunchSystem& system);

// The text of the usage box.
extern const wchar_t* const kUsage;

}  // namespace launcher
