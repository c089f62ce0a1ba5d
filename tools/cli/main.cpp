// sonrik-tag: shows and changes the tags at the end of MP3 files.
#include "cli/commands.h"
#include "cli/rows.h"
#include "cli/system.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char* argv[])
{
    using namespace sonrik;
    using namespace sonrik::cli;
    // Nothing here writes through C stdio, so the streams need not keep in
    // step with it: unsynchronised, a report of many files is written in
    // large pieces instead of one call per insertion.
    std::ios::sync_with_stdio(false);
    const Utf8Console console;
    const std::vector<std::string> args = Arguments(argc, argv);
    ParseSettings settings;
    settings.defaultCodePage = text::CodePage::Find(SystemCodePage()) ? SystemCodePage() : 1252;
    settings.argumentsAreUtf8 = ArgumentsAreUtf8();
    settings.outIsTerminal = IsTerminal(1);
    settings.errIsTerminal = IsTerminal(2);
    const int status = Run(args, settings, std::cout, std::cerr);
    std::cout.flush();
    return status;
}
