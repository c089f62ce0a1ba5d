// A save that fails part-way: every call it makes is failed in turn, and the
// file must then hold exactly its old bytes (or, had the call come after the
// last change, the saved ones). Runs natively and under Wine alike.
#include "tag_test_support.h"

#include "platform/errors.h"
#include "platform/platform.h"
#include "twID3/twID3.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

using namespace sonrik::twID3;
using namespace sonrik::testing;
using sonrik::platform::FileCall;
using sonrik::platform::FileCallFaults;

namespace {

struct SaveCase {
    const char* name;
    std::string before;          // the file as it was
    void (*change)(TtwID3& tag);  // what the user changed after loading it
    std::string after;           // the file as saved
};

std::vector<SaveCase> SaveCases()
{
    const std::string audio = Audio(9000);
    const std::string record = Record("Song", "Band");
    const std::string largeBlock = BlockV2("LYR04000" + std::string(4000, 'l') + "ETT00004Name");
    return {
        {"untagged file given a title", audio, [](TtwID3& t) { t.ID3v1().SetTitle("New"); },
         audio + Record("New")},
        {"record only given lyrics (grows)", audio + record,
         [](TtwID3& t) { t.ID3v1().Lyrics3().SetAuthor("Me"); },
         audio + BlockV2("IND0000200AUT00002Me") + record},
        {"large block replaced by a small one (shrinks)", audio + largeBlock + record,
         [](TtwID3& t) {
             t.ID3v1().Lyrics3().Lyrics().clear();
             t.ID3v1().Lyrics3().SetTitle("N");
         },
         audio + BlockV2("IND0000200ETT00001N") + record},
        {"block given a longer field", audio + BlockV2("ETT00004Name") + record,
         [](TtwID3& t) { t.ID3v1().Lyrics3().SetTitle("A much longer name"); },
         audio + BlockV2("IND0000200ETT00018A much longer name") + record},
        {"block removed", audio + largeBlock + record, [](TtwID3& t) { t.ID3v1().SetUseLyrics3(false); },
         audio + record},
    };
}

// Loads `c.before` into a fresh file, applies the change and saves under
// `faults`; gives the error text, empty when the save raised none.
std::string SaveUnder(const std::string& path, const SaveCase& c, std::initializer_list<FileCall> counted, int failAt,
                      FileCallFaults::Mode mode, int* calls = nullptr)
{
    WriteBytes(path, c.before);
    TtwID3 tag;
    tag.LoadFromFile(path);
    c.change(tag);
    FileCallFaults faults(counted, failAt, mode);
    std::string error;
    try {
        tag.Save();
        if (tag.Success() != id3Success) error = "Success " + std::string(StateName(tag.Success()));
    } catch (const std::exception& e) {
        error = e.what();
    }
    if (calls) *calls = faults.calls();
    return error;
}

const std::initializer_list<FileCall> kEveryCall = {FileCall::Open,  FileCall::Size,    FileCall::Read,
                                                    FileCall::ReadAt, FileCall::Write,  FileCall::WriteAt,
                                                    FileCall::Truncate};

}  // namespace

TEST(SaveFaults, FailedCallLeavesTheFileAsItWasOrAsSaved)
{
    TempDir dir;
    const std::string path = dir.file("song.mp3");
    for (const auto& c : SaveCases()) {
        SCOPED_TRACE(c.name);
        for (const auto counted : {sonrik::platform::kFileChanges, kEveryCall}) {
            int calls = 0;
            ASSERT_EQ(SaveUnder(path, c, counted, 0, FileCallFaults::Mode::Once, &calls), "");
            ASSERT_TRUE(SameBytes(ReadBytes(path), c.after));
            ASSERT_GT(calls, 0);
            for (int k = 1; k <= calls; ++k) {
                SCOPED_TRACE("call " + std::to_string(k) + " of " + std::to_string(calls) +
                             (counted.size() == kEveryCall.size() ? " (any call)" : " (changes)"));
                const std::string error = SaveUnder(path, c, counted, k, FileCallFaults::Mode::Once);
                const std::string bytes = ReadBytes(path);
                if (error.empty()) {
                    EXPECT_TRUE(SameBytes(bytes, c.after));
                } else {
                    EXPECT_EQ(error, "I/O error 1117");
                    EXPECT_TRUE(SameBytes(bytes, c.before));
                }
            }
        }
    }
}

TEST(SaveFaults, FailedRestoreSaysTheTagAreaMayBeDamaged)
{
    TempDir dir;
    const std::string path = dir.file("song.mp3");
    for (const auto& c : SaveCases()) {
        SCOPED_TRACE(c.name);
        int calls = 0;
        SaveUnder(path, c, sonrik::platform::kFileChanges, 0, FileCallFaults::Mode::Once, &calls);
        for (int k = 1; k <= calls; ++k) {
            SCOPED_TRACE("changes fail from call " + std::to_string(k));
            const std::string error = SaveUnder(path, c, sonrik::platform::kFileChanges, k,
                                                FileCallFaults::Mode::FromThenOn);
            // The first write failing changed nothing: nothing to put back.
            if (k == 1) {
                EXPECT_EQ(error, "I/O error 1117");
                EXPECT_TRUE(SameBytes(ReadBytes(path), c.before));
            } else {
                EXPECT_NE(error.find("the file's tag area may be damaged"), std::string::npos) << error;
                EXPECT_NE(error.find(path), std::string::npos) << error;
            }
        }
    }
}
