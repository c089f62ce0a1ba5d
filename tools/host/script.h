// The host's script language: drives the module's windows as a user would,
// from a thread of its own, so a click that opens a message box never blocks
// the script. One command per line; '#' starts a comment; arguments with
// spaces go in double quotes (\" and \\ inside). See README.md for the list.
#pragma once

#include "plugin_host/host_window.h"

#include <chrono>
#include <functional>
#include <iosfwd>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace host {

class ScriptError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct ScriptLine {
    int number = 0;
    std::vector<std::string> words;  // the command first; never empty
};

// Splits a script into commands; throws ScriptError naming the line of an
// unterminated quote.
std::vector<ScriptLine> ParseScript(std::istream& in);

// What a script may ask of the host beyond the windows themselves. Each call
// is made on the script's thread; the host runs the export on its window
// thread. Throws ScriptError when it cannot (no library, no such export).
// How the last opening call went once it returned: the stack bytes it
// removed, where the build measures them.
struct CallOutcome {
    std::optional<unsigned> stackBytes;
};

struct ScriptHost {
    // `application` is 1 or 2: which of the host's application windows the
    // call hands over as the owner of the module's windows.
    std::function<void(const std::string& file, int application)> runModule;
    std::function<void(const std::string& listFile, int application)> runModuleList;
    // The last opening call's outcome; nothing while it runs.
    std::function<std::optional<CallOutcome>()> lastCall;
    // Frees the library (FreeLibrary) on the window thread.
    std::function<void()> unload;
};

// One checked expectation, for the report.
struct Expectation {
    int line = 0;
    std::string what;
    std::string failure;  // empty: passed (or skipped)
    std::string skipped;  // why the expectation could not be checked here
};

class ScriptRunner {
public:
    ScriptRunner(HostWindows& windows, DWORD windowThread, ScriptHost host);
    ~ScriptRunner();
    ScriptRunner(const ScriptRunner&) = delete;
    ScriptRunner& operator=(const ScriptRunner&) = delete;

    // Runs every command; an expectation that fails is reported and the
    // script goes on, an action that cannot be done ends it. Returns the
    // number of failures (expectations and the ending error).
    int Run(const std::vector<ScriptLine>& script, const std::string& scriptName);
    const std::vector<Expectation>& Expectations() const { return expectations_; }
    // Closes what the script left open (message boxes, forms) so the
    // window thread can end.
    void CloseLeftovers();

private:
    struct Box {
        std::string caption, text;
    };

    void Execute(const ScriptLine& line);
    // launch PROGRAM [ARG...]: from then on the windows of that program's
    // first thread are the ones worked on, as a user works on another
    // program; expect-exit CODE [MS] waits for it to end.
    void Launch(const ScriptLine& line);
    void ExpectExit(const ScriptLine& line);
    bool Launched() const { return launched_ != nullptr; }
    void Expect(const ScriptLine& line, bool ok, const std::string& failure);
    void Skip(const ScriptLine& line, const std::string& why);

    HWND Form(const std::string& name, int timeoutMs) const;
    HWND Control(const std::string& name) const;
    // Posts `action` to the window thread and waits until it and everything
    // posted before it has been handled (or a modal loop it opened is idle).
    void OnWindowThread(std::function<void()> action) const;
    void Sync() const;
    // Waits until the window thread has handled everything sent to it so far,
    // including what that posted in turn, and has painted what it changed.
    void Settle() const;
    void WaitRows(const ScriptLine& line) const;
    // The list box that shows the rows of a columned list box.
    HWND RowList(const std::string& name) const;

    void Type(HWND target, const std::wstring& text) const;
    void SetText(HWND target, const std::wstring& text) const;
    void Click(const std::string& name) const;
    void Pick(const std::string& name, int index) const;
    void ClickRow(const std::string& name, int row, int x, bool twice, WPARAM keys) const;
    void Key(const ScriptLine& line) const;
    Box Answer(const std::string& button, int timeoutMs) const;
    void Dump() const;
    void Screenshot(const std::string& file) const;
    bool ExpectMessage(UINT message, WPARAM wParam, int timeoutMs);

    HostWindows& windows_;
    DWORD thread_;
    HANDLE launched_ = nullptr;  // the process that `launch` started
    ScriptHost host_;
    HWND currentForm_ = nullptr;
    std::size_t messageCursor_ = 0;
    Box lastBox_;
    std::vector<Expectation> expectations_;
    std::string scriptName_;
    // How long an action waits for a busy window thread before the script
    // fails; a benchmark raises it so a slow step is measured, not cut off.
    int busyLimitMs_;
    std::chrono::steady_clock::time_point timerStart_;
    std::optional<int> rememberedWindows_;
};

// The expectations as a GoogleTest-style XML report (testsuites/testsuite/
// testcase/failure), so the test scripts count each one.
void WriteXmlReport(const std::string& path, const std::string& suite, const std::vector<Expectation>& expectations);

}  // namespace host
