// File services of the platform layer. The same cases run natively and, in the
// cross build, as a Windows program, so both implementations answer to them.
#include "platform/platform.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;
using sonrik::IoError;
using sonrik::platform::File;
using sonrik::platform::FileExists;
using sonrik::platform::IsReadOnly;
using sonrik::platform::OpenMode;
using sonrik::platform::RenameFile;
using sonrik::platform::SetReadOnly;

// What an action threw: the I/O error's code and text, or code 0 when it threw none.
struct Failure {
    int code = 0;
    std::string text;
};

Failure failureOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const IoError& e) {
        return {e.code(), e.what()};
    }
    return {};
}

// Descriptors this process holds, where the system lists them; -1 elsewhere.
long openDescriptors()
{
#ifdef _WIN32
    return -1;
#else
    std::error_code ec;
    const fs::directory_iterator it("/proc/self/fd", ec);
    return ec ? -1 : static_cast<long>(std::distance(it, fs::directory_iterator{}));
#endif
}

std::string readAll(File& file)
{
    std::string bytes(static_cast<std::size_t>(file.size()), '\0');
    file.seek(0);
    file.readExact(bytes.data(), bytes.size());
    return bytes;
}

class PlatformFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::random_device random;
        while (dir_.empty()) {
            const fs::path candidate = fs::temp_directory_path() /
                                       ("sonrik-platform-" + test + "-" + std::to_string(random()));
            if (fs::create_directory(candidate)) dir_ = candidate;
        }
    }

    void TearDown() override
    {
        // Windows will not delete a read-only file, so lift the attribute first.
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(dir_, ec))
            fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add, ec);
        fs::remove_all(dir_, ec);
    }

    // Names go to the platform layer as plain byte strings, as the core keeps them.
    std::string path(const std::string& name) const { return dir_.string() + "/" + name; }

    std::string make(const std::string& name, const std::string& bytes) const
    {
        const std::string file = path(name);
        std::ofstream out(file, std::ios::binary);
        out << bytes;
        out.close();
        EXPECT_TRUE(out) << "cannot create " << file;
        return file;
    }

    static std::string contents(const std::string& file)
    {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    fs::path dir_;
};

TEST_F(PlatformFiles, ExistsOnlyForFiles)
{
    make("song.mp3", "x");
    make("empty.mp3", "");
    fs::create_directory(dir_ / "folder");

    EXPECT_TRUE(FileExists(path("song.mp3")));
    EXPECT_TRUE(FileExists(path("empty.mp3")));
    EXPECT_FALSE(FileExists(path("missing.mp3")));
    EXPECT_FALSE(FileExists(path("folder")));
    EXPECT_FALSE(FileExists(path("nofolder/song.mp3")));
    EXPECT_FALSE(FileExists(path("song.mp3/song.mp3")));
    EXPECT_FALSE(FileExists(""));
}

#ifndef _WIN32
// A named pipe is not a song: it must neither count as a file nor block an open.
TEST_F(PlatformFiles, PipesAreNotFilesAndNeverBlock)
{
    const std::string fifo = path("pipe.mp3");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(FileExists(fifo));
    for (const OpenMode mode : {OpenMode::Read, OpenMode::ReadWrite}) {
        const Failure f = failureOf([&] { (void)File::open(fifo, mode); });
        EXPECT_EQ(f.code, 5);
    }
}
#endif

TEST_F(PlatformFiles, OpenFailuresCarryTheWindowsCodes)
{
    make("song.mp3", "x");
    fs::create_directory(dir_ / "folder");

    for (const OpenMode mode : {OpenMode::Read, OpenMode::ReadWrite}) {
        SCOPED_TRACE(mode == OpenMode::Read ? "read" : "read/write");
        const auto openIt = [mode](const std::string& name) {
            return [name, mode] { (void)File::open(name, mode); };
        };

        const Failure missing = failureOf(openIt(path("missing.mp3")));
        EXPECT_EQ(missing.code, 2);
        EXPECT_EQ(missing.text, "File not found");

        // A missing folder on the way, a file used as a folder and an empty name
        // are bad names rather than missing files.
        const Failure noFolder = failureOf(openIt(path("nofolder/song.mp3")));
        EXPECT_EQ(noFolder.code, 3);
        EXPECT_EQ(noFolder.text, "Invalid filename");
        EXPECT_EQ(failureOf(openIt(path("song.mp3/song.mp3"))).code, 3);
        EXPECT_EQ(failureOf(openIt("")).code, 3);

        const Failure folder = failureOf(openIt(path("folder")));
        EXPECT_EQ(folder.code, 5);
        EXPECT_EQ(folder.text, "File access denied");
    }
}

TEST_F(PlatformFiles, ReadOnlyFileRefusesWriters)
{
    const std::string file = make("locked.mp3", "abc");
    SetReadOnly(file, true);
    {
        File reader = File::open(file, OpenMode::Read);
        EXPECT_EQ(readAll(reader), "abc");
    }

    if (std::fstream probe(file, std::ios::in | std::ios::out | std::ios::binary); probe.is_open())
        GTEST_SKIP() << "this account writes read-only files regardless (root): "
                        "permission bits do not stop it";

    const Failure refused = failureOf([&] { (void)File::open(file, OpenMode::ReadWrite); });
    EXPECT_EQ(refused.code, 5);
    EXPECT_EQ(refused.text, "File access denied");
    EXPECT_EQ(contents(file), "abc");
}

TEST_F(PlatformFiles, AttributesRoundTrip)
{
    const std::string file = make("song.mp3", "data");
    EXPECT_FALSE(IsReadOnly(file));

    SetReadOnly(file, true);
    EXPECT_TRUE(IsReadOnly(file));
    SetReadOnly(file, true);  // already read-only: no change, no error
    EXPECT_TRUE(IsReadOnly(file));

    SetReadOnly(file, false);
    EXPECT_FALSE(IsReadOnly(file));
    SetReadOnly(file, false);
    EXPECT_FALSE(IsReadOnly(file));
    {
        File writer = File::open(file, OpenMode::ReadWrite);
        writer.seek(writer.size());
        EXPECT_EQ(writer.write("!", 1), 1u);
    }
    EXPECT_EQ(contents(file), "data!");

    EXPECT_EQ(failureOf([&] { (void)IsReadOnly(path("missing.mp3")); }).code, 2);
    EXPECT_EQ(failureOf([&] { SetReadOnly(path("missing.mp3"), true); }).code, 2);
    EXPECT_EQ(failureOf([&] { SetReadOnly(path("nofolder/song.mp3"), false); }).code, 3);
}

TEST_F(PlatformFiles, AttributeWordCarriesReadOnlyInBitZero)
{
    using sonrik::platform::GetFileAttributeWord;
    using sonrik::platform::kAttributeReadOnly;
    using sonrik::platform::SetFileAttributeWord;
    const std::string file = make("song.mp3", "data");
    const auto writable = GetFileAttributeWord(file);
    EXPECT_EQ(writable & kAttributeReadOnly, 0u);

    SetFileAttributeWord(file, writable | kAttributeReadOnly);
    EXPECT_TRUE(IsReadOnly(file));
    const auto locked = GetFileAttributeWord(file);
    EXPECT_EQ(locked, writable | kAttributeReadOnly);

    // Putting back a word read earlier restores exactly that state.
    SetFileAttributeWord(file, writable);
    EXPECT_FALSE(IsReadOnly(file));
    EXPECT_EQ(GetFileAttributeWord(file), writable);

    EXPECT_EQ(failureOf([&] { (void)GetFileAttributeWord(path("missing.mp3")); }).code, 2);
    EXPECT_EQ(failureOf([&] { SetFileAttributeWord(path("missing.mp3"), 0); }).code, 2);
}

TEST_F(PlatformFiles, SizePositionAndReads)
{
    File file = File::open(make("ten.bin", "0123456789"), OpenMode::Read);
    char buf[8] = {};

    EXPECT_EQ(file.size(), 10);
    EXPECT_EQ(file.position(), 0);
    ASSERT_EQ(file.read(buf, 4), 4u);
    EXPECT_EQ(std::string(buf, 4), "0123");
    EXPECT_EQ(file.position(), 4);

    // A read across the end comes up short, then empty.
    file.seek(8);
    ASSERT_EQ(file.read(buf, 8), 2u);
    EXPECT_EQ(std::string(buf, 2), "89");
    EXPECT_EQ(file.position(), 10);
    EXPECT_EQ(file.read(buf, 8), 0u);

    // Positioning past the end is allowed and changes nothing.
    file.seek(25);
    EXPECT_EQ(file.position(), 25);
    EXPECT_EQ(file.read(buf, 1), 0u);
    EXPECT_EQ(file.size(), 10);

    file.seek(6);
    file.readExact(buf, 4);
    EXPECT_EQ(std::string(buf, 4), "6789");

    file.seek(7);
    const Failure beyond = failureOf([&] { file.readExact(buf, 4); });
    EXPECT_EQ(beyond.code, 100);
    EXPECT_EQ(beyond.text, "Read beyond end of file");

    File empty = File::open(make("empty.bin", ""), OpenMode::Read);
    EXPECT_EQ(empty.size(), 0);
    EXPECT_EQ(empty.read(buf, 1), 0u);
    EXPECT_EQ(failureOf([&] { empty.readExact(buf, 1); }).code, 100);
}

TEST_F(PlatformFiles, NegativeSeekFailsAndKeepsThePosition)
{
    // The tag record sits 128 bytes before the end; a shorter file cannot hold one.
    File file = File::open(make("short.mp3", std::string(100, 'x')), OpenMode::ReadWrite);
    file.seek(3);

    const Failure negative = failureOf([&] { file.seek(file.size() - 128); });
    EXPECT_EQ(negative.code, 131);
    EXPECT_EQ(negative.text, "I/O error 131");
    EXPECT_EQ(failureOf([&] { file.seek(-1); }).code, 131);
    EXPECT_EQ(file.position(), 3);
}

TEST_F(PlatformFiles, WriteThenTruncateAtThePosition)
{
    const std::string name = make("song.mp3", "0123456789");
    {
        File file = File::open(name, OpenMode::ReadWrite);
        file.seek(3);
        ASSERT_EQ(file.write("ab", 2), 2u);
        EXPECT_EQ(file.position(), 5);
        file.truncate();
        EXPECT_EQ(file.size(), 5);
        EXPECT_EQ(file.position(), 5);

        // Appending at the end, then cutting there, keeps everything written.
        file.seek(file.size());
        ASSERT_EQ(file.write("XYZ", 3), 3u);
        file.truncate();
        EXPECT_EQ(file.size(), 8);

        // Cutting past the end makes the file longer, padded with zero bytes.
        file.seek(10);
        file.truncate();
        EXPECT_EQ(file.size(), 10);
        file.close();
    }
    EXPECT_EQ(contents(name), std::string("012abXYZ\0\0", 10));

    File again = File::open(name, OpenMode::ReadWrite);
    again.truncate();  // at position 0
    EXPECT_EQ(again.size(), 0);
}

TEST_F(PlatformFiles, ReaderCannotWriteOrCut)
{
    const std::string name = make("song.mp3", "0123");
    File reader = File::open(name, OpenMode::Read);
    reader.seek(2);

    const Failure write = failureOf([&] { (void)reader.write("x", 1); });
    EXPECT_EQ(write.code, 5);
    EXPECT_EQ(write.text, "File access denied");
    // Windows says "access denied" here too; Wine says "invalid parameter".
    EXPECT_NE(failureOf([&] { reader.truncate(); }).code, 0);

    reader.close();
    EXPECT_EQ(contents(name), "0123");
}

TEST_F(PlatformFiles, OtherOpenersMayReadAndWriteMeanwhile)
{
    const std::string name = make("song.mp3", "0123456789");
    File reader = File::open(name, OpenMode::Read);
    File writer = File::open(name, OpenMode::ReadWrite);  // joins an open reader
    File second = File::open(name, OpenMode::ReadWrite);  // and an open writer
    File late = File::open(name, OpenMode::Read);         // a reader joins the writers

    writer.seek(2);
    ASSERT_EQ(writer.write("AB", 2), 2u);
    second.seek(8);
    ASSERT_EQ(second.write("Z", 1), 1u);

    EXPECT_EQ(readAll(reader), "01AB4567Z9");
    EXPECT_EQ(readAll(late), "01AB4567Z9");
}

TEST_F(PlatformFiles, ClosedFileRefusesWorkAndReopens)
{
    const std::string name = make("song.mp3", "abc");
    File file = File::open(name, OpenMode::ReadWrite);
    file.seek(3);
    ASSERT_EQ(file.write("de", 2), 2u);

    File moved = std::move(file);
    EXPECT_FALSE(file.isOpen());  // NOLINT(bugprone-use-after-move): checking the moved-from state
    ASSERT_TRUE(moved.isOpen());
    EXPECT_EQ(moved.position(), 5);

    moved.close();
    EXPECT_FALSE(moved.isOpen());
    EXPECT_NO_THROW(moved.close());  // a second close is harmless

    // Work on a closed file fails with the "invalid handle" code.
    char c = 0;
    const std::vector<std::function<void()>> work = {
        [&] { (void)moved.size(); },        [&] { (void)moved.position(); },
        [&] { moved.seek(0); },             [&] { (void)moved.read(&c, 1); },
        [&] { moved.readExact(&c, 1); },    [&] { (void)moved.write("x", 1); },
        [&] { moved.truncate(); },          [&] { (void)file.size(); },
    };
    for (std::size_t i = 0; i < work.size(); ++i)
        EXPECT_EQ(failureOf(work[i]).code, 6) << "operation " << i;

    File again = File::open(name, OpenMode::Read);
    EXPECT_EQ(readAll(again), "abcde");
}

TEST_F(PlatformFiles, HandlesAreReleased)
{
    const std::string first = make("first.mp3", "1");
    const std::string second = make("second.mp3", "2");
    const long before = openDescriptors();
    {
        const File scoped = File::open(first, OpenMode::ReadWrite);
    }
    File kept = File::open(first, OpenMode::Read);
    kept = File::open(second, OpenMode::Read);  // must let go of the first file
    if (before >= 0) {
        EXPECT_EQ(openDescriptors(), before + 1);
    }

    // Windows will not rename a file that is still open, so a leaked handle shows here too.
    EXPECT_EQ(failureOf([&] { RenameFile(first, path("first-renamed.mp3")); }).code, 0);
    kept.close();
    if (before >= 0) {
        EXPECT_EQ(openDescriptors(), before);
    }
    EXPECT_EQ(failureOf([&] { RenameFile(second, path("second-renamed.mp3")); }).code, 0);
}

TEST_F(PlatformFiles, RenameMovesAndNeverReplaces)
{
    const std::string a = make("a.mp3", "A");
    const std::string b = make("b.mp3", "B");
    const std::string c = path("c.mp3");

    RenameFile(a, c);
    EXPECT_FALSE(FileExists(a));
    EXPECT_EQ(contents(c), "A");

    const Failure refused = failureOf([&] { RenameFile(c, b); });
    EXPECT_EQ(refused.code, 183);  // already exists
    EXPECT_EQ(contents(b), "B");
    EXPECT_EQ(contents(c), "A");

    // A file renamed to its own name stays as it is.
    EXPECT_EQ(failureOf([&] { RenameFile(c, c); }).code, 0);
    EXPECT_EQ(contents(c), "A");

    EXPECT_EQ(failureOf([&] { RenameFile(path("missing.mp3"), path("d.mp3")); }).code, 2);
    EXPECT_EQ(failureOf([&] { RenameFile(c, path("nofolder/d.mp3")); }).code, 3);
    EXPECT_TRUE(FileExists(c));

    fs::create_directory(dir_ / "sub");
    RenameFile(c, path("sub/d.mp3"));
    EXPECT_FALSE(FileExists(c));
    EXPECT_EQ(contents(path("sub/d.mp3")), "A");
}

TEST_F(PlatformFiles, SameFileEntryOnlyForSpellingsOfOneName)
{
    const std::string a = make("Song.mp3", "A");
    const std::string b = make("other.mp3", "B");
    EXPECT_TRUE(sonrik::platform::SameFileEntry(a, a));
    EXPECT_FALSE(sonrik::platform::SameFileEntry(a, b));
    EXPECT_FALSE(sonrik::platform::SameFileEntry(a, path("missing.mp3")));
    // Another letter case names the file itself exactly where the volume
    // ignores letter case.
    const std::string respelled = path("SONG.mp3");
    EXPECT_EQ(sonrik::platform::SameFileEntry(a, respelled), FileExists(respelled));
    // A hard link is another entry of the same file.
    std::error_code ec;
    fs::create_hard_link(a, path("link.mp3"), ec);
    if (!ec) {
        EXPECT_FALSE(sonrik::platform::SameFileEntry(a, path("link.mp3")));
    }
}

TEST_F(PlatformFiles, FolderFilesAnswerAsFileExists)
{
    make("Song.mp3", "x");
    make("\xC0\xE9.mp3", "x");
    fs::create_directory(dir_ / "Folder.mp3");
    sonrik::platform::FolderFiles files(dir_.string());
    const auto expectAsFileExists = [&] {
        // Other letter cases name the file exactly where the system says so.
        for (const char* name : {"Song.mp3", "SONG.MP3", "song.mp3", "\xC0\xE9.mp3", "\xE0\xC9.mp3", "Folder.mp3",
                                 "Moved.mp3", "MOVED.mp3", "Missing.mp3", ""})
            EXPECT_EQ(files.Contains(path(name)), FileExists(path(name))) << name;
    };
    expectAsFileExists();
    // A rename the caller makes and tells of.
    RenameFile(path("Song.mp3"), path("Moved.mp3"));
    files.Remove(path("Song.mp3"));
    files.Add(path("Moved.mp3"));
    expectAsFileExists();
}

TEST_F(PlatformFiles, EightBitNamesPassUnchanged)
{
    // Bytes above 127 as the ANSI code page has them; the C runtime creates the
    // file, so both sides must agree on the same bytes.
    const std::string original = make("\xC0\xE9 - \xFF.mp3", "tag");
    const std::string renamed = path("\xE8\xF1.mp3");
    ASSERT_TRUE(FileExists(original));
    {
        File file = File::open(original, OpenMode::Read);
        EXPECT_EQ(readAll(file), "tag");
    }
    RenameFile(original, renamed);
    EXPECT_FALSE(FileExists(original));
    EXPECT_TRUE(FileExists(renamed));
    EXPECT_EQ(contents(renamed), "tag");
}

#ifdef _WIN32
// With names in the ANSI code page, a folder entry the code page cannot spell
// comes by its short name, which opens the same file. (Not in the run under a
// 1251 locale: there Wine cannot even create such a name on the disk.)
TEST_F(PlatformFiles, FolderEntriesWithoutAnsiSpellingComeByTheirShortNames)
{
    std::ofstream(dir_ / u8"\u66F2 \u6B4C.mp3", std::ios::binary) << "tag";
    make("Plain.mp3", "x");
    const auto entries = sonrik::platform::ReadFolder(dir_.string());
    ASSERT_TRUE(entries);
    // Wine keeps a short name for every entry (a Windows volume may keep none,
    // and then the entry is counted as unheld).
    ASSERT_EQ(entries->files.size(), 2u);
    EXPECT_EQ(entries->unheld, 0);
    for (const std::string& file : entries->files) {
        EXPECT_EQ(file.find('?'), std::string::npos) << file;
        EXPECT_TRUE(FileExists(file)) << file;
    }
}
#endif

TEST(IoErrorTexts, CodesHaveTheRuntimeTexts)
{
    const std::pair<int, const char*> table[] = {
        {2, "File not found"},
        {3, "Invalid filename"},
        {4, "Too many open files"},
        {5, "File access denied"},
        {100, "Read beyond end of file"},
        {101, "Disk full"},
        {106, "Invalid numeric input"},
        {1234, "I/O error 1234"},
        {183, "I/O error 183"},
    };
    for (const auto& [code, text] : table) {
        const IoError error(code);
        EXPECT_EQ(error.code(), code);
        EXPECT_STREQ(error.what(), text);
        EXPECT_EQ(IoError::textFor(code), text);
    }
}

}  // namespace

namespace {

TEST_F(PlatformFiles, OpenExistingGivesNothingWhereFileExistsSaysNo)
{
    make("song.mp3", "12345");
    fs::create_directory(dir_ / "folder");
    for (const std::string& name : {path("missing.mp3"), path("folder"), path("nofolder/song.mp3"),
                                   path("song.mp3/song.mp3"), std::string()}) {
        EXPECT_FALSE(FileExists(name)) << name;
        EXPECT_FALSE(File::openExisting(name, OpenMode::Read).has_value()) << name;
    }
    auto opened = File::openExisting(path("song.mp3"), OpenMode::ReadWrite);
    ASSERT_TRUE(opened.has_value());
    EXPECT_EQ(opened->size, 5);
    EXPECT_FALSE(opened->readOnly);
    opened.reset();
    sonrik::platform::SetFileAttributeWord(path("song.mp3"), sonrik::platform::kAttributeReadOnly);
    EXPECT_TRUE(File::openExisting(path("song.mp3"), OpenMode::Read)->readOnly) << "as the attribute word tells it";
    sonrik::platform::SetFileAttributeWord(path("song.mp3"), 0);
}

TEST_F(PlatformFiles, PositionedCallsTouchOnlyTheirBytes)
{
    const std::string name = make("song.mp3", "0123456789");
    File file = File::open(name, OpenMode::ReadWrite);
    char buffer[8] = {};
    EXPECT_EQ(file.readAt(7, buffer, sizeof buffer), 3u);  // short at the end, no error
    EXPECT_EQ(std::string(buffer, 3), "789");
    EXPECT_EQ(file.readAt(20, buffer, sizeof buffer), 0u);
    EXPECT_EQ(file.writeAt(2, "ab", 2), 2u);
    EXPECT_EQ(file.writeAt(12, "z", 1), 1u);  // beyond the end: the gap reads as zeros
    file.truncateAt(13);
    file.close();
    EXPECT_EQ(contents(name), std::string("01ab456789\0\0z", 13));

    File reader = File::open(name, OpenMode::Read);
    EXPECT_EQ(failureOf([&] { (void)reader.writeAt(0, "x", 1); }).code, 5);
    EXPECT_EQ(failureOf([&] { reader.truncateAt(1); }).code, 5);
    EXPECT_EQ(failureOf([&] { (void)reader.readAt(-1, buffer, 1); }).code, 131);
}

TEST_F(PlatformFiles, InstalledFaultsFailTheCountedCallsAndNest)
{
    using sonrik::platform::FileCall;
    using sonrik::platform::FileCallFaults;
    const std::string name = make("song.mp3", "abc");
    File file = File::open(name, OpenMode::ReadWrite);
    FileCallFaults every({FileCall::Write, FileCall::WriteAt, FileCall::Truncate}, 0);
    {
        FileCallFaults second({FileCall::WriteAt}, 2);
        EXPECT_EQ(file.writeAt(0, "x", 1), 1u);
        EXPECT_EQ(failureOf([&] { (void)file.writeAt(1, "y", 1); }).code, FileCallFaults::kDeviceError);
        EXPECT_EQ(file.writeAt(2, "z", 1), 1u);  // once only
        EXPECT_EQ(second.calls(), 3);
    }
    {
        FileCallFaults fromFirst({FileCall::Truncate}, 1, FileCallFaults::Mode::FromThenOn, 112);
        EXPECT_EQ(failureOf([&] { file.truncateAt(1); }).code, 112);
        EXPECT_EQ(failureOf([&] { file.truncate(); }).code, 112);
    }
    file.truncateAt(2);  // the scopes are gone
    EXPECT_EQ(every.calls(), 6);
    file.close();
    EXPECT_EQ(contents(name), "xb");
}

}  // namespace
