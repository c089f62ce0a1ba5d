// Settings and history rewrites read the old file first; when that read fails
// part-way they must refuse, not replace the file by what little was read.
#include "platform/errors.h"
#include "platform/platform.h"
#include "platform/profile_file.h"
#include "sonrik/history_file.h"
#include "sonrik/settings_file.h"
#include "tag_test_support.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using sonrik::platform::FileCall;
using sonrik::platform::FileCallFaults;
using sonrik::testing::ReadBytes;
using sonrik::testing::TempDir;
using sonrik::testing::WriteBytes;

constexpr std::initializer_list<FileCall> kReads = {FileCall::Open, FileCall::Size, FileCall::Read, FileCall::ReadAt};

struct Rewrite {
    const char* what;
    const char* file;
    std::function<void(const std::string& path)> run;
};

// Big enough that the old file takes more than one read.
std::string OldHistory()
{
    std::string text = "[ARTISTS]\r\n";
    for (int i = 0; i < 8000; ++i) text += "Artist number " + std::to_string(i) + "\r\n";
    return text + "[TAG_NAME]\r\n<TITLE>\r\n";
}

}  // namespace

TEST(RewriteFaults, OldFileThatCannotBeReadIsKept)
{
    const std::vector<Rewrite> rewrites = {
        {"profile value", "moduls.ini",
         [](const std::string& p) { sonrik::platform::profile::WriteString(p, "SONRIKSETTS", "ENG", "1"); }},
#ifndef _WIN32  // the Windows layer hands settings to the system's own profile calls
        {"settings option", "moduls.ini",
         [](const std::string& p) { sonrik::SettingsFile(p).WriteBool("ENG", true); }},
#endif
        {"history section", "sonrik.txt",
         [](const std::string& p) { sonrik::ReplaceHistorySection(p, {"TAG_NAME", {"<ARTIST>"}}); }},
    };
    TempDir dir;
    for (const auto& r : rewrites) {
        SCOPED_TRACE(r.what);
        const std::string path = dir.file(r.file);
        const std::string before = std::string(r.file) == "sonrik.txt" ? OldHistory()
                                                                        : "[Host]\r\nx=1\r\n[SONRIKSETTS]\r\nENG=0\r\n";
        int reads = 0;
        {
            WriteBytes(path, before);
            FileCallFaults counting(kReads, 0);
            r.run(path);
            reads = counting.calls();
            ASSERT_NE(ReadBytes(path), before) << "the rewrite changes the file when it can read it";
        }
        ASSERT_GT(reads, 0);
        for (int k = 1; k <= reads; ++k) {
            SCOPED_TRACE("read call " + std::to_string(k) + " of " + std::to_string(reads));
            WriteBytes(path, before);
            FileCallFaults faults(kReads, k);
            EXPECT_THROW(r.run(path), sonrik::Error);
            EXPECT_EQ(ReadBytes(path), before);
        }
    }
}
