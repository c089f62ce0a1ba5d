#include "script.h"

#include "screenshot.h"
#include "plugin_host/list_file.h"
#include "plugin_host/plugin.h"

#include "ui/win32/automation_names.h"

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <istream>
#include <iterator>
#include <memory>
#include <utility>

namespace host {

namespace {

using sonrik::automation::FindNamedWindow;
using sonrik::automation::WindowName;

constexpr int kDefaultTimeoutMs = 5000;
constexpr int kPollMs = 20;
constexpr UINT kSendTimeoutMs = 3000;

// Messages to windows of the other thread never wait forever: a window that
// hangs makes the script fail instead.
LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kSendTimeoutMs, &result))
        throw ScriptError("the window does not answer (message " + std::to_string(message) + ")");
    return static_cast<LRESULT>(result);
}

std::wstring TextOf(HWND window)
{
    const auto length = static_cast<std::size_t>(Send(window, WM_GETTEXTLENGTH));
    std::wstring text(length + 1, L'\0');
    const auto copied = static_cast<std::size_t>(Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
    text.resize(std::min(copied, length));
    return text;
}

std::wstring ClassOf(HWND window)
{
    wchar_t name[64]{};
    GetClassNameW(window, name, 64);
    return name;
}

bool IsClass(HWND window, const wchar_t* name) { return _wcsicmp(ClassOf(window).c_str(), name) == 0; }

// Status bars show their panels, not a window text: "panel 1|panel 2".
std::wstring StatusText(HWND bar)
{
    const auto parts = static_cast<int>(Send(bar, SB_GETPARTS, 0, 0));
    std::wstring joined;
    for (int i = 0; i < parts; ++i) {
        const auto length = LOWORD(Send(bar, SB_GETTEXTLENGTHW, i));
        std::wstring part(length + 1u, L'\0');
        Send(bar, SB_GETTEXTW, i, reinterpret_cast<LPARAM>(part.data()));
        part.resize(length);
        joined += (i ? L"|" : L"") + part;
    }
    return joined;
}

std::string VisibleText(HWND window)
{
    return Utf8(IsClass(window, STATUSCLASSNAMEW) ? StatusText(window) : TextOf(window));
}

// Enabled as a user sees it: the control and its parents inside the form.
bool EnabledForUser(HWND window)
{
    for (HWND w = window; w && (GetWindowLongW(w, GWL_STYLE) & WS_CHILD); w = GetParent(w))
        if (!IsWindowEnabled(w)) return false;
    return true;
}

bool IsCheckBox(HWND window)
{
    if (!IsClass(window, L"Button")) return false;
    const auto type = GetWindowLongW(window, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE ||
           type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

// The part of a control that takes typed characters: a combo box's field.
HWND TypingTarget(HWND control)
{
    if (!IsClass(control, L"ComboBox")) return control;
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    if (GetComboBoxInfo(control, &info) && info.hwndItem && info.hwndItem != control) return info.hwndItem;
    return control;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// " at=x,y size=WxH text-width=N": where a control is in its parent, and how
// wide its own text is in its own font, so a clipped caption shows up.
std::string Geometry(HWND window)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
    std::string text = " at=" + std::to_string(rect.left) + "," + std::to_string(rect.top) +
                       " size=" + std::to_string(rect.right - rect.left) + "x" + std::to_string(rect.bottom - rect.top);
    const std::wstring caption = TextOf(window);
    if (caption.empty()) return text;
    const HDC dc = GetDC(window);
    const auto font = reinterpret_cast<HFONT>(Send(window, WM_GETFONT));
    const HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    SIZE extent{};
    GetTextExtentPoint32W(dc, caption.data(), static_cast<int>(caption.size()), &extent);
    if (old) SelectObject(dc, old);
    ReleaseDC(window, dc);
    return text + " text-width=" + std::to_string(extent.cx);
}

int Number(const std::string& word, const char* what)
{
    try {
        std::size_t used = 0;
        const int value = std::stoi(word, &used, 0);
        if (used == word.size()) return value;
    } catch (const std::exception&) {
    }
    throw ScriptError(std::string(what) + " must be a number, not " + Quoted(word));
}

void NeedArguments(const ScriptLine& line, std::size_t least, std::size_t most, const char* usage)
{
    const std::size_t given = line.words.size() - 1;
    if (given < least || given > most) throw ScriptError(std::string("usage: ") + usage);
}

class Event {
public:
    Event() : handle_(CreateEventW(nullptr, TRUE, FALSE, nullptr))
    {
        if (!handle_) throw ScriptError("cannot create an event");
    }
    ~Event() { CloseHandle(handle_); }
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

template <typename Found>
auto Poll(int timeoutMs, Found&& found) -> decltype(found())
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (auto result = found()) return result;
        if (std::chrono::steady_clock::now() >= deadline) return found();
        Sleep(kPollMs);
    }
}

struct ThreadWindows {
    std::vector<HWND> windows;
    static BOOL CALLBACK Add(HWND window, LPARAM self)
    {
        reinterpret_cast<ThreadWindows*>(self)->windows.push_back(window);
        return TRUE;
    }
};

std::vector<HWND> TopWindows(DWORD thread)
{
    ThreadWindows found;
    EnumThreadWindows(thread, &ThreadWindows::Add, reinterpret_cast<LPARAM>(&found));
    return found.windows;
}

// Every window this process owns: top-level ones with their descendants, and
// message-only ones. Each holds one of the process's user objects.
int ProcessWindowCount()
{
    struct Counter {
        DWORD process = GetCurrentProcessId();
        int count = 0;
        static BOOL CALLBACK Child(HWND, LPARAM self)
        {
            ++reinterpret_cast<Counter*>(self)->count;
            return TRUE;
        }
        static BOOL CALLBACK Top(HWND window, LPARAM self)
        {
            auto* counter = reinterpret_cast<Counter*>(self);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == counter->process) {
                ++counter->count;
                EnumChildWindows(window, &Child, self);
            }
            return TRUE;
        }
    } counter;
    EnumWindows(&Counter::Top, reinterpret_cast<LPARAM>(&counter));
    for (HWND window = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); window;
         window = FindWindowExW(HWND_MESSAGE, window, nullptr, nullptr))
        Counter::Top(window, reinterpret_cast<LPARAM>(&counter));
    return counter.count;
}

// The visible message box (a #32770 dialog) of the thread, if one is up.
HWND MessageBoxOf(DWORD thread)
{
    for (const HWND window : TopWindows(thread))
        if (IsClass(window, L"#32770") && IsWindowVisible(window)) return window;
    return nullptr;
}

struct VirtualKey {
    const char* name;
    int code;
};
constexpr VirtualKey kKeys[] = {
    {"escape", VK_ESCAPE}, {"return", VK_RETURN}, {"enter", VK_RETURN}, {"tab", VK_TAB},
    {"space", VK_SPACE},   {"back", VK_BACK},     {"delete", VK_DELETE}, {"left", VK_LEFT},
    {"right", VK_RIGHT},   {"up", VK_UP},         {"down", VK_DOWN},     {"home", VK_HOME},
    {"end", VK_END},       {"f4", VK_F4},
};

int KeyCode(const std::string& word)
{
    std::string lower = word;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const auto& key : kKeys)
        if (lower == key.name) return key.code;
    if (word.size() == 1 && std::isalnum(static_cast<unsigned char>(word[0])))
        return std::toupper(static_cast<unsigned char>(word[0]));
    return Number(word, "a key");
}

}  // namespace

// ---- parsing ------------------------------------------------------------------

std::vector<ScriptLine> ParseScript(std::istream& in)
{
    std::vector<ScriptLine> script;
    std::string text;
    for (int number = 1; std::getline(in, text); ++number) {
        if (!text.empty() && text.back() == '\r') text.pop_back();
        ScriptLine line{number, {}};
        std::size_t i = 0;
        while (i < text.size()) {
            if (std::isspace(static_cast<unsigned char>(text[i]))) {
                ++i;
            } else if (text[i] == '#') {
                break;
            } else if (text[i] == '"') {
                std::string word;
                for (++i;; ++i) {
                    if (i >= text.size()) throw ScriptError("line " + std::to_string(number) + ": unterminated quote");
                    if (text[i] == '"') break;
                    if (text[i] == '\\' && i + 1 < text.size()) {
                        // \r and \n stand for the line-end characters message texts hold.
                        ++i;
                        word += text[i] == 'r' ? '\r' : text[i] == 'n' ? '\n' : text[i];
                        continue;
                    }
                    word += text[i];
                }
                ++i;
                line.words.push_back(std::move(word));
            } else {
                const std::size_t end = text.find_first_of(" \t\"#", i);
                line.words.push_back(text.substr(i, end == std::string::npos ? std::string::npos : end - i));
                i = end == std::string::npos ? text.size() : end;
            }
        }
        if (!line.words.empty()) script.push_back(std::move(line));
    }
    return script;
}

// ---- running ------------------------------------------------------------------

ScriptRunner::ScriptRunner(HostWindows& windows, DWORD windowThread, ScriptHost host)
    : windows_(windows), thread_(windowThread), host_(std::move(host)), busyLimitMs_(kDefaultTimeoutMs),
      timerStart_(std::chrono::steady_clock::now())
{
}

ScriptRunner::~ScriptRunner()
{
    if (!launched_) return;
    // A program the script left running (it failed half-way) does not outlive the host.
    if (WaitForSingleObject(launched_, kDefaultTimeoutMs) == WAIT_TIMEOUT) TerminateProcess(launched_, 1);
    CloseHandle(launched_);
}

int ScriptRunner::Run(const std::vector<ScriptLine>& script, const std::string& scriptName)
{
    scriptName_ = scriptName;
    for (const ScriptLine& line : script) {
        try {
            Execute(line);
        } catch (const std::exception& error) {
            const std::string where = scriptName_ + ":" + std::to_string(line.number) + ": " + line.words[0];
            std::printf("ERROR %s: %s\n", where.c_str(), error.what());
            std::fflush(stdout);
            expectations_.push_back({line.number, "script stopped at " + line.words[0], error.what(), {}});
            break;
        }
    }
    return static_cast<int>(std::count_if(expectations_.begin(), expectations_.end(),
                                          [](const Expectation& e) { return !e.failure.empty(); }));
}

namespace {

// The line as the report shows it: its words, arguments quoted.
std::string Described(const ScriptLine& line)
{
    std::string what = line.words[0];
    for (std::size_t i = 1; i < line.words.size(); ++i) what += " " + Quoted(line.words[i]);
    return what;
}

}  // namespace

void ScriptRunner::Expect(const ScriptLine& line, bool ok, const std::string& failure)
{
    const std::string what = Described(line);
    expectations_.push_back({line.number, what, ok ? std::string() : failure, {}});
    if (ok) {
        std::printf("ok     %s:%d: %s\n", scriptName_.c_str(), line.number, what.c_str());
    } else {
        std::printf("FAILED %s:%d: %s: %s\n", scriptName_.c_str(), line.number, what.c_str(), failure.c_str());
    }
    std::fflush(stdout);
}

void ScriptRunner::Skip(const ScriptLine& line, const std::string& why)
{
    const std::string what = Described(line);
    expectations_.push_back({line.number, what, std::string(), why});
    std::printf("skip   %s:%d: %s: %s\n", scriptName_.c_str(), line.number, what.c_str(), why.c_str());
    std::fflush(stdout);
}

void ScriptRunner::Execute(const ScriptLine& line)
{
    const auto& w = line.words;
    const std::string& command = w[0];
    const auto arg = [&](std::size_t i) -> const std::string& { return w.at(i); };
    const auto timeout = [&](std::size_t i) { return w.size() > i ? Number(w[i], "the timeout") : kDefaultTimeoutMs; };

    if (command == "wait-window") {
        NeedArguments(line, 1, 2, "wait-window NAME [TIMEOUT-MS]");
        currentForm_ = Form(arg(1), timeout(2));
        std::printf("window %s is up\n", arg(1).c_str());
    } else if (command == "wait-closed") {
        NeedArguments(line, 1, 2, "wait-closed NAME [TIMEOUT-MS, 0 for none]");
        const std::wstring wide = Wide(arg(1));
        const int limit = timeout(2);
        const auto open = [&] {
            const HWND found = sonrik::automation::FindNamedForm(thread_, wide);
            return found && IsWindowVisible(found);
        };
        const auto start = std::chrono::steady_clock::now();
        while (open()) {
            if (limit > 0 && std::chrono::steady_clock::now() - start > std::chrono::milliseconds(limit))
                throw ScriptError("the window " + Quoted(arg(1)) + " is still open after " + std::to_string(limit) + " ms");
            Sleep(kPollMs * 5);
        }
        std::printf("window %s is closed\n", arg(1).c_str());
    } else if (command == "type") {
        NeedArguments(line, 2, 2, "type CONTROL \"TEXT\"");
        Type(TypingTarget(Control(arg(1))), Wide(arg(2)));
    } else if (command == "set-text") {
        NeedArguments(line, 2, 2, "set-text CONTROL \"TEXT\"");
        SetText(TypingTarget(Control(arg(1))), Wide(arg(2)));
    } else if (command == "click") {
        NeedArguments(line, 1, 1, "click CONTROL");
        Click(arg(1));
    } else if (command == "pick") {
        NeedArguments(line, 2, 2, "pick CONTROL INDEX");
        Pick(arg(1), Number(arg(2), "the index"));
    } else if (command == "key") {
        Key(line);
    } else if (command == "click-row" || command == "double-click-cell") {
        NeedArguments(line, 2, 3, "click-row LIST ROW [ctrl|shift], double-click-cell LIST ROW [X]");
        const bool twice = command == "double-click-cell";
        const std::string modifier = w.size() > 3 && !twice ? arg(3) : "";
        if (!modifier.empty() && modifier != "ctrl" && modifier != "shift")
            throw ScriptError("the modifier is ctrl or shift, not " + Quoted(modifier));
        ClickRow(arg(1), Number(arg(2), "the row"), twice ? (w.size() > 3 ? Number(arg(3), "x") : -1) : -1,
                 twice, modifier == "ctrl" ? MK_CONTROL : modifier == "shift" ? MK_SHIFT : 0);
    } else if (command == "answer") {
        NeedArguments(line, 1, 2, "answer yes|no|ok|cancel [TIMEOUT-MS]");
        lastBox_ = Answer(arg(1), timeout(2));
        std::printf("message box \"%s\": \"%s\" -> %s\n", lastBox_.caption.c_str(), lastBox_.text.c_str(), arg(1).c_str());
    } else if (command == "close") {
        NeedArguments(line, 1, 1, "close FORM");
        const HWND form = Form(arg(1), 0);
        PostMessageW(form, WM_CLOSE, 0, 0);
        Sync();
    } else if (command == "expect-text" || command == "expect-contains" || command == "expect-count") {
        NeedArguments(line, 2, 3, "expect-text|expect-contains CONTROL \"TEXT\", expect-count CONTROL \"TEXT\" N");
        const HWND control = Control(arg(1));
        const bool whole = command == "expect-text";
        const int wanted = command == "expect-count" ? Number(w.size() > 3 ? arg(3) : "", "the count") : -1;
        const auto occurrences = [&](const std::string& text) {
            int n = 0;
            for (auto at = text.find(arg(2)); !arg(2).empty() && at != std::string::npos; at = text.find(arg(2), at + 1)) ++n;
            return n;
        };
        std::string got;
        const bool ok = Poll(1000, [&] {
            got = VisibleText(control);
            return whole ? got == arg(2) : wanted < 0 ? occurrences(got) > 0 : occurrences(got) == wanted;
        });
        Expect(line, ok, wanted >= 0 ? "found " + std::to_string(occurrences(got)) + " time(s) in " + Quoted(got)
                                     : "the text is " + Quoted(got));
    } else if (command == "expect-checked" || command == "expect-enabled" || command == "expect-visible") {
        NeedArguments(line, 2, 2, "expect-checked|expect-enabled|expect-visible CONTROL 0|1");
        const HWND control = Control(arg(1));
        const bool wanted = Number(arg(2), "the state") != 0;
        bool got = false;
        if (command == "expect-checked") got = Send(control, BM_GETCHECK) == BST_CHECKED;
        else if (command == "expect-enabled") got = EnabledForUser(control);
        else got = IsWindowVisible(control);
        Expect(line, got == wanted, std::string("it is ") + (got ? "1" : "0"));
    } else if (command == "expect-message") {
        NeedArguments(line, 2, 3, "expect-message MESSAGE WPARAM [TIMEOUT-MS]");
        const bool ok = ExpectMessage(static_cast<UINT>(Number(arg(1), "the message")),
                                      static_cast<WPARAM>(Number(arg(2), "wParam")), w.size() > 3 ? timeout(3) : 2000);
        Expect(line, ok, "no such message after the ones already expected");
    } else if (command == "expect-message-count") {
        NeedArguments(line, 1, 1, "expect-message-count N");
        const auto got = windows_.Messages().size();
        Expect(line, got == static_cast<std::size_t>(Number(arg(1), "the count")), std::to_string(got) + " recorded");
    } else if (command == "expect-box") {
        NeedArguments(line, 2, 2, "expect-box \"CAPTION\" \"TEXT\"");
        Expect(line, lastBox_.caption == arg(1) && lastBox_.text == arg(2),
               "the last box was " + Quoted(lastBox_.caption) + ": " + Quoted(lastBox_.text));
    } else if (command == "dump") {
        Dump();
    } else if (command == "screenshot") {
        NeedArguments(line, 1, 1, "screenshot FILE.bmp");
        Screenshot(arg(1));
    } else if (command == "wait-enabled") {
        NeedArguments(line, 2, 3, "wait-enabled CONTROL 0|1 [TIMEOUT-MS]");
        const HWND control = Control(arg(1));
        const bool wanted = Number(arg(2), "the state") != 0;
        if (!Poll(timeout(3), [&] { return EnabledForUser(control) == wanted; }))
            throw ScriptError(arg(1) + " is still " + (wanted ? "disabled" : "enabled"));
    } else if (command == "wait-rows") {
        WaitRows(line);
    } else if (command == "busy-limit") {
        NeedArguments(line, 1, 1, "busy-limit MS");
        busyLimitMs_ = std::max(1, Number(arg(1), "the limit"));
    } else if (command == "remember-window-count") {
        NeedArguments(line, 0, 0, "remember-window-count");
        Settle();
        rememberedWindows_ = ProcessWindowCount();
        std::printf("the process has %d windows\n", *rememberedWindows_);
    } else if (command == "expect-window-count-remembered") {
        NeedArguments(line, 0, 0, "expect-window-count-remembered");
        if (!rememberedWindows_) throw ScriptError("no window count remembered yet");
        Settle();
        const int now = ProcessWindowCount();
        Expect(line, now <= *rememberedWindows_,
               std::to_string(now) + " windows, " + std::to_string(*rememberedWindows_) + " remembered");
    } else if (command == "timer-start") {
        NeedArguments(line, 0, 0, "timer-start");
        Settle();  // what came before is not counted
        timerStart_ = std::chrono::steady_clock::now();
    } else if (command == "timer-print") {
        NeedArguments(line, 1, 1, "timer-print \"LABEL\"");
        Settle();
        const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - timerStart_;
        std::printf("time %s %.1f ms\n", Quoted(arg(1)).c_str(), elapsed.count());
        std::fflush(stdout);
    } else if (command == "sleep") {
        NeedArguments(line, 1, 1, "sleep MS");
        Sleep(static_cast<DWORD>(std::max(0, Number(arg(1), "the time"))));
    } else if (command == "host-answer") {
        NeedArguments(line, 2, 2, "host-answer 4002 N");
        if (Number(arg(1), "the command") != static_cast<int>(HostWindows::kStopPlayback))
            throw ScriptError("only the answer to 4002 can be set");
        windows_.SetStopAnswer(Number(arg(2), "the answer"));
    } else if (command == "run-module" || command == "run-module-list") {
        NeedArguments(line, 1, 2, "run-module FILE [1|2] | run-module-list LISTFILE [1|2]");
        const int application = w.size() > 2 ? Number(arg(2), "the application window") : 1;
        if (application != 1 && application != 2) throw ScriptError("the application window is 1 or 2");
        (command == "run-module" ? host_.runModule : host_.runModuleList)(arg(1), application);
    } else if (command == "expect-stack-bytes") {
        NeedArguments(line, 1, 2, "expect-stack-bytes N [TIMEOUT-MS]");
        const auto call = Poll(timeout(2), [&] { return host_.lastCall ? host_.lastCall() : std::nullopt; });
        if (call && !call->stackBytes) {
            Skip(line, "the call returned; a 64-bit build passes arguments in registers, nothing to measure");
        } else {
            Expect(line, call && *call->stackBytes == static_cast<unsigned>(Number(arg(1), "the byte count")),
                   call ? std::to_string(*call->stackBytes) + " removed" : "the call has not returned");
        }
    } else if (command == "expect-owner") {
        NeedArguments(line, 2, 2, "expect-owner FORM 1|2");
        const HWND form = Form(arg(1), 0);
        const HWND owner = GetWindow(form, GW_OWNER);
        const HWND wanted = windows_.Application(Number(arg(2), "the application window"));
        Expect(line, owner == wanted, owner == windows_.Application(1)   ? std::string("owned by window 1")
                                      : owner == windows_.Application(2) ? std::string("owned by window 2")
                                                                         : std::string("owned by another window"));
    } else if (command == "unload") {
        NeedArguments(line, 0, 0, "unload");
        if (!host_.unload) throw ScriptError("no library to unload");
        host_.unload();
        std::printf("library unloaded\n");
    } else if (command == "expect-file-contains") {
        NeedArguments(line, 2, 2, "expect-file-contains PATH \"TEXT\"");
        std::ifstream in(arg(1), std::ios::binary);
        const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        Expect(line, in.is_open() && content.find(arg(2)) != std::string::npos,
               in.is_open() ? "the file holds " + Quoted(content) : "no such file");
    } else if (command == "time-reading-files") {
        NeedArguments(line, 2, 2, "time-reading-files LISTFILE \"LABEL\"");
        const auto start = std::chrono::steady_clock::now();
        // The head as the tag library reads it first, and the record with the marker in front of it.
        const int files = ReadListedFileTails(arg(1), 138, 512);
        const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
        std::printf("time %s %.1f ms (%d files read)\n", Quoted(arg(2)).c_str(), elapsed.count(), files);
        std::fflush(stdout);
    } else if (command == "launch") {
        Launch(line);
    } else if (command == "expect-exit") {
        ExpectExit(line);
    } else if (command == "write-list") {
        if (w.size() < 2) throw ScriptError("usage: write-list LISTFILE [PATH...]");
        WriteListFile(arg(1), std::vector<std::string>(w.begin() + 2, w.end()));
    } else {
        throw ScriptError("unknown command " + Quoted(command));
    }
}

void ScriptRunner::Launch(const ScriptLine& line)
{
    if (line.words.size() < 2) throw ScriptError("usage: launch PROGRAM [ARG...]");
    if (launched_) {
        if (WaitForSingleObject(launched_, 0) == WAIT_TIMEOUT) throw ScriptError("the program launched before still runs");
        CloseHandle(std::exchange(launched_, nullptr));
    }
    // Each argument quoted, as the system splits a command line.
    std::wstring commandLine;
    for (std::size_t i = 1; i < line.words.size(); ++i) {
        if (line.words[i].find('"') != std::string::npos) throw ScriptError("an argument cannot hold a quote");
        commandLine += (i > 1 ? L" \"" : L"\"") + Wide(line.words[i]) + L"\"";
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        throw ScriptError("cannot launch " + Quoted(line.words[1]) + ": " + SystemMessage(GetLastError()));
    CloseHandle(process.hThread);
    launched_ = process.hProcess;
    thread_ = process.dwThreadId;
    currentForm_ = nullptr;
    std::printf("launched %s\n", line.words[1].c_str());
}

void ScriptRunner::ExpectExit(const ScriptLine& line)
{
    NeedArguments(line, 1, 2, "expect-exit CODE [TIMEOUT-MS]");
    if (!launched_) throw ScriptError("no program was launched");
    const int limit = line.words.size() > 2 ? Number(line.words[2], "the timeout") : kDefaultTimeoutMs;
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(launched_, static_cast<DWORD>(limit)) == WAIT_OBJECT_0) GetExitCodeProcess(launched_, &code);
    const int wanted = Number(line.words[1], "the exit code");
    Expect(line, code == static_cast<DWORD>(wanted),
           code == STILL_ACTIVE ? "still running after " + std::to_string(limit) + " ms"
                                : "it ended with " + std::to_string(code));
}

// ---- finding windows ------------------------------------------------------------

HWND ScriptRunner::Form(const std::string& name, int timeoutMs) const
{
    const std::wstring wide = Wide(name);
    const HWND form = Poll(timeoutMs, [&]() -> HWND {
        const HWND found = sonrik::automation::FindNamedForm(thread_, wide);
        return found && IsWindowVisible(found) ? found : nullptr;
    });
    if (!form) throw ScriptError("no window " + Quoted(name) + " within " + std::to_string(timeoutMs) + " ms");
    return form;
}

HWND ScriptRunner::Control(const std::string& name) const
{
    const std::wstring wide = Wide(name);
    if (currentForm_ && IsWindow(currentForm_))
        if (const HWND found = FindNamedWindow(currentForm_, wide)) return found;
    for (const HWND top : TopWindows(thread_))
        if (!WindowName(top).empty())
            if (const HWND found = FindNamedWindow(top, wide)) return found;
    throw ScriptError("no control " + Quoted(name));
}

// ---- acting -----------------------------------------------------------------------

void ScriptRunner::OnWindowThread(std::function<void()> action) const
{
    if (Launched()) {
        // Another program's thread: what needs its input state (the focus)
        // runs here with the two threads' input joined.
        AttachThreadInput(GetCurrentThreadId(), thread_, TRUE);
        action();
        AttachThreadInput(GetCurrentThreadId(), thread_, FALSE);
        Sync();
        return;
    }
    if (!windows_.Post([action = std::move(action)] {
            try {
                action();
            } catch (const std::exception& error) {
                std::printf("ERROR on the window thread: %s\n", error.what());
            }
        }))
        throw ScriptError("the host's window thread is gone");
    Sync();
}

void ScriptRunner::Sync() const
{
    if (Launched()) {
        // A message sent to the program returns once its thread takes
        // messages again; what was posted to it may still be waiting, which
        // the polling expectations allow for.
        for (const HWND top : TopWindows(thread_)) {
            DWORD_PTR ignored = 0;
            if (!SendMessageTimeoutW(top, WM_NULL, 0, 0, SMTO_NORMAL, static_cast<UINT>(busyLimitMs_), &ignored) &&
                IsWindow(top) && WaitForSingleObject(launched_, 0) == WAIT_TIMEOUT)
                throw ScriptError("the program is busy for more than " + std::to_string(busyLimitMs_) + " ms");
            break;
        }
        return;
    }
    // Posted after everything the script posted before: when it runs, they
    // have run too, or one of them opened a modal loop (a message box) that
    // dispatches posted messages.
    const auto done = std::make_shared<Event>();
    if (!windows_.Post([done] { SetEvent(done->get()); })) throw ScriptError("the host's window thread is gone");
    if (WaitForSingleObject(done->get(), static_cast<DWORD>(busyLimitMs_)) != WAIT_OBJECT_0)
        throw ScriptError("the window thread is busy for more than " + std::to_string(busyLimitMs_) + " ms");
}

void ScriptRunner::Settle() const
{
    Sync();
    if (Launched()) return;
    // What ran may have posted more (the list boxes bring their rows up to
    // date from a posted message): go on until nothing posted is left, then
    // paint what is still invalid, as the message loop would next.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(busyLimitMs_);
    for (;;) {
        const auto done = std::make_shared<Event>();
        const auto settled = std::make_shared<std::atomic<bool>>(false);
        const bool posted = windows_.Post([done, settled, thread = thread_] {
            if (HIWORD(GetQueueStatus(QS_POSTMESSAGE | QS_SENDMESSAGE)) == 0) {
                for (const HWND top : TopWindows(thread))
                    RedrawWindow(top, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
                *settled = true;
            }
            SetEvent(done->get());
        });
        if (!posted) throw ScriptError("the host's window thread is gone");
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || WaitForSingleObject(done->get(), static_cast<DWORD>(left.count())) != WAIT_OBJECT_0)
            throw ScriptError("the window thread is busy for more than " + std::to_string(busyLimitMs_) + " ms");
        if (*settled) return;
    }
}

// wait-rows LIST N [selected] [TIMEOUT-MS]: until the list box shows N rows,
// or N selected rows.
void ScriptRunner::WaitRows(const ScriptLine& line) const
{
    const auto& w = line.words;
    if (w.size() < 3 || w.size() > 5) throw ScriptError("usage: wait-rows LIST N [selected] [TIMEOUT-MS]");
    const bool selected = w.size() > 3 && w[3] == "selected";
    const std::size_t timeoutAt = selected ? 4 : 3;
    if (w.size() > timeoutAt + 1) throw ScriptError("usage: wait-rows LIST N [selected] [TIMEOUT-MS]");
    const int wanted = Number(w[2], "the row count");
    const int timeoutMs = w.size() > timeoutAt ? Number(w[timeoutAt], "the timeout") : kDefaultTimeoutMs;
    const HWND list = RowList(w[1]);
    LRESULT shown = -1;
    // A busy window thread answers late; that is "not yet", not a failure.
    const bool done = Poll(timeoutMs, [&] {
        DWORD_PTR result = 0;
        if (SendMessageTimeoutW(list, selected ? LB_GETSELCOUNT : LB_GETCOUNT, 0, 0, SMTO_NORMAL, kPollMs * 5, &result))
            shown = static_cast<LRESULT>(result);
        return shown == wanted;
    });
    if (!done)
        throw ScriptError(w[1] + " shows " + std::to_string(shown) + (selected ? " selected" : "") + " rows, not " +
                          std::to_string(wanted) + ", after " + std::to_string(timeoutMs) + " ms");
}

HWND ScriptRunner::RowList(const std::string& name) const
{
    const HWND control = Control(name);
    // The rows are a list box inside the control (below its header).
    const HWND list = IsClass(control, L"ListBox") ? control : FindWindowExW(control, nullptr, L"ListBox", nullptr);
    if (!list) throw ScriptError(name + " has no row list");
    return list;
}

void ScriptRunner::Type(HWND target, const std::wstring& text) const
{
    if (!EnabledForUser(target)) throw ScriptError("the control is disabled");
    // Typing goes on at the end of the field, as after a click behind its
    // text; a combo box selects all of its field when it takes the focus.
    OnWindowThread([target] {
        SetFocus(target);
        const auto end = static_cast<WPARAM>(GetWindowTextLengthW(target));
        SendMessageW(target, EM_SETSEL, end, static_cast<LPARAM>(end));
    });
    for (const wchar_t ch : text) PostMessageW(target, WM_CHAR, ch, 1);
    Sync();
}

void ScriptRunner::SetText(HWND target, const std::wstring& text) const
{
    if (!EnabledForUser(target)) throw ScriptError("the control is disabled");
    // As a paste over everything: one change, not one per character.
    OnWindowThread([target, text] {
        SetFocus(target);
        SendMessageW(target, EM_SETSEL, 0, -1);
        SendMessageW(target, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
    });
}

void ScriptRunner::Click(const std::string& name) const
{
    const HWND control = Control(name);
    if (!EnabledForUser(control)) throw ScriptError(name + " is disabled: a user cannot click it");
    if (!IsWindowVisible(control)) throw ScriptError(name + " is hidden: a user cannot click it");
    if (IsClass(control, L"Button")) {
        PostMessageW(control, BM_CLICK, 0, 0);
    } else {
        // The mouse lands on whatever window is at the control's centre (a
        // list inside a control, say), as it would for a user.
        RECT r{};
        GetWindowRect(control, &r);
        POINT at{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        HWND target = control;
        for (;;) {
            POINT local = at;
            ScreenToClient(target, &local);
            const HWND inner = ChildWindowFromPointEx(target, local, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
            if (!inner || inner == target) break;
            target = inner;
        }
        ScreenToClient(target, &at);
        const LPARAM point = MAKELPARAM(at.x, at.y);
        PostMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, point);
        PostMessageW(target, WM_LBUTTONUP, 0, point);
    }
    Sync();
}

void ScriptRunner::ClickRow(const std::string& name, int row, int x, bool twice, WPARAM keys) const
{
    if (!EnabledForUser(Control(name))) throw ScriptError(name + " is disabled");
    const HWND list = RowList(name);
    // The list takes the model's rows from its message loop: wait for the row.
    const bool found = Poll(kDefaultTimeoutMs, [&] {
        RECT rect{};
        return Send(list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rect)) != LB_ERR;
    });
    if (!found) throw ScriptError(name + " has no row " + std::to_string(row));
    if (row > 0xFFFF) throw ScriptError("a scroll message cannot reach row " + std::to_string(row));
    OnWindowThread([list, row, x, keys, twice] {
        // A row out of sight is scrolled into view first, as a user drags
        // the scroll box until it shows: at the top, or at the bottom when
        // it lies below.
        RECT client{};
        GetClientRect(list, &client);
        RECT rect{};
        SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rect));
        if (rect.top < 0 || rect.bottom > client.bottom) {
            const int height = std::max(1, static_cast<int>(rect.bottom - rect.top));
            const int visible = std::max(1, static_cast<int>(client.bottom) / height);
            const int top = rect.top < 0 ? row : std::max(0, row - visible + 1);
            SendMessageW(list, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, top), 0);
            SendMessageW(list, WM_VSCROLL, SB_ENDSCROLL, 0);
            SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rect));
        }
        const LPARAM at = MAKELPARAM(x >= 0 ? x : rect.left + 4, (rect.top + rect.bottom) / 2);
        // The mouse as the system reports it; with Ctrl or Shift held the
        // list extends its selection, as for a user.
        SetFocus(list);
        SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON | keys, at);
        SendMessageW(list, WM_LBUTTONUP, keys, at);
        if (twice) {
            SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON | keys, at);
            SendMessageW(list, WM_LBUTTONUP, keys, at);
        }
    });
}

void ScriptRunner::Pick(const std::string& name, int index) const
{
    const HWND control = Control(name);
    if (!EnabledForUser(control)) throw ScriptError(name + " is disabled");
    if (IsClass(control, L"ComboBox")) {
        const auto count = static_cast<int>(Send(control, CB_GETCOUNT));
        if (index < 0 || index >= count) throw ScriptError(name + " has no entry " + std::to_string(index));
        // Open the list, move to the entry, tell the parent, close: what the
        // control itself does for a user's pick.
        OnWindowThread([control, index] {
            SetFocus(control);
            SendMessageW(control, CB_SHOWDROPDOWN, TRUE, 0);
            SendMessageW(control, CB_SETCURSEL, index, 0);
            SendMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), CBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(control));
            SendMessageW(control, CB_SHOWDROPDOWN, FALSE, 0);
        });
    } else if (IsClass(control, WC_TABCONTROLW)) {
        const auto count = static_cast<int>(Send(control, TCM_GETITEMCOUNT));
        if (index < 0 || index >= count) throw ScriptError(name + " has no tab " + std::to_string(index));
        OnWindowThread([control, index] {
            NMHDR header{control, static_cast<UINT_PTR>(GetDlgCtrlID(control)), static_cast<UINT>(TCN_SELCHANGING)};
            const HWND parent = GetParent(control);
            if (SendMessageW(parent, WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header))) return;
            SendMessageW(control, TCM_SETCURSEL, index, 0);
            header.code = static_cast<UINT>(TCN_SELCHANGE);
            SendMessageW(parent, WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
        });
    } else {
        throw ScriptError(name + " has no entries to pick from");
    }
}

void ScriptRunner::Key(const ScriptLine& line) const
{
    if (line.words.size() < 3) throw ScriptError("usage: key CONTROL|form VK [shift] [ctrl] [alt]");
    HWND target = nullptr;
    if (line.words[1] == "form") {
        if (!currentForm_) throw ScriptError("no window waited for yet");
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        target = GetGUIThreadInfo(thread_, &info) && info.hwndFocus ? info.hwndFocus : currentForm_;
    } else {
        target = TypingTarget(Control(line.words[1]));
    }
    const int key = KeyCode(line.words[2]);
    std::vector<int> modifiers;
    for (std::size_t i = 3; i < line.words.size(); ++i) {
        const std::string& m = line.words[i];
        if (m == "shift") modifiers.push_back(VK_SHIFT);
        else if (m == "ctrl") modifiers.push_back(VK_CONTROL);
        else if (m == "alt") modifiers.push_back(VK_MENU);
        else throw ScriptError("unknown modifier " + Quoted(m));
    }
    // The modifiers are held in the window thread's key state while the key
    // goes down and up, so GetKeyState sees them as for a real keyboard.
    const auto hold = [modifiers](bool down) {
        BYTE state[256]{};
        GetKeyboardState(state);
        for (const int m : modifiers) state[m] = down ? 0x80 : 0;
        SetKeyboardState(state);
    };
    const UINT scan = MapVirtualKeyW(static_cast<UINT>(key), MAPVK_VK_TO_VSC);
    const bool alt = std::find(modifiers.begin(), modifiers.end(), VK_MENU) != modifiers.end();
    windows_.Post([hold] { hold(true); });
    PostMessageW(target, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, 1 | (scan << 16) | (alt ? 1 << 29 : 0));
    PostMessageW(target, alt ? WM_SYSKEYUP : WM_KEYUP, key, 1 | (scan << 16) | 0xC0000000u | (alt ? 1 << 29 : 0));
    OnWindowThread([hold] { hold(false); });
}

ScriptRunner::Box ScriptRunner::Answer(const std::string& button, int timeoutMs) const
{
    const int id = button == "yes" ? IDYES : button == "no" ? IDNO : button == "ok" ? IDOK : button == "cancel" ? IDCANCEL : 0;
    if (id == 0) throw ScriptError("answer yes, no, ok or cancel, not " + Quoted(button));
    const HWND box = Poll(timeoutMs, [&] { return MessageBoxOf(thread_); });
    if (!box) throw ScriptError("no message box within " + std::to_string(timeoutMs) + " ms");
    Box seen{Utf8(TextOf(box)), Utf8(TextOf(GetDlgItem(box, 0xFFFF)))};
    const HWND pressed = GetDlgItem(box, id);
    if (!pressed || !IsWindowVisible(pressed))
        throw ScriptError("the box " + Quoted(seen.caption) + " (" + Quoted(seen.text) + ") has no " + button + " button");
    PostMessageW(pressed, BM_CLICK, 0, 0);
    if (!Poll(timeoutMs, [&] { return !IsWindow(box) || !IsWindowVisible(box); }))
        throw ScriptError("the message box stays up after " + button);
    Sync();
    return seen;
}

bool ScriptRunner::ExpectMessage(UINT message, WPARAM wParam, int timeoutMs)
{
    return Poll(timeoutMs, [&] {
        const auto recorded = windows_.Messages();
        for (std::size_t i = messageCursor_; i < recorded.size(); ++i) {
            const bool matches = recorded[i].message == message &&
                                 (message == WM_COMMAND ? LOWORD(recorded[i].wParam) == wParam : recorded[i].wParam == wParam);
            if (matches) {
                messageCursor_ = i + 1;
                return true;
            }
        }
        return false;
    });
}

void ScriptRunner::Dump() const
{
    for (const HWND top : TopWindows(thread_)) {
        const std::wstring formName = WindowName(top);
        if (formName.empty()) continue;
        std::vector<HWND> named{top};
        EnumChildWindows(top, &ThreadWindows::Add, reinterpret_cast<LPARAM>(&named));  // appends descendants
        for (const HWND window : named) {
            const std::wstring name = WindowName(window);
            if (name.empty()) continue;
            std::string state = "enabled=" + std::to_string(EnabledForUser(window)) +
                                " visible=" + std::to_string(IsWindowVisible(window) != 0);
            if (IsCheckBox(window)) state += " checked=" + std::to_string(Send(window, BM_GETCHECK) == BST_CHECKED);
            if (IsClass(window, L"ComboBox")) state += " selected=" + std::to_string(Send(window, CB_GETCURSEL));
            if (IsClass(window, WC_TABCONTROLW)) state += " selected=" + std::to_string(Send(window, TCM_GETCURSEL));
            for (HWND rows = FindWindowExW(window, nullptr, L"ListBox", nullptr); rows;
                 rows = FindWindowExW(window, rows, L"ListBox", nullptr))
                state += " rows=" + std::to_string(Send(rows, LB_GETCOUNT)) +
                         " selected=" + std::to_string(Send(rows, LB_GETSELCOUNT));
            state += Geometry(window);
            std::printf("%-16s %-20s %s text=\"%s\"\n", Utf8(name).c_str(), Utf8(ClassOf(window)).c_str(), state.c_str(),
                        VisibleText(window).c_str());
        }
    }
    std::fflush(stdout);
}

void ScriptRunner::Screenshot(const std::string& file) const
{
    const HWND form = currentForm_ && IsWindowVisible(currentForm_) ? currentForm_ : nullptr;
    // In front and painted before the pixels are read.
    OnWindowThread([form] {
        if (!form) return;
        SetForegroundWindow(form);
        RedrawWindow(form, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
    });
    Sleep(300);
    Sync();
    CaptureToBmp(form, file);
    std::printf("screenshot %s\n", file.c_str());
}

void ScriptRunner::CloseLeftovers()
{
    for (int round = 0; round < 20; ++round) {
        if (const HWND box = MessageBoxOf(thread_)) {
            for (const int id : {IDCANCEL, IDNO, IDOK})
                if (const HWND button = GetDlgItem(box, id)) {
                    PostMessageW(button, BM_CLICK, 0, 0);
                    break;
                }
            Sleep(100);
            continue;
        }
        bool open = false;
        for (const HWND top : TopWindows(thread_))
            if (!WindowName(top).empty() && IsWindowVisible(top)) {
                PostMessageW(top, WM_CLOSE, 0, 0);
                open = true;
            }
        if (!open) return;
        Sleep(100);
    }
}

// ---- the report ---------------------------------------------------------------------

namespace {

std::string XmlEscaped(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

}  // namespace

void WriteXmlReport(const std::string& path, const std::string& suite, const std::vector<Expectation>& expectations)
{
    const auto failures = std::count_if(expectations.begin(), expectations.end(), [](const Expectation& e) { return !e.failure.empty(); });
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites tests=\"" + std::to_string(expectations.size()) +
                      "\" failures=\"" + std::to_string(failures) + "\">\n  <testsuite name=\"" + XmlEscaped(suite) + "\">\n";
    for (const Expectation& e : expectations) {
        xml += "    <testcase classname=\"" + XmlEscaped(suite) + "\" name=\"line " + std::to_string(e.line) + ": " +
               XmlEscaped(e.what) + "\"";
        if (!e.failure.empty()) {
            xml += ">\n      <failure message=\"" + XmlEscaped(e.failure) + "\"/>\n    </testcase>\n";
        } else if (!e.skipped.empty()) {
            xml += ">\n      <skipped message=\"" + XmlEscaped(e.skipped) + "\"/>\n    </testcase>\n";
        } else {
            xml += "/>\n";
        }
    }
    xml += "  </testsuite>\n</testsuites>\n";
    WriteFileReplacing(path, xml);
}

}  // namespace host
