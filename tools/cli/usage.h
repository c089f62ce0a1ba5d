// The help texts of sonrik-tag: what the program and each command do, with a
// worked example. The options' own lines come from the option table.
#pragma once

#include <span>
#include <string_view>

namespace sonrik::cli {

struct CommandText {
    std::string_view name;     // empty for the program itself
    std::string_view summary;  // the line under "Usage"
    std::string_view footer;   // after the options: details and an example
};

const CommandText& ProgramText();
// The commands in the order the help lists them.
std::span<const CommandText> CommandTexts();

}  // namespace sonrik::cli
