#include "cli/system.h"

#include "text/utf8.h"

namespace sonrik::cli {

unsigned SystemCodePage() { return 1252; }

std::vector<std::string> Arguments(int argc, char* argv[])
{
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

bool ArgumentsAreUtf8() { return true; }

std::string ArgumentToUtf8(std::string_view argument) { return text::SanitizeUtf8(argument); }

std::string ListedName(std::string_view line) { return std::string(line); }

Utf8Console::Utf8Console() = default;
Utf8Console::~Utf8Console() = default;

}  // namespace sonrik::cli
