// The portable private-profile code, and the platform services added with it
// (module path, whole-file replacement, sleep, last error code). The portable
// code runs on both platforms; under Windows it is also compared with the
// system's calls (profile_differential_test.cpp).
#include "platform/platform.h"
#include "platform/profile_file.h"
#include "tag_test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
namespace profile = sonrik::platform::profile;
using sonrik::IoError;
using sonrik::testing::ReadBytes;
using sonrik::testing::TempDir;
using sonrik::testing::WriteBytes;

int IoCodeOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const IoError& e) {
        return e.code();
    }
    return 0;
}

struct ReadCase {
    const char* what;
    std::string text;
    std::string section;
    std::string key;
    std::string defaultValue;
    std::string expected;
};

TEST(ProfileText, ReadsValuesAsTheSystemDoes)
{
    const std::vector<ReadCase> cases = {
        {"letter case of names", "[Sonrik]\r\nEng=1\r\n", "SONRIK", "eNG", "d", "1"},
        {"blanks around names and value", "  [ Sec ]  \r\n \t Key \t=\t val x \t\r\n", " Sec ", " key ", "d", "val x"},
        {"inner blanks of a name count", "[A]\r\nj k=1\r\n", "A", "j  k", "d", "d"},
        {"double quotes", "[A]\r\nk=\"q\"\r\n", "A", "k", "d", "q"},
        {"single quotes keep inner blanks", "[A]\r\nk=' x '\r\n", "A", "k", "d", " x "},
        {"unmatched quotes stay", "[A]\r\nk=\"a'\r\n", "A", "k", "d", "\"a'"},
        {"a lone quote stays", "[A]\r\nk=\"\r\n", "A", "k", "d", "\""},
        {"empty quotes", "[A]\r\nk=\"\"\r\n", "A", "k", "d", ""},
        {"only the outer pair goes", "[A]\r\nk=\"a\"b\"\r\n", "A", "k", "d", "a\"b"},
        {"empty value is not absent", "[A]\r\nk=\r\n", "A", "k", "d", ""},
        {"blank value", "[A]\r\nk=   \r\n", "A", "k", "d", ""},
        {"value with '='", "[A]\r\nk=a=b\r\n", "A", "k", "d", "a=b"},
        {"key without '=' has no value", "[A]\r\nk\r\n", "A", "k", "d", "d"},
        {"first key counts even without value", "[A]\r\nj\r\nj=5\r\n", "A", "j", "d", "d"},
        {"first duplicate key", "[A]\r\nk=1\r\nk=2\r\n", "A", "k", "d", "1"},
        {"first duplicate section only", "[A]\r\nk=1\r\n[a]\r\nj=2\r\n", "A", "j", "d", "d"},
        {"comment does not hide a key", "[A]\r\n; k=1\r\nk=2\r\n", "A", "k", "d", "2"},
        {"comment is found only by its own name", "[A]\r\n;k=1\r\n", "A", ";k", "d", "1"},
        {"missing section", "[A]\r\nk=1\r\n", "B", "k", "d", "d"},
        {"missing key", "[A]\r\nk=1\r\n", "A", "j", "d", "d"},
        {"key of another section", "[A]\r\n[B]\r\nk=1\r\n", "A", "k", "d", "d"},
        {"empty file", "", "A", "k", "def", "def"},
        {"text after ']' ignored", "[C]x\r\nj=2\r\n", "C", "j", "d", "2"},
        {"'[' without ']' is a key line", "[A]\r\n[B\r\nk=1\r\n", "A", "k", "d", "1"},
        {"lines before the first section", "x=1\r\n[A]\r\n", "", "x", "d", "1"},
        {"'[]' is not the leading section", "[]\r\nz=9\r\n", "", "z", "d", "d"},
        {"LF line ends", "[A]\nk=1\nj=2\n", "A", "j", "d", "2"},
        {"CR line ends", "[A]\rk=1\rj=2\r", "A", "j", "d", "2"},
        {"tab, VT, FF and Ctrl-Z are blanks", "[A]\r\n\v\fk\x1a=\t1\f\x1a\r\n", "A", "k", "d", "1"},
        {"no-break space is no blank", "[A]\r\nk=\xa0" "5\xa0\r\n", "A", "k", "d", "\xa0" "5\xa0"},
        {"non-ASCII letters compare exactly", "[A]\r\n\xe9t\xe9=1\r\n", "A", "\xc9T\xc9", "d", "d"},
        {"8-bit bytes pass unchanged", "[A]\r\nk=\x81\x8d\x8f\x90\x9d\xff\r\n", "A", "k", "d", "\x81\x8d\x8f\x90\x9d\xff"},
        {"value ends at NUL", std::string("[A]\r\nk=1\0zz\r\nj=2\r\n", 18), "A", "k", "d", "1"},
        {"UTF-8 mark before the first line", "\xEF\xBB\xBF[A]\r\nk=1\r\n", "A", "k", "d", "1"},
        {"trailing spaces of the default go", "", "A", "k", "def   ", "def"},
        {"first character of the default stays", "", "A", "k", "   ", " "},
        {"tabs of the default stay", "", "A", "k", "a\t ", "a\t"},
        {"leading blanks of the default stay", "", "A", "k", "  lead", "  lead"},
        {"quotes of the default go", "", "A", "k", "\"q\"", "q"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(profile::ValueIn(c.text, c.section, c.key, c.defaultValue), c.expected) << c.what;
    }
}

TEST(ProfileText, LongValuesAreCutToTheBuffer)
{
    const std::string big(3000, 'y');
    EXPECT_EQ(profile::ValueIn("[A]\r\nk=" + big + "\r\n", "A", "k", ""), big.substr(0, 2047));
    EXPECT_EQ(profile::ValueIn("[A]\r\nk='" + big + "'\r\n", "A", "k", ""), big.substr(0, 2047));
    EXPECT_EQ(profile::ValueIn("", "A", "k", big), big.substr(0, 2047));
    // The system's own copy loses the last character of a quoted value of
    // exactly 2047 characters under Wine; a full buffer is what the call promises.
    const std::string exact(2047, 'e');
    EXPECT_EQ(profile::ValueIn("[A]\r\nk=\"" + exact + "\"\r\n", "A", "k", ""), exact);
}

// A settings file as a host keeps it: comments, blank lines, spacing, mixed line ends.
const std::string kHostFile =
    "; player settings\r\n"
    "[Player]\r\n"
    "Volume = 80\r\n"
    "Skin=\"Dark Blue\"\n"
    "\r\n"
    "[SONRIKSETTS]\r\n"
    "ENG=0\r\n"
    "  EMPTY_ONLY = 1  \r\n"
    "; our comment\r\n"
    "\r\n"
    "\r\n"
    "[Plugins]\n"
    "count=3\n";

TEST(ProfileText, SettingAValueChangesOnlyItsLine)
{
    const auto edited = profile::WithValue(kHostFile, "sonriksetts", "eng", "1");
    ASSERT_TRUE(edited);
    std::string expected = kHostFile;
    expected.replace(expected.find("ENG=0"), 5, "ENG=1");
    EXPECT_EQ(*edited, expected);

    // The line's own spelling of the key stays; its blanks go.
    const auto spaced = profile::WithValue(kHostFile, "SONRIKSETTS", "EMPTY_ONLY", "0");
    ASSERT_TRUE(spaced);
    expected = kHostFile;
    expected.replace(expected.find("  EMPTY_ONLY = 1  "), 18, "EMPTY_ONLY=0");
    EXPECT_EQ(*spaced, expected);
}

TEST(ProfileText, NewKeyFollowsTheLastLineOfItsSection)
{
    const auto edited = profile::WithValue(kHostFile, "SONRIKSETTS", "OPTIONLIST", "-1");
    ASSERT_TRUE(edited);
    std::string expected = kHostFile;
    const std::string anchor = "; our comment\r\n";
    expected.insert(expected.find(anchor) + anchor.size(), "OPTIONLIST=-1\r\n");
    EXPECT_EQ(*edited, expected);

    // A last line without line end gets one before the new line.
    EXPECT_EQ(profile::WithValue("[A]\r\nk=1", "A", "j", "2"), "[A]\r\nk=1\r\nj=2\r\n");
    EXPECT_EQ(profile::WithValue("[A]", "A", "j", "2"), "[A]\r\nj=2\r\n");
    // Blank lines stay after the new key; other lines keep their own line ends.
    EXPECT_EQ(profile::WithValue("[A]\n\nk=1\n\n[B]\nz=1\n", "a", "j", "2"),
              "[A]\n\nk=1\nj=2\r\n\n[B]\nz=1\n");
    // Keys without a section go in front of the first one.
    EXPECT_EQ(profile::WithValue("[A]\r\nk=1\r\n", "", "j", "2"), "j=2\r\n[A]\r\nk=1\r\n");
    EXPECT_EQ(profile::WithValue("x=1\r\n[A]\r\n", "", "j", "2"), "x=1\r\nj=2\r\n[A]\r\n");
    EXPECT_EQ(profile::WithValue("\xEF\xBB\xBF[A]\r\n", "", "j", "2"), "\xEF\xBB\xBFj=2\r\n[A]\r\n");
}

TEST(ProfileText, NewSectionGoesAtTheEnd)
{
    EXPECT_EQ(profile::WithValue("", "A", "k", "v"), "[A]\r\nk=v\r\n");
    const auto edited = profile::WithValue(kHostFile, "Other", "k", "v");
    ASSERT_TRUE(edited);
    EXPECT_EQ(*edited, kHostFile + "[Other]\r\nk=v\r\n");
    EXPECT_EQ(profile::WithValue("[A]\r\nk=1", "B", "k", "2"), "[A]\r\nk=1\r\n[B]\r\nk=2\r\n");
    // The first of duplicate sections takes the key.
    EXPECT_EQ(profile::WithValue("[A]\r\nk=1\r\n[A]\r\nj=2\r\n", "A", "j", "3"),
              "[A]\r\nk=1\r\nj=3\r\n[A]\r\nj=2\r\n");
}

TEST(ProfileText, ValuesAreWrittenAsTheSystemWritesThem)
{
    // Leading blanks of the value go, trailing ones stay (and are ignored when read).
    EXPECT_EQ(profile::WithValue("[A]\r\nk=1\r\n", "A", "K", "  lead trail  "),
              "[A]\r\nk=lead trail  \r\n");
    EXPECT_EQ(profile::WithValue("[A]\r\nk=1\r\n", "A", "j", ""), "[A]\r\nk=1\r\nj=\r\n");
    EXPECT_EQ(profile::WithValue("[A]\r\nnoeq\r\n", "A", "noeq", "1"), "[A]\r\nnoeq=1\r\n");
    EXPECT_EQ(profile::WithValue("[A]\r\nk=1\r\n", "A", "k", "\"q\""), "[A]\r\nk=\"q\"\r\n");
    // Names are taken as given after their leading blanks, as the system does.
    EXPECT_EQ(profile::WithValue("[A]\r\n", " B ", " k ", "  "), "[A]\r\n[B ]\r\nk =\r\n");
}

TEST(ProfileText, WritingTheStoredValueChangesNothing)
{
    EXPECT_FALSE(profile::WithValue("[A]\r\nk = old \r\n", "A", "k", "old"));
    EXPECT_FALSE(profile::WithValue("[A]\r\nk = old \r\n", "a", "K", " old"));
    // The stored text is compared as stored: quotes make it another value.
    EXPECT_TRUE(profile::WithValue("[A]\r\nk=\"old\"\r\n", "A", "k", "old"));
}

TEST(ProfileText, RefusesWhatWouldBreakTheFile)
{
    const std::string text = "[A]\r\nk=1\r\n";
    for (const auto& [section, key, value] : std::vector<std::array<std::string, 3>>{
             {"A", "k", "a\r\nb"}, {"A", "k", "a\nb"}, {"A", "k\r", "1"}, {"A\n", "k", "1"},
             {"A", "k=j", "1"}, {"A", "k", std::string("a\0b", 3)}}) {
        EXPECT_EQ(IoCodeOf([&] { (void)profile::WithValue(text, section, key, value); }), 87)
            << section << "/" << key << "/" << value;
    }
}

class ProfileFile : public ::testing::Test {
protected:
    TempDir dir_;
};

TEST_F(ProfileFile, FirstWriteCreatesTheFile)
{
    const std::string file = dir_.file("moduls.ini");
    EXPECT_EQ(profile::ReadString(file, "A", "k", "none"), "none");
    EXPECT_FALSE(fs::exists(file)) << "a read must not create the file";
    profile::WriteString(file, "A", "k", "v");
    profile::WriteString(file, "A", "j", "w");
    EXPECT_EQ(ReadBytes(file), "[A]\r\nk=v\r\nj=w\r\n");
    EXPECT_EQ(profile::ReadString(file, "a", "J", ""), "w");
}

TEST_F(ProfileFile, FailuresLeaveEverythingAsItWas)
{
    const std::string nowhere = dir_.file("missing") + "/moduls.ini";
    EXPECT_EQ(IoCodeOf([&] { profile::WriteString(nowhere, "A", "k", "v"); }), 3);
    EXPECT_FALSE(fs::exists(dir_.file("missing")));

    fs::create_directory(dir_.file("folder.ini"));
    EXPECT_EQ(IoCodeOf([&] { profile::WriteString(dir_.file("folder.ini"), "A", "k", "v"); }), 5);
    EXPECT_EQ(profile::ReadString(dir_.file("folder.ini"), "A", "k", "d"), "d");

    // No temporary file is left beside the target.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator{}), 1);
}

TEST_F(ProfileFile, StoredValueIsNotRewrittenEvenInAReadOnlyFile)
{
    const std::string file = dir_.file("moduls.ini");
    WriteBytes(file, "[A]\r\nk = 1 \r\n");
    sonrik::platform::SetReadOnly(file, true);
    // Nothing to change, so the read-only file is not even opened for writing.
    EXPECT_NO_THROW(profile::WriteString(file, "A", "k", "1"));
    EXPECT_EQ(ReadBytes(file), "[A]\r\nk = 1 \r\n");

    if (std::fstream probe(file, std::ios::in | std::ios::out | std::ios::binary); probe.is_open())
        GTEST_SKIP() << "this account writes read-only files regardless (root)";
    EXPECT_EQ(IoCodeOf([&] { profile::WriteString(file, "A", "k", "2"); }), 5);
    EXPECT_EQ(ReadBytes(file), "[A]\r\nk = 1 \r\n");
}

class PlatformServices : public ::testing::Test {
protected:
    TempDir dir_;
};

TEST_F(PlatformServices, ReplaceFileContentsWritesAllOrNothing)
{
    using sonrik::platform::ReplaceFileContents;
    const std::string file = dir_.file("sonrik.txt");
    ReplaceFileContents(file, "first\r\n");
    EXPECT_EQ(ReadBytes(file), "first\r\n");
    ReplaceFileContents(file, std::string(100000, 'x'));
    EXPECT_EQ(ReadBytes(file), std::string(100000, 'x'));
    ReplaceFileContents(file, "");
    EXPECT_EQ(ReadBytes(file), "");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator{}), 1)
        << "temporary files left behind";

    EXPECT_EQ(IoCodeOf([&] { ReplaceFileContents(dir_.file("none") + "/x.txt", "x"); }), 3);
    fs::create_directory(dir_.file("folder"));
    EXPECT_EQ(IoCodeOf([&] { ReplaceFileContents(dir_.file("folder"), "x"); }), 5);
    EXPECT_TRUE(fs::is_directory(dir_.file("folder")));
}

TEST_F(PlatformServices, ReplaceFileContentsRefusesReadOnlyFiles)
{
    const std::string file = dir_.file("sonrik.txt");
    WriteBytes(file, "old");
    sonrik::platform::SetReadOnly(file, true);
    if (std::fstream probe(file, std::ios::in | std::ios::out | std::ios::binary); probe.is_open())
        GTEST_SKIP() << "this account writes read-only files regardless (root)";
    EXPECT_EQ(IoCodeOf([&] { sonrik::platform::ReplaceFileContents(file, "new"); }), 5);
    EXPECT_EQ(ReadBytes(file), "old");
    EXPECT_TRUE(sonrik::platform::IsReadOnly(file));
}

#ifndef _WIN32
TEST_F(PlatformServices, ReplacedFileKeepsItsModeAndLinks)
{
    const std::string file = dir_.file("moduls.ini");
    WriteBytes(file, "old");
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink(file, dir_.file("link.ini"));
    sonrik::platform::ReplaceFileContents(dir_.file("link.ini"), "new");
    EXPECT_TRUE(fs::is_symlink(dir_.file("link.ini")));
    EXPECT_EQ(ReadBytes(file), "new");
    EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write);
}
#endif

TEST_F(PlatformServices, FailedProfileWriteSetsTheLastErrorCode)
{
    const std::string nowhere = dir_.file("missing") + "/moduls.ini";
    EXPECT_FALSE(sonrik::platform::WriteProfileString(nowhere, "A", "k", "v"));
    EXPECT_EQ(sonrik::platform::LastErrorCode(), 3);  // path not found
    EXPECT_EQ(sonrik::platform::ReadProfileString(nowhere, "A", "k", "d"), "d");
}

TEST(PlatformModule, ModuleFileNameIsThisProgram)
{
    const std::string path = sonrik::platform::ModuleFileName();
    ASSERT_FALSE(path.empty());
    EXPECT_TRUE(fs::path(path).is_absolute()) << path;
    EXPECT_TRUE(sonrik::platform::FileExists(path)) << path;
    EXPECT_NE(fs::path(path).filename().string().find("sonrik_unit_tests"), std::string::npos) << path;
}

TEST(PlatformModule, SleepLastsAtLeastTheTimeAsked)
{
    const auto start = std::chrono::steady_clock::now();
    sonrik::platform::SleepMilliseconds(30);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(25));
}

}  // namespace
