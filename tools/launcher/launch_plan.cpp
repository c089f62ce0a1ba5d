#include "launch_plan.h"

#include <cwctype>

namespace launcher {

const wchar_t* const kUsage =
    L"Opens the Sonrik editor on MP3 files.\n\n"
    L"sonrik.exe FILE.mp3\n"
    L"    edits the tags of one file.\n"
    L"sonrik.exe FILE... | FOLDER...\n"
    L"    opens the list editor on the files, or on the MP3 files in the folders.\n\n"
    L"Drop files or a folder on sonrik.exe, or put a shortcut to it in your \"Send To\" folder.";

namespace {

using Kind = LaunchSystem::Kind;

LaunchPlan Refusal(std::wstring problem)
{
    return {LaunchPlan::Action::Refuse, {}, std::move(problem)};
}

std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

std::wstring Unheld(const std::wstring& path)
{
    return L"The name " + Quoted(path) +
           L" holds characters that the system's code page for programs that are not Unicode cannot show, "
           L"and its volume keeps no short name for it. Rename it, or copy it to a folder and name it there.";
}

}  // namespace

bool IsMp3Name(const std::wstring& path)
{
    constexpr std::wstring_view kExtension = L".mp3";
    if (path.size() < kExtension.size()) return false;
    const std::wstring_view tail = std::wstring_view(path).substr(path.size() - kExtension.size());
    for (std::size_t i = 0; i < tail.size(); ++i)
        if (std::towlower(static_cast<std::wint_t>(tail[i])) != static_cast<std::wint_t>(kExtension[i])) return false;
    return true;
}

std::optional<std::string> AnsiPathFor(const std::wstring& path, const LaunchSystem& system)
{
    if (auto ansi = system.toAnsi(path)) return ansi;
    if (const auto shortName = system.shortPath(path)) return system.toAnsi(*shortName);
    return std::nullopt;
}

LaunchPlan PlanLaunch(const std::vector<std::wstring>& arguments, const LaunchSystem& system)
{
    if (arguments.empty()) return {};
    std::vector<std::wstring> files;
    bool single = arguments.size() == 1;
    for (const std::wstring& argument : arguments) {
        const Kind kind = system.kind(argument);
        single = single && kind == Kind::File;
        if (kind == Kind::Missing) return Refusal(L"Cannot find " + Quoted(argument) + L".");
        if (kind == Kind::File) {
            if (single && !IsMp3Name(argument))
                return Refusal(Quoted(argument) + L" is not an MP3 file.");
            if (IsMp3Name(argument)) files.push_back(argument);
            continue;
        }
        for (const std::wstring& file : system.filesIn(argument))
            if (IsMp3Name(file)) files.push_back(file);
    }
    if (files.empty()) return Refusal(L"No MP3 files among " + Quoted(arguments.front()) + (arguments.size() > 1 ? L" and the others." : L"."));

    LaunchPlan plan{single ? LaunchPlan::Action::EditFile : LaunchPlan::Action::EditList, {}, {}};
    for (const std::wstring& file : files) {
        auto ansi = AnsiPathFor(file, system);
        if (!ansi) return Refusal(Unheld(file));
        plan.files.push_back(std::move(*ansi));
    }
    return plan;
}

}  // namespace launcher
