// Runs that fail part-way, with writes made to fail in-process: a save whose
// own restore failed, a run stopped half-way, an undo whose write fails.
// Each must leave files whole and a journal that undo can finish from.
#include "cli/commands.h"

#include "platform/platform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using sonrik::platform::FileCallFaults;
using sonrik::platform::kFileChanges;

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const std::string kLyrics = "LYRICSBEGININD0000210LYR00007Hello\r\nAUT00002Me000046LYRICS200";
const std::string kRecord = "TAG" + std::string(30, 'T') + std::string(94, '\0') + '\x0c';

class JournalFaults : public testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() /
               (std::string("sonrik-faults-") + testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        journal_ = (dir_ / "run.jsonl").string();
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Put(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(dir_ / name, std::ios::binary) << bytes;
        return (dir_ / name).string();
    }

    int Run(std::vector<std::string> args)
    {
        out_.str({});
        err_.str({});
        return sonrik::cli::Run(args, {}, out_, err_);
    }

    fs::path dir_;
    std::string journal_;
    std::ostringstream out_, err_;
};

TEST_F(JournalFaults, EveryWriteFailingFromTheKthOnIsUndoneToTheSameBytes)
{
    struct Case {
        const char* what;
        std::string before;
        std::vector<std::string> options;
    };
    const std::vector<Case> cases = {
        {"a smaller tag area", std::string(300, 'a') + kLyrics + kRecord, {"--no-lyrics3"}},
        {"a tag appended", std::string(300, 'a'), {"--artist", "Someone"}},
    };
    for (const Case& c : cases) {
        bool faulted = true;
        for (int k = 1; faulted; ++k) {
            const std::string file = Put("song.mp3", c.before);
            fs::remove(journal_);
            std::vector<std::string> args = {"set", "--journal", journal_};
            args.insert(args.end(), c.options.begin(), c.options.end());
            args.push_back(file);
            {
                // The journal's writes count: the disk that fails the save fails them too.
                const FileCallFaults faults(kFileChanges, k, FileCallFaults::Mode::FromThenOn);
                Run(args);
                faulted = faults.calls() >= k;
            }
            const std::string advice = "run 'sonrik-tag undo " + journal_ + "'";
            const bool advised = err_.str().find(advice) != std::string::npos;
            if (advised) EXPECT_NE(ReadAll(file), c.before) << c.what << ", k " << k;
            if (fs::exists(journal_)) {
                const int status = Run({"undo", journal_});
                if (advised) EXPECT_EQ(status, 0) << c.what << ", k " << k << out_.str() << err_.str();
            }
            EXPECT_EQ(ReadAll(file), c.before) << c.what << ", k " << k;
        }
    }
}

TEST_F(JournalFaults, ARunStoppedHalfWayIsUndoneAsFarAsItWent)
{
    const std::string before = std::string(300, 'a');
    for (const char* name : {"A - 1.mp3", "B - 2.mp3", "C - 3.mp3"}) Put(name, before);
    {
        // The plan and the first file are written; the run stops at the second.
        const FileCallFaults faults(kFileChanges, 3, FileCallFaults::Mode::FromThenOn);
        EXPECT_EQ(Run({"fill", "--apply", "--journal", journal_, "-t", "<ARTIST> - <TITLE>", dir_.string()}), 1);
    }
    ASSERT_NE(ReadAll(dir_ / "A - 1.mp3"), before);
    // A stopped run may have no result lines after the last change it made,
    // the first of them cut off in the middle: undo decides from the files.
    ASSERT_EQ(ReadAll(journal_).find("\"type\":\"result\""), std::string::npos);
    std::ofstream(journal_, std::ios::binary | std::ios::app) << "{\"check\":\"0123456789abcdef\",\"type\":\"res";

    EXPECT_EQ(Run({"undo", journal_}), 0) << out_.str() << err_.str();
    for (const char* name : {"A - 1.mp3", "B - 2.mp3", "C - 3.mp3"}) EXPECT_EQ(ReadAll(dir_ / name), before) << name;
    EXPECT_NE(out_.str().find("C - 3.mp3\ttags\tnothing to undo"), std::string::npos) << out_.str();
    // The undo's own line replaced the cut one: the journal reads whole again.
    EXPECT_EQ(Run({"undo", journal_}), 0) << err_.str();
}

TEST_F(JournalFaults, AFileChangedAfterARunStoppedIsLeftAndTheRestUndoneLastFirst)
{
    const std::string before = std::string(300, 'a');
    for (const char* name : {"A - 1.mp3", "B - 2.mp3", "C - 3.mp3"}) Put(name, before);
    {
        const FileCallFaults faults(kFileChanges, 3, FileCallFaults::Mode::FromThenOn);
        ASSERT_EQ(Run({"fill", "--apply", "--journal", journal_, "-t", "<ARTIST> - <TITLE>", dir_.string()}), 1);
    }
    const std::string changed = before + "TAG" + std::string(30, 'x') + std::string(94, '\0') + '\x0c';
    Put("C - 3.mp3", changed);
    EXPECT_EQ(Run({"undo", journal_}), 1);
    EXPECT_EQ(ReadAll(dir_ / "A - 1.mp3"), before);
    EXPECT_EQ(ReadAll(dir_ / "C - 3.mp3"), changed);
    const std::string rows = out_.str();
    EXPECT_NE(rows.find("C - 3.mp3\ttags\tleft"), std::string::npos) << rows;
    EXPECT_LT(rows.find("C - 3.mp3"), rows.find("A - 1.mp3")) << rows;
}

TEST_F(JournalFaults, AnUndoWhoseWriteFailsLeavesTheFileAsTheRunLeftIt)
{
    const std::string file = Put("song.mp3", std::string(300, 'a') + kLyrics + kRecord);
    ASSERT_EQ(Run({"set", "--no-lyrics3", "--journal", journal_, file}), 0);
    const std::string saved = ReadAll(file);
    for (int failAt = 1; failAt <= 2; ++failAt) {
        const FileCallFaults faults(kFileChanges, failAt, FileCallFaults::Mode::Once);
        EXPECT_EQ(Run({"undo", journal_}), 1) << failAt;
        EXPECT_EQ(ReadAll(file), saved) << failAt;
    }
    EXPECT_EQ(Run({"undo", journal_}), 0);
    EXPECT_EQ(ReadAll(file), std::string(300, 'a') + kLyrics + kRecord);
}

}  // namespace
