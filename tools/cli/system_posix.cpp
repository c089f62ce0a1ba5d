#include "cli/system.h"

#include "text/utf8.h"

namespace sonrik::cli {

unsigned SystemCodePage() { return 1252; }

bool ArgumentsAreUtf8() { return true; }

std::string ArgumentToUtf8(std::string_view argument) { return text::SanitizeUtf8(argument); }

Utf8Console::Utf8Console() = default;
Utf8Console::~Utf8Console() = default;

}  // namespace sonrik::cli
