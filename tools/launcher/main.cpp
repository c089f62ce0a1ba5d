// sonrik.exe: opens the module's windows for a user without the player. It
// plays the player's part: loads Sonrik.dll from its own folder, owns the
// windows the module talks to (the stop request is granted: nothing plays
// here) and calls the opening exports with ANSI paths, as the player does.
//
//   sonrik.exe FILE.mp3            the single-file editor
//   sonrik.exe FILE... | FOLDER... the list editor on the MP3 files
//
// Problems are shown in message boxes: a GUI program has no console.
#include "launch_plan.h"

#include "platform/platform.h"
#include "plugin_host/host_window.h"
#include "plugin_host/list_file.h"
#include "plugin_host/plugin.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr const wchar_t* kTitle = L"Sonrik editor";

void Tell(const std::wstring& text, UINT icon)
{
    MessageBoxW(nullptr, text.c_str(), kTitle, MB_OK | icon | MB_SETFOREGROUND);
}

std::vector<std::wstring> Arguments()
{
    int count = 0;
    const std::unique_ptr<LPWSTR, decltype(&LocalFree)> argv(CommandLineToArgvW(GetCommandLineW(), &count),
                                                            &LocalFree);
    if (!argv) return {};
    return std::vector<std::wstring>(argv.get() + std::min(count, 1), argv.get() + count);
}

launcher::LaunchSystem WindowsSystem()
{
    using Kind = launcher::LaunchSystem::Kind;
    launcher::LaunchSystem system;
    system.kind = [](const std::wstring& path) {
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) return Kind::Missing;
        return attributes & FILE_ATTRIBUTE_DIRECTORY ? Kind::Folder : Kind::File;
    };
    system.filesIn = [](const std::wstring& folder) {
        std::wstring prefix = folder;
        if (prefix.back() != L'\\' && prefix.back() != L'/') prefix += L'\\';
        std::vector<std::wstring> files;
        WIN32_FIND_DATAW entry{};
        const HANDLE search = FindFirstFileW((prefix + L"*").c_str(), &entry);
        if (search == INVALID_HANDLE_VALUE) return files;
        do {
            if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) files.push_back(prefix + entry.cFileName);
        } while (FindNextFileW(search, &entry));
        FindClose(search);
        std::sort(files.begin(), files.end());
        return files;
    };
    system.toAnsi = [](const std::wstring& path) -> std::optional<std::string> {
        const std::string utf8 = host::Utf8(path);
        auto converted = sonrik::platform::Utf8ToAnsi(std::u8string(utf8.begin(), utf8.end()));
        if (converted.unheld) return std::nullopt;
        return std::move(converted.bytes);
    };
    system.shortPath = [](const std::wstring& path) -> std::optional<std::wstring> {
        const DWORD size = GetShortPathNameW(path.c_str(), nullptr, 0);
        if (size == 0) return std::nullopt;
        std::wstring shortName(size, L'\0');
        const DWORD length = GetShortPathNameW(path.c_str(), shortName.data(), size);
        if (length == 0 || length >= size) return std::nullopt;
        shortName.resize(length);
        return shortName;
    };
    return system;
}

// The player's list file, in the temporary folder while the list editor is up.
class TemporaryListFile {
public:
    explicit TemporaryListFile(const launcher::LaunchSystem& system)
    {
        wchar_t folder[MAX_PATH + 1]{};
        wchar_t name[MAX_PATH + 1]{};
        const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
        if (length == 0 || length > MAX_PATH || !GetTempFileNameW(folder, L"snk", 0, name))
            throw host::HostError("cannot make a file in the temporary folder: " + host::SystemMessage(GetLastError()));
        path_ = name;
        const auto ansi = launcher::AnsiPathFor(path_, system);
        if (!ansi) {
            DeleteFileW(path_.c_str());
            throw host::HostError("the temporary folder's name " + host::Utf8(path_) +
                                  " cannot be passed on in the system's code page");
        }
        ansiPath_ = *ansi;
    }
    ~TemporaryListFile() { DeleteFileW(path_.c_str()); }
    TemporaryListFile(const TemporaryListFile&) = delete;
    TemporaryListFile& operator=(const TemporaryListFile&) = delete;

    const std::string& AnsiPath() const { return ansiPath_; }

private:
    std::wstring path_;
    std::string ansiPath_;
};

int Launch(const std::vector<std::wstring>& arguments)
{
    if (arguments.empty()) {
        Tell(launcher::kUsage, MB_ICONINFORMATION);
        return 0;
    }
    const launcher::LaunchSystem system = WindowsSystem();
    const launcher::LaunchPlan plan = launcher::PlanLaunch(arguments, system);
    if (plan.action == launcher::LaunchPlan::Action::Refuse) {
        Tell(plan.problem, MB_ICONERROR);
        return 1;
    }

    // The module's windows are owned by ours: the library is freed first.
    std::optional<host::HostWindows> windows;
    const std::wstring library = host::ProgramFolder() + L"Sonrik.dll";
    std::unique_ptr<host::Plugin> plugin;
    try {
        plugin = std::make_unique<host::Plugin>(library);
    } catch (const host::HostError& error) {
        Tell(L"The editor's library cannot be loaded, so nothing can be opened.\n\n" + host::Wide(error.what()) +
                 L"\n\nSonrik.dll belongs in the folder of sonrik.exe.",
             MB_ICONERROR);
        return 2;
    }
    auto* const runModule = plugin->find<host::RunModuleFn>("RunModule");
    auto* const runModuleList = plugin->find<host::RunModuleListFn>("RunModule_List");
    if (!runModule || !runModuleList) {
        Tell(L"\"" + library + L"\" is not the Sonrik editor's library: it lacks the functions that open the editor.",
             MB_ICONERROR);
        return 2;
    }

    windows.emplace("Sonrik editor", host::HostWindows::Look::TaskbarButton);
    if (plan.action == launcher::LaunchPlan::Action::EditFile) {
        runModule(windows->Host(), windows->Application(), plan.files.front().c_str(), 0);
    } else {
        const TemporaryListFile list(system);
        host::WriteListFile(list.AnsiPath(), plan.files);
        runModuleList(windows->Host(), windows->Application(), list.AnsiPath().c_str());
    }
    return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    try {
        return Launch(Arguments());
    } catch (const std::exception& error) {
        Tell(host::Wide(error.what()), MB_ICONERROR);
        return 2;
    }
}
