// undo as a user leans on it, in-process: from another folder, back through
// several runs, a renamed file retagged since, the read-only attribute, and
// what it refuses. Each case checks the files' bytes and names on disk.
#include "cli/commands.h"

#include "journal/journal.h"
#include "platform/platform.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using sonrik::platform::FileCall;
using sonrik::platform::FileCallFaults;
using sonrik::platform::kFileChanges;

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// 200 bytes of audio and an ID3v1.1 record.
std::string Song(const std::string& title, const std::string& artist)
{
    const auto field = [](std::string text) {
        text.resize(30, '\0');
        return text;
    };
    return std::string(200, 'U') + "TAG" + field(title) + field(artist) + field("") + "2001" + field("") + '\x0c';
}

class Undo : public testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() /
               (std::string("sonrik-undo-") + testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "state");
        state_ = (dir_ / "state").string();
#ifdef _WIN32
        _putenv_s("SONRIK_STATE_DIR", state_.c_str());
#else
        setenv("SONRIK_STATE_DIR", state_.c_str(), 1);
#endif
        home_ = fs::current_path();
    }
    void TearDown() override
    {
        fs::current_path(home_);
        for (const auto& entry : fs::recursive_directory_iterator(dir_))
            fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add);
        fs::remove_all(dir_);
    }

    std::string Put(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(dir_ / name, std::ios::binary) << bytes;
        return (dir_ / name).string();
    }
    std::string Journal(const std::string& name) const { return (dir_ / "state" / name).string(); }

    int Run(std::vector<std::string> args)
    {
        out_.str({});
        err_.str({});
        return sonrik::cli::Run(args, {}, out_, err_);
    }

    fs::path dir_, home_;
    std::string state_;
    std::ostringstream out_, err_;
};

TEST_F(Undo, ARunWithRelativeNamesIsUndoneFromAnotherFolder)
{
    Put("a.mp3", Song("Song", "Band"));
    fs::current_path(dir_);
    ASSERT_EQ(Run({"set", "--artist", "Other", "a.mp3"}), 0) << err_.str();
    fs::current_path(dir_ / "state");
    EXPECT_EQ(Run({"undo"}), 0) << out_.str() << err_.str();
    EXPECT_EQ(ReadAll(dir_ / "a.mp3"), Song("Song", "Band"));
}

TEST_F(Undo, EachPlainUndoRevertsTheRunBeforeAndPassesOverRunsThatChangedNothing)
{
    const std::string file = Put("a.mp3", Song("Song", "Band"));
    ASSERT_EQ(Run({"set", "--journal", Journal("1.jsonl"), "--artist", "First", file}), 0);
    ASSERT_EQ(Run({"set", "--journal", Journal("2.jsonl"), "--artist", "Second", file}), 0);
    {
        // Every save of this run fails before it changes a byte.
        const FileCallFaults faults({FileCall::WriteAt}, 1, FileCallFaults::Mode::FromThenOn);
        ASSERT_EQ(Run({"set", "--journal", Journal("3.jsonl"), "--artist", "Third", file}), 1);
    }
    std::ofstream(Journal("4.jsonl"), std::ios::binary) << "{\"check\":\"0123456789abcdef\",\"comm";  // killed

    EXPECT_EQ(Run({"undo"}), 0) << err_.str();
    EXPECT_EQ(ReadAll(file), Song("Song", "First"));
    EXPECT_NE(err_.str().find("passed over " + Journal("4.jsonl") + ": its run stopped before its first change"),
              std::string::npos) << err_.str();
    EXPECT_NE(err_.str().find("passed over " + Journal("3.jsonl") + ": its run changed no file"), std::string::npos);
    EXPECT_EQ(Run({"undo"}), 0) << err_.str();
    EXPECT_EQ(ReadAll(file), Song("Song", "Band"));
    EXPECT_EQ(Run({"undo"}), 0);
    EXPECT_NE(err_.str().find("nothing to undo"), std::string::npos) << err_.str();
    EXPECT_EQ(ReadAll(file), Song("Song", "Band"));

    ASSERT_EQ(Run({"undo", "--list"}), 0);
    std::istringstream list(out_.str());
    std::vector<std::string> undone;
    for (std::string line; std::getline(list, line);) undone.push_back(line.find("undone:") != std::string::npos ? "undone" : "-");
    EXPECT_EQ(undone, (std::vector<std::string>{"-", "-", "undone", "undone"})) << out_.str();
}

TEST_F(Undo, ARenamedFileRetaggedSinceGetsItsNameBack)
{
    Put("a.mp3", Song("Song", "Band"));
    ASSERT_EQ(Run({"rename", "--apply", "--journal", Journal("r.jsonl"), "-t", "<ARTIST> - <TITLE>", dir_.string()}), 0);
    ASSERT_EQ(Run({"set", "--no-journal", "--title", "Other", (dir_ / "Band - Song.mp3").string()}), 0);
    const std::string retagged = ReadAll(dir_ / "Band - Song.mp3");
    EXPECT_EQ(Run({"undo", Journal("r.jsonl")}), 0) << out_.str();
    EXPECT_EQ(ReadAll(dir_ / "a.mp3"), retagged);
    EXPECT_FALSE(fs::exists(dir_ / "Band - Song.mp3"));
}

#ifndef _WIN32
TEST_F(Undo, NamesWithBytesAJournalMustEscapeComeBack)
{
    for (const std::string name : {"q\"uote\\d.mp3", "ctrl\x01\x1f.mp3", "latin1 \xe9.mp3"}) {
        const std::string file = Put(name, Song("Song", "Band"));
        ASSERT_EQ(Run({"set", "--journal", Journal("j.jsonl"), "--artist", "Other", file}), 0) << err_.str();
        EXPECT_EQ(Run({"undo", Journal("j.jsonl")}), 0) << name << err_.str();
        EXPECT_EQ(ReadAll(file), Song("Song", "Band")) << name;
        fs::remove(Journal("j.jsonl"));
    }
}
#endif

TEST_F(Undo, AnotherFileAtTheNewNameIsLeft)
{
    Put("a.mp3", Song("Song", "Band"));
    ASSERT_EQ(Run({"rename", "--apply", "--journal", Journal("r.jsonl"), "-t", "<ARTIST> - <TITLE>", dir_.string()}), 0);
    // Another file, made before the first is gone so that the system cannot
    // give it the same number.
    Put("copy.mp3", Song("Other", "Band"));
    fs::remove(dir_ / "Band - Song.mp3");
    fs::rename(dir_ / "copy.mp3", dir_ / "Band - Song.mp3");
    EXPECT_EQ(Run({"undo", Journal("r.jsonl")}), 1);
    EXPECT_FALSE(fs::exists(dir_ / "a.mp3"));
    EXPECT_NE(out_.str().find("another file has its new name now"), std::string::npos) << out_.str();
}

TEST_F(Undo, TheReadOnlyAttributeARunTookAwayIsGivenBack)
{
    const std::string file = Put("Band - Song.mp3", Song("", "Old"));
    sonrik::platform::SetReadOnly(file, true);
    ASSERT_EQ(Run({"fill", "--apply", "--overwrite", "--readonly=remove", "-t", "<ARTIST> - <TITLE>", dir_.string()}),
              0) << out_.str();
    ASSERT_FALSE(sonrik::platform::IsReadOnly(file));
    EXPECT_EQ(Run({"undo"}), 0) << out_.str();
    EXPECT_TRUE(sonrik::platform::IsReadOnly(file));
    EXPECT_EQ(ReadAll(file), Song("", "Old"));
}

TEST_F(Undo, AJournalOfTheFirstFormatIsStillUndone)
{
    // Format 1 sealed the members as the JSON library dumps them, and kept
    // paths as given.
    const std::string before = Song("Song", "Band"), after = Song("Song", "Other");
    const std::string file = Put("a.mp3", after);
    std::string text, check;
    const auto seal = [&](const nlohmann::json& line) {
        char hash[17];
        std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(sonrik::journal::Fnv1a64(
                          line.dump(), sonrik::journal::Fnv1a64(check))));
        check = hash;
        text += "{\"check\":\"" + check + "\"," + line.dump().substr(1) + "\n";
    };
    const auto hex = [](const std::string& bytes) {
        std::string out;
        for (const char c : bytes) out += "0123456789abcdef"[(c >> 4) & 15], out += "0123456789abcdef"[c & 15];
        return out;
    };
    seal({{"type", "header"}, {"format", 1}, {"command", {"sonrik-tag", "set"}}, {"started", "x"}, {"planned", 1}});
    seal({{"type", "plan"}, {"seq", 0}, {"pos", 200}, {"size", 328}, {"change", "tags"}, {"path", file},
          {"area", hex(before.substr(200))}, {"before", sonrik::journal::StateHash(328, before.substr(200))},
          {"planned", sonrik::journal::StateHash(328, after.substr(200))}});
    std::ofstream(Journal("old.jsonl"), std::ios::binary) << text;
    EXPECT_EQ(Run({"undo", Journal("old.jsonl")}), 0) << err_.str();
    EXPECT_EQ(ReadAll(file), before);
}

TEST_F(Undo, WhatIsNoJournalIsRefusedWithTwo)
{
    struct Case {
        std::string path;
        std::string says;
    };
    Put("a.mp3", Song("Song", "Band"));
    for (const Case& c : {Case{dir_.string(), " is a folder, not a journal"},
                          Case{(dir_ / "a.mp3").string(), " is not a journal"}}) {
        EXPECT_EQ(Run({"undo", c.path}), 2) << c.path;
        EXPECT_NE(err_.str().find(c.path + c.says), std::string::npos) << err_.str();
    }
    EXPECT_EQ(ReadAll(dir_ / "a.mp3"), Song("Song", "Band"));
}

TEST_F(Undo, ThePlanIsSyncedOnceBeforeTheFirstFileIsTouched)
{
    const std::string file = Put("a.mp3", Song("Song", "Band"));
    std::vector<FileCall> calls;
    const auto previous = sonrik::platform::SetFileCallHook([&calls](FileCall call) {
        calls.push_back(call);
        return 0;
    });
    const int status = Run({"set", "--artist", "Other", file});
    sonrik::platform::SetFileCallHook(previous);
    ASSERT_EQ(status, 0) << err_.str();
    const auto firstChange = std::find_if(calls.begin(), calls.end(), [](FileCall call) {
        return call == FileCall::WriteAt || call == FileCall::Truncate;
    });
    ASSERT_NE(firstChange, calls.end());
    EXPECT_EQ(std::count(calls.begin(), firstChange, FileCall::Sync), 1);
}

TEST_F(Undo, ATargetThatAppearsAfterTheTestIsNeverTakenAndTheRunFails)
{
    Put("a.mp3", Song("Song", "Band"));
    const fs::path target = dir_ / "Band - Song.mp3";
    // The plan's sync comes after the test and before the first rename.
    const auto previous = sonrik::platform::SetFileCallHook([&target](FileCall call) {
        if (call == FileCall::Sync) std::ofstream(target, std::ios::binary) << "came meanwhile";
        return 0;
    });
    const int status = Run({"rename", "--apply", "-t", "<ARTIST> - <TITLE>", dir_.string()});
    sonrik::platform::SetFileCallHook(previous);
    EXPECT_EQ(status, 1) << out_.str();
    EXPECT_NE(out_.str().find("File exists"), std::string::npos) << out_.str();
    EXPECT_EQ(ReadAll(target), "came meanwhile");
    EXPECT_EQ(ReadAll(dir_ / "a.mp3"), Song("Song", "Band"));
}

}  // namespace
