// Runs cases written for one ANSI code page in that code page. POSIX can take
// any code page; Windows has the system's own, so there only the cases of that
// one run (the Wine runs cover 1252 and 1251).
#pragma once

#include "text/codepage.h"
#include "text/text.h"

namespace sonrik::testing {

class AnsiCodePageScope {
public:
    explicit AnsiCodePageScope(unsigned number)
    {
#ifdef _WIN32
        active_ = text::AnsiCodePage() == number;
#else
        text::UseAnsiCodePage(*text::CodePage::Find(number));
#endif
    }
    ~AnsiCodePageScope()
    {
#ifndef _WIN32
        text::UseAnsiCodePage(*text::CodePage::Find(1252));
#endif
    }
    AnsiCodePageScope(const AnsiCodePageScope&) = delete;
    AnsiCodePageScope& operator=(const AnsiCodePageScope&) = delete;

    // False when the system's code page is another one.
    bool active() const { return active_; }

private:
    bool active_ = true;
};

}  // namespace sonrik::testing
