// The launcher's command line: which window it opens on which ANSI paths, the
// short-name fallback, and the refusals.
#include "launch_plan.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using launcher::LaunchPlan;
using launcher::LaunchSystem;
using Action = LaunchPlan::Action;

// A pretend disk: folders and files by name; names with a character above
// U+00FF stand for names the code page cannot hold, and `shortNames` gives
// the volume's short names.
struct FakeDisk {
    std::set<std::wstring> folders;
    std::set<std::wstring> files;
    std::map<std::wstring, std::wstring> shortNames;

    LaunchSystem System() const
    {
        LaunchSystem system;
        system.kind = [this](const std::wstring& p) {
            return folders.count(p) ? LaunchSystem::Kind::Folder
                   : files.count(p) ? LaunchSystem::Kind::File
                                    : LaunchSystem::Kind::Missing;
        };
        system.filesIn = [this](const std::wstring& folder) {
            std::vector<std::wstring> inside;
            for (const std::wstring& f : files)
                if (f.rfind(folder + L"\\", 0) == 0 && f.find(L'\\', folder.size() + 1) == std::wstring::npos)
                    inside.push_back(f);
            return inside;
        };
        system.toAnsi = [](const std::wstring& p) -> std::optional<std::string> {
            std::string bytes;
            for (const wchar_t c : p) {
                if (static_cast<unsigned>(c) > 0xFF) return std::nullopt;
                bytes += static_cast<char>(c);
            }
            return bytes;
        };
        system.shortPath = [this](const std::wstring& p) -> std::optional<std::wstring> {
            const auto found = shortNames.find(p);
            if (found == shortNames.end()) return std::nullopt;
            return found->second;
        };
        return system;
    }
};

FakeDisk Disk()
{
    FakeDisk disk;
    disk.folders = {L"C:\\Music", L"C:\\Music\\Live", L"C:\\Empty"};
    disk.files = {L"C:\\Music\\b.mp3", L"C:\\Music\\A.MP3", L"C:\\Music\\cover.jpg", L"C:\\Music\\Live\\c.mp3",
                  L"C:\\notes.txt", L"C:\\\u6b4c.mp3", L"C:\\\u66f2.mp3"};
    disk.shortNames = {{L"C:\\\u6b4c.mp3", L"C:\\0D2F~1.MP3"}};
    return disk;
}

TEST(LaunchPlan, DecidesTheWindowAndItsFilesFromTheArguments)
{
    struct Case {
        std::vector<std::wstring> arguments;
        Action action;
        std::vector<std::string> files;
    };
    const Case cases[] = {
        {{}, Action::ShowUsage, {}},
        {{L"C:\\Music\\b.mp3"}, Action::EditFile, {"C:\\Music\\b.mp3"}},
        {{L"C:\\Music\\A.MP3"}, Action::EditFile, {"C:\\Music\\A.MP3"}},
        // A folder's own MP3 files, not those of folders inside it.
        {{L"C:\\Music"}, Action::EditList, {"C:\\Music\\A.MP3", "C:\\Music\\b.mp3"}},
        // Several files: the MP3 files among them, in the order given.
        {{L"C:\\Music\\b.mp3", L"C:\\notes.txt", L"C:\\Music\\A.MP3"},
         Action::EditList,
         {"C:\\Music\\b.mp3", "C:\\Music\\A.MP3"}},
        {{L"C:\\Music\\Live", L"C:\\Music\\b.mp3"}, Action::EditList, {"C:\\Music\\Live\\c.mp3", "C:\\Music\\b.mp3"}},
        // A name the code page cannot hold goes by its short name.
        {{L"C:\\\u6b4c.mp3"}, Action::EditFile, {"C:\\0D2F~1.MP3"}},
    };
    for (const Case& c : cases) {
        const FakeDisk disk = Disk();
        const LaunchPlan plan = launcher::PlanLaunch(c.arguments, disk.System());
        EXPECT_EQ(plan.action, c.action) << c.arguments.size() << " argument(s)";
        EXPECT_EQ(plan.files, c.files) << c.arguments.size() << " argument(s)";
    }
}

TEST(LaunchPlan, RefusesWithTheNameAtFaultAndOpensNothing)
{
    struct Case {
        std::vector<std::wstring> arguments;
        std::wstring named;
    };
    const Case cases[] = {
        {{L"C:\\gone.mp3"}, L"\"C:\\gone.mp3\""},
        {{L"C:\\Music\\b.mp3", L"C:\\gone"}, L"\"C:\\gone\""},
        {{L"C:\\notes.txt"}, L"\"C:\\notes.txt\" is not an MP3 file"},
        {{L"C:\\Empty"}, L"No MP3 files"},
        // No short name: never passed on with the characters replaced.
        {{L"C:\\\u66f2.mp3"}, L"\"C:\\\u66f2.mp3\""},
        {{L"C:\\Music\\b.mp3", L"C:\\\u66f2.mp3"}, L"\"C:\\\u66f2.mp3\""},
    };
    for (const Case& c : cases) {
        const FakeDisk disk = Disk();
        const LaunchPlan plan = launcher::PlanLaunch(c.arguments, disk.System());
        EXPECT_EQ(plan.action, Action::Refuse) << c.named.size();
        EXPECT_TRUE(plan.files.empty());
        EXPECT_NE(plan.problem.find(c.named), std::wstring::npos) << c.named.size();
    }
}

}  // namespace
