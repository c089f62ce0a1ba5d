// sonrik-host: stands in for the audio player. It loads Sonrik.dll the way the
// player does (LoadLibraryA, exports by name), owns the player's windows and
// drives the module's windows from a script.
//
//   sonrik-host [--dll PATH] [query | check-exports [DLL]]
//   sonrik-host [OPTIONS] gallery [en|ru]
//   sonrik-host [OPTIONS] run SCRIPT
//   sonrik-host write-list LISTFILE [PATH...]
//
// OPTIONS: --dll PATH, --stop-answer N (the answer to WM_COMMAND 4002; 0
// grants), --script FILE|- (gallery: drive it), --xml FILE (a report of the
// script's expectations), --classic (gallery: no visual style), --keep-loaded
// (run: exit without freeing the library, as a player may).
//
// query (the default) calls the three query exports and checks their results.
// The exit code is 0 when every check passed, 1 when one failed, 2 on a usage
// error or when the library or the host itself fails.
#include "gallery.h"
#include "plugin_host/host_window.h"
#include "plugin_host/list_file.h"
#include "plugin_host/plugin.h"
#include "queries.h"
#include "script.h"
#include "stdcall_probe.h"

#include "ui/win32/win32_backend.h"
#include "widgets/style_loaders.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <exception>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <functional>
#include <vector>

namespace {

constexpr const char* kUsage =
    "usage: sonrik-host [--dll PATH] [query | check-exports [DLL]]\n"
    "       sonrik-host [--stop-answer N] [--script FILE|-] [--xml FILE] [--classic] gallery [en|ru]\n"
    "       sonrik-host [--dll PATH] [--stop-answer N] [--xml FILE] [--keep-loaded] run SCRIPT|-\n"
    "       sonrik-host write-list LISTFILE [PATH...]";

struct Options {
    std::string dll;  // empty: Sonrik.dll beside the host
    std::string command = "query";
    std::vector<std::string> arguments;
    std::string script;
    std::string xml;
    long stopAnswer = 0;
    bool classic = false;
    bool keepLoaded = false;
};

[[noreturn]] void Usage(const std::string& problem) { throw host::HostError(problem + "\n" + kUsage); }

Options ParseArguments(int argc, char** argv)
{
    Options options;
    bool haveCommand = false;
    const auto value = [&](int& i) -> std::string {
        if (++i == argc) Usage(std::string(argv[i - 1]) + " needs a value");
        return argv[i];
    };
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--dll") {
            options.dll = value(i);
        } else if (arg == "--script") {
            options.script = value(i);
        } else if (arg == "--xml") {
            options.xml = value(i);
        } else if (arg == "--stop-answer") {
            const std::string text = value(i);
            try {
                options.stopAnswer = std::stol(text, nullptr, 0);
            } catch (const std::exception&) {
                Usage("--stop-answer needs a number, not '" + text + "'");
            }
        } else if (arg == "--classic") {
            options.classic = true;
        } else if (arg == "--keep-loaded") {
            options.keepLoaded = true;
        } else if (arg.starts_with("--")) {
            Usage("unknown option '" + std::string(arg) + "'");
        } else if (!haveCommand) {
            options.command = arg;
            haveCommand = true;
        } else {
            options.arguments.emplace_back(arg);
        }
    }
    return options;
}

int RunQuery(const host::Plugin& plugin)
{
    std::printf("plug-in: %s\n", plugin.path().c_str());
    const int failed = host::CheckQueries(plugin);
    if (failed == 0) {
        std::printf("all query exports answered as expected\n");
        return 0;
    }
    std::printf("%d query export check(s) failed\n", failed);
    return 1;
}

std::vector<host::ScriptLine> ReadScript(const std::string& name)
{
    if (name == "-") return host::ParseScript(std::cin);
    std::ifstream in(name, std::ios::binary);
    if (!in) throw host::HostError("cannot read the script '" + name + "'");
    return host::ParseScript(in);
}

// The exports that open windows, called on the window thread as a player
// calls them; the script goes on while the window is up. Each call's stack
// use is measured (in a 32-bit build); the library is freed on the window
// thread too, since unloading destroys the module's windows.
struct ModuleState {
    static constexpr int kRunning = -1;      // while a call runs or before the first
    static constexpr int kNotMeasured = -2;  // returned; a 64-bit build measures nothing
    std::optional<host::Plugin> plugin;
    std::atomic<int> lastStackBytes{kRunning};
};

host::ScriptHost ModuleCalls(const Options& options, host::HostWindows& windows, ModuleState& state)
{
    const auto library = [&options, &state]() -> const host::Plugin& {
        if (!state.plugin) state.plugin.emplace(options.dll.empty() ? host::DefaultPluginPath() : options.dll);
        return *state.plugin;
    };
    const auto open = [&windows, &state, library](const char* name, std::vector<std::uintptr_t> args) {
        const host::Plugin& p = library();
        const void* run = p.address(name);
        if (!run) throw host::ScriptError(p.path() + " does not export " + name + " (the library has no such window yet)");
        state.lastStackBytes = ModuleState::kRunning;
        windows.Post([&state, run, args] {
            const auto slot = [&](std::size_t i) { return args[i]; };
            const std::optional<unsigned> removed = args.size() == 4
                                                        ? host::CallExport(run, {slot(0), slot(1), slot(2), slot(3)})
                                                        : host::CallExport(run, {slot(0), slot(1), slot(2)});
            state.lastStackBytes = removed ? static_cast<int>(*removed) : ModuleState::kNotMeasured;
        });
    };
    const auto handle = [](HWND window) { return reinterpret_cast<std::uintptr_t>(window); };
    // The argument strings live until the host ends: the window may read them late.
    auto strings = std::make_shared<std::vector<std::unique_ptr<std::string>>>();
    const auto keep = [strings](const std::string& text) {
        strings->push_back(std::make_unique<std::string>(text));
        return reinterpret_cast<std::uintptr_t>(strings->back()->c_str());
    };
    host::ScriptHost calls;
    calls.runModule = [&windows, open, handle, keep](const std::string& file, int application) {
        // The fourth argument is never read: a marker shows up if it were.
        open("RunModule", {handle(windows.Host()), handle(windows.Application(application)), keep(file), 0xDEADBEEFu});
    };
    calls.runModuleList = [&windows, open, handle, keep](const std::string& list, int application) {
        open("RunModule_List", {handle(windows.Host()), handle(windows.Application(application)), keep(list)});
    };
    calls.lastCall = [&state]() -> std::optional<host::CallOutcome> {
        const int bytes = state.lastStackBytes;
        if (bytes == ModuleState::kRunning) return std::nullopt;
        if (bytes == ModuleState::kNotMeasured) return host::CallOutcome{};
        return host::CallOutcome{static_cast<unsigned>(bytes)};
    };
    calls.unload = [&windows, &state] {
        std::atomic<bool> done{false};
        windows.Post([&] {
            state.plugin.reset();
            done = true;
        });
        for (int waited = 0; !done && waited < 10000; waited += 10) Sleep(10);
        if (!done) throw host::ScriptError("FreeLibrary did not return within 10 s");
    };
    return calls;
}

void PumpUntilQuit()
{
    MSG msg{};
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

DWORD WINAPI RunBody(void* body)
{
    (*static_cast<const std::function<void()>*>(body))();
    return 0;
}

// Runs the script on a thread of its own while this thread serves the
// windows (`serve` returns when the windows are done); returns the failures.
template <typename Serve>
int DriveWithScript(const Options& options, const std::string& scriptName, host::HostWindows& windows,
                    host::ScriptHost calls, Serve&& serve)
{
    const std::vector<host::ScriptLine> script = ReadScript(scriptName);
    host::ScriptRunner runner(windows, GetCurrentThreadId(), std::move(calls));
    int failures = 0;
    const std::function<void()> drive = [&] {
        failures = runner.Run(script, scriptName);
        runner.CloseLeftovers();
        windows.PostQuit();
    };
    // A thread of the system's own: the compiler's thread model has no std::thread.
    const HANDLE driver = CreateThread(nullptr, 0, RunBody, const_cast<std::function<void()>*>(&drive), 0, nullptr);
    if (!driver) throw host::HostError("cannot start the script's thread: " + host::SystemMessage(GetLastError()));
    serve();
    PumpUntilQuit();
    WaitForSingleObject(driver, INFINITE);
    CloseHandle(driver);

    std::printf("host messages received:\n");
    for (const host::HostMessage& record : windows.Messages()) std::printf("  %s\n", host::Describe(record).c_str());
    const auto& expectations = runner.Expectations();
    std::printf("%zu expectation(s), %d failed\n", expectations.size(), failures);
    if (!options.xml.empty()) {
        const std::string suite = scriptName.substr(scriptName.find_last_of("/\\") + 1);
        host::WriteXmlReport(options.xml, suite.substr(0, suite.rfind('.')), expectations);
    }
    return failures == 0 ? 0 : 1;
}

int RunGallery(const Options& options)
{
    const std::string language = options.arguments.empty() ? "en" : options.arguments[0];
    if (language != "en" && language != "ru") Usage("gallery takes en or ru, not '" + language + "'");

    host::HostWindows windows;
    windows.SetStopAnswer(options.stopAnswer);
    const sonrik::widgets::StyleLoaders styles;
    sonrik::ui::win32::Win32Backend backend(options.classic ? nullptr : &styles.library());
    host::Gallery gallery(backend, reinterpret_cast<sonrik::ui::WindowHandle>(windows.Host()), language == "en");
    gallery.Create();
    if (options.classic) host::DropVisualStyle(styles.library(), reinterpret_cast<HWND>(gallery.Handle()));

    const auto show = [&] { gallery.ShowModal(reinterpret_cast<sonrik::ui::WindowHandle>(windows.Application())); };
    if (options.script.empty()) {
        show();
        return 0;
    }
    return DriveWithScript(options, options.script, windows, {}, [&] {
        show();
    });
}

int RunScript(const Options& options)
{
    if (options.arguments.size() != 1) Usage("run needs one script");
    host::HostWindows windows;
    windows.SetStopAnswer(options.stopAnswer);
    ModuleState state;
    const int result = DriveWithScript(options, options.arguments[0], windows, ModuleCalls(options, windows, state), [] {});
    // A player that exits without freeing its plug-ins: the library is
    // unloaded by the process's exit instead.
    if (options.keepLoaded && state.plugin) state.plugin->Abandon();
    return result;
}

int Run(const Options& options)
{
    if (options.command == "query" || options.command == "check-exports") {
        if (options.arguments.size() > 1) Usage(options.command + " takes at most one library");
        const std::string path = !options.arguments.empty() ? options.arguments[0]
                                 : !options.dll.empty()     ? options.dll
                                                            : host::DefaultPluginPath();
        const host::Plugin plugin(path);
        return RunQuery(plugin);
    }
    if (options.command == "gallery") return RunGallery(options);
    if (options.command == "run") return RunScript(options);
    if (options.command == "write-list") {
        if (options.arguments.empty()) Usage("write-list needs the list file");
        host::WriteListFile(options.arguments[0], {options.arguments.begin() + 1, options.arguments.end()});
        return 0;
    }
    Usage("unknown command '" + options.command + "'");
}

}  // namespace

int main(int argc, char** argv)
{
    try {
        const int code = Run(ParseArguments(argc, argv));
        std::fflush(stdout);
        return code;
    } catch (const std::exception& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "sonrik-host: %s\n", error.what());
        return 2;
    }
}
