// Which files a command works on: folders, their subfolders and list files.
#include "cli/args.h"
#include "cli/files.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace sonrik::cli {
namespace {

namespace fs = std::filesystem;

class CliFiles : public testing::Test {
protected:
    void SetUp() override
    {
        root_ = fs::temp_directory_path()
                / (std::string("sonrik-files-") + testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        for (const char* name : {"d/b.MP3", "d/a.mp3", "d/Z.Mp3", "d/notes.txt", "d/mp3", "d/sub/x.mp3",
                                 "d/sub/deeper/y.mp3", "d/sub.mp3/inner.mp3"})
            Make(name, "");
        fs::create_directories(root_ / "d/empty");
        // A relative line is taken from the list file's folder.
        Make("list.m3u", At("d/a.mp3") + "\r\nsong.wav\n" + At("other.mp3") + "\r\nrel.mp3\r\n" + At("d/a.mp3") + "\n");
    }
    void TearDown() override { fs::remove_all(root_); }

    void Make(const std::string& name, const std::string& bytes) const
    {
        fs::create_directories((root_ / name).parent_path());
        std::ofstream(root_ / name, std::ios::binary) << bytes;
    }
    // A path below the test's folder as the system spells it.
    std::string At(const std::string& name) const { return (root_ / fs::path(name).make_preferred()).string(); }
    std::vector<std::string> All(const std::vector<std::string>& names) const
    {
        std::vector<std::string> paths;
        for (const auto& name : names) paths.push_back(At(name));
        return paths;
    }

    fs::path root_;
};

TEST_F(CliFiles, FoldersGiveTheirMp3FilesInNameOrder)
{
    const struct {
        std::vector<std::string> paths, lists;
        bool recursive, anyName;
        std::vector<std::string> files;
    } cases[] = {
        {{"d"}, {}, false, false, {"d/Z.Mp3", "d/a.mp3", "d/b.MP3"}},
        {{"d"}, {}, true, false, {"d/Z.Mp3", "d/a.mp3", "d/b.MP3", "d/sub/x.mp3", "d/sub/deeper/y.mp3", "d/sub.mp3/inner.mp3"}},
        // A file given is taken as it is, once; with --any-name whatever its name.
        {{"d/b.MP3", "d/notes.txt", "d", "missing.mp3"}, {}, false, true,
         {"d/b.MP3", "d/notes.txt", "d/Z.Mp3", "d/a.mp3", "missing.mp3"}},
        {{"d/sub"}, {"list.m3u"}, false, false, {"d/sub/x.mp3", "d/a.mp3", "other.mp3", "rel.mp3"}},
    };
    for (const auto& c : cases) {
        const CollectedFiles got = CollectFiles({All(c.paths), All(c.lists), c.recursive, c.anyName});
        EXPECT_EQ(got.files, All(c.files)) << testing::PrintToString(c.paths);
        EXPECT_TRUE(got.failures.empty());
        EXPECT_TRUE(got.empty.empty());
    }
}

TEST_F(CliFiles, EmptyFoldersAreNotedAndBadListsRefused)
{
    Make("empty.m3u", "song.wav\r\n");
    const CollectedFiles got = CollectFiles({All({"d/empty"}), All({"empty.m3u"}), true});
    EXPECT_TRUE(got.files.empty());
    EXPECT_EQ(got.empty, All({"d/empty", "empty.m3u"}));

    for (const std::string list : {"missing.m3u", "d"})
        EXPECT_THROW(CollectFiles({{}, {At(list)}, false}), UsageError) << list;
    // A file named by hand that is no MP3 file by its name stops the run before anything is done.
    EXPECT_THROW(CollectFiles({All({"d/a.mp3", "d/notes.txt"}), {}, false}), UsageError);
}

// The tool's names are UTF-8 on every system: a name that no ANSI code page
// holds is found in its folder, listed and opened whole.
TEST_F(CliFiles, NamesOutsideTheAnsiCodePageArriveWhole)
{
    platform::UseUtf8FileNames();  // as the program's Arguments() does
    const fs::path folder = root_ / u8"曲";
    fs::create_directories(folder);
    std::ofstream(folder / u8"歌 ё.mp3", std::ios::binary) << "x";
    const auto utf8 = [](const fs::path& p) { const std::u8string s = p.u8string(); return std::string(s.begin(), s.end()); };
    const CollectedFiles got = CollectFiles({{utf8(folder)}, {}, false});
    ASSERT_EQ(got.files, std::vector<std::string>{utf8(folder / u8"歌 ё.mp3")});
    EXPECT_TRUE(platform::File::openExisting(got.files[0], platform::OpenMode::Read));
}

#ifndef _WIN32
TEST_F(CliFiles, LinksToFoldersAreNotWalkedInto)
{
    fs::create_directory_symlink(root_ / "d", root_ / "d/sub/loop");
    fs::create_symlink(root_ / "d/a.mp3", root_ / "d/sub/link.mp3");
    EXPECT_EQ(CollectFiles({All({"d/sub"}), {}, true}).files,
              All({"d/sub/link.mp3", "d/sub/x.mp3", "d/sub/deeper/y.mp3"}));
}
#endif

}  // namespace
}  // namespace sonrik::cli
