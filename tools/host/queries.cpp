#include "queries.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace host {

namespace {

// A printable, quoted form of a returned string; control and 8-bit bytes as \xNN.
std::string Quote(const char* text)
{
    if (!text)
        return "(null)";
    std::string quoted = "\"";
    for (const unsigned char c : std::string_view(text)) {
        if (c >= 0x20 && c < 0x7f && c != '"' && c != '\\') {
            quoted += static_cast<char>(c);
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", c);
            quoted += escape;
        }
    }
    return quoted + "\"";
}

bool Report(const char* name, const std::string& got, const std::string& expected)
{
    const bool ok = got == expected;
    if (ok)
        std::printf("%-18s %-16s ok\n", name, got.c_str());
    else
        std::printf("%-18s %-16s MISMATCH: expected %s\n", name, got.c_str(), expected.c_str());
    return ok;
}

bool Missing(const char* name)
{
    std::printf("%-18s MISSING: not exported by name\n", name);
    return false;
}

bool CheckText(const Plugin& plugin, const char* name, const char* expected)
{
    const auto fn = plugin.find<GetTextFn>(name);
    if (!fn)
        return Missing(name);
    const std::string expectedText = Quote(expected);
    return Report(name, Quote(fn()), expectedText);
}

bool CheckPlayListSupport(const Plugin& plugin)
{
    const char* const name = "IsPlayListSupport";
    const auto fn = plugin.find<IsPlayListSupportFn>(name);
    if (!fn)
        return Missing(name);
    return Report(name, std::to_string(fn()), "1");
}

}  // namespace

int CheckQueries(const Plugin& plugin)
{
    int failed = 0;
    failed += !CheckPlayListSupport(plugin);
    failed += !CheckText(plugin, "GetModuleName", "Sonrik editor");
    failed += !CheckText(plugin, "GetExt", "MP3;");
    return failed;
}

}  // namespace host
