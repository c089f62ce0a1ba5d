#include "platform/file_calls.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace sonrik::platform {

namespace {

// The core runs on one thread (the window's); tests install hooks around a call.
FileCallHook& InstalledHook()
{
    static FileCallHook hook;
    return hook;
}

}  // namespace

FileCallHook SetFileCallHook(FileCallHook hook) { return std::exchange(InstalledHook(), std::move(hook)); }

void detail::CheckFileCall(FileCall call)
{
    const FileCallHook& hook = InstalledHook();
    if (!hook) return;
    if (const int code = hook(call); code != 0) throw IoError(code);
}

FileCallFaults::FileCallFaults(std::initializer_list<FileCall> counted, int failAt, Mode mode, int code)
    : calls_(std::make_shared<int>(0)), previous_(SetFileCallHook({}))
{
    // An outer scope's hook still sees every call, so scopes nest.
    SetFileCallHook([calls = calls_, kinds = std::vector<FileCall>(counted), failAt, mode, code,
                     outer = previous_](FileCall call) {
        const int outerCode = outer ? outer(call) : 0;
        if (std::find(kinds.begin(), kinds.end(), call) == kinds.end()) return outerCode;
        const int n = ++*calls;
        const bool fails = failAt > 0 && (n == failAt || (mode == Mode::FromThenOn && n > failAt));
        return fails ? code : outerCode;
    });
}

FileCallFaults::~FileCallFaults() { SetFileCallHook(std::move(previous_)); }

}  // namespace sonrik::platform
