// The module's folder and the options in the shared settings file.
#include "platform/platform.h"
#include "sonrik/module_dir.h"
#include "sonrik/settings_file.h"
#include "tag_test_support.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using sonrik::ModuleDirOf;
using sonrik::ParseSettingInteger;
using sonrik::PathStyle;
using sonrik::SettingsFile;
using sonrik::testing::ReadBytes;
using sonrik::testing::TempDir;
using sonrik::testing::WriteBytes;

TEST(ModuleDir, WindowsPaths)
{
    EXPECT_EQ(ModuleDirOf("D:\\Player\\Plugins\\x.dll"), "D:\\Player\\Plugins\\");
    // A drive root keeps its backslash and gets a second one; the system accepts D:\\moduls.ini.
    EXPECT_EQ(ModuleDirOf("D:\\x.dll"), "D:\\\\");
    EXPECT_EQ(ModuleDirOf("\\\\server\\share\\x.dll"), "\\\\server\\share\\");
    EXPECT_EQ(ModuleDirOf("\\\\server\\x.dll"), "\\\\server\\");
    EXPECT_EQ(ModuleDirOf("\\x.dll"), "\\\\");
    EXPECT_EQ(ModuleDirOf("D:x.dll"), "D:\\");
    EXPECT_EQ(ModuleDirOf("x.dll"), "\\");
    EXPECT_EQ(ModuleDirOf(""), "\\");
    // Forward slashes are no separators to this rule.
    EXPECT_EQ(ModuleDirOf("D:\\a/b\\x.dll"), "D:\\a/b\\");
}

TEST(ModuleDir, PosixPaths)
{
    EXPECT_EQ(ModuleDirOf("/usr/lib/sonrik/x.so", PathStyle::Posix), "/usr/lib/sonrik/");
    EXPECT_EQ(ModuleDirOf("/x.so", PathStyle::Posix), "//");
    EXPECT_EQ(ModuleDirOf("//x.so", PathStyle::Posix), "///");
    EXPECT_EQ(ModuleDirOf("a:b/x.so", PathStyle::Posix), "a:b/");
    EXPECT_EQ(ModuleDirOf("x.so", PathStyle::Posix), "/");
}

TEST(ModuleDir, OfThisModuleIsTheProgramsFolder)
{
    const std::string dir = sonrik::ModuleDir();
    const std::string program = sonrik::platform::ModuleFileName();
    EXPECT_EQ(dir + fs::path(program).filename().string(), program);
    EXPECT_EQ(SettingsFile::InFolder(dir).path(), dir + "moduls.ini");
}

TEST(SettingsInteger, ParsingRule)
{
    const std::vector<std::pair<std::string, std::optional<int>>> cases = {
        {"0", 0}, {"1", 1}, {"-5", -5}, {"+5", 5}, {"007", 7},
        {"2147483647", INT_MAX}, {"-2147483648", INT_MIN},
        {"0x1", 1}, {"0X1F", 31}, {"0xff", 255}, {"0x7FFFFFFF", INT_MAX},
        {"0xFFFFFFFF", -1}, {"0x80000000", INT_MIN}, {"0x0000000001", 1},
        {"", std::nullopt}, {"abc", std::nullopt}, {"0x", std::nullopt}, {"0X", std::nullopt},
        {"x1", std::nullopt}, {"0xG", std::nullopt}, {"0x1G", std::nullopt}, {"0x-1", std::nullopt},
        {"0x+1", std::nullopt}, {"0x 1", std::nullopt}, {"$1F", std::nullopt}, {"1F", std::nullopt},
        {"12a", std::nullopt}, {"1.0", std::nullopt}, {"-", std::nullopt}, {"+", std::nullopt},
        {"+-5", std::nullopt}, {"--5", std::nullopt}, {" 5", std::nullopt},
        {"2147483648", std::nullopt}, {"-2147483649", std::nullopt}, {"0x100000000", std::nullopt},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(ParseSettingInteger(text), expected) << text;
}

class SettingsFileTest : public ::testing::Test {
protected:
    std::string path() const { return dir_.file("moduls.ini"); }
    TempDir dir_;
};

TEST_F(SettingsFileTest, AbsentFileGivesDefaultsAndStaysAbsent)
{
    const auto settings = SettingsFile::InFolder((dir_.path() / "").string());
    EXPECT_EQ(settings.path(), path());
    EXPECT_FALSE(settings.ReadBool("ENG", false));
    EXPECT_TRUE(settings.ReadBool("EMPTY_ONLY", true));
    EXPECT_EQ(settings.ReadInteger("OPTIONLIST", 0), 0);
    EXPECT_EQ(settings.ReadInteger("OPTIONLIST", -7), -7);
    EXPECT_FALSE(fs::exists(path()));
}

TEST_F(SettingsFileTest, StoredTextsAsRead)
{
    WriteBytes(path(), "[SONRIKSETTS]\r\n"
                       "ENG=0x1\r\n"
                       "AUTOREMOWE_READONLY=0\r\n"
                       "AUTORESTORE_READONLY=abc\r\n"
                       "EMPTY_ONLY=\r\n"
                       "UNDERSCORE_BY_SPACES=0x\r\n"
                       "OPTIONLIST=-5\r\n"
                       "HEX=0X1F\r\n"
                       "[Other]\r\n"
                       "MISPLACED=1\r\n");
    const SettingsFile settings(path());
    EXPECT_TRUE(settings.ReadBool("ENG", false));
    EXPECT_TRUE(settings.ReadBool("eng", false)) << "keys compare without letter case";
    EXPECT_FALSE(settings.ReadBool("AUTOREMOWE_READONLY", true));
    EXPECT_TRUE(settings.ReadBool("AUTORESTORE_READONLY", true)) << "not a number: default";
    EXPECT_FALSE(settings.ReadBool("AUTORESTORE_READONLY", false));
    EXPECT_TRUE(settings.ReadBool("EMPTY_ONLY", true)) << "empty value: default";
    EXPECT_EQ(settings.ReadInteger("UNDERSCORE_BY_SPACES", 9), 9) << "\"0x\" alone is no number";
    EXPECT_EQ(settings.ReadInteger("OPTIONLIST", 0), -5);
    EXPECT_EQ(settings.ReadInteger("HEX", 0), 31);
    EXPECT_FALSE(settings.ReadBool("MISPLACED", false)) << "other sections are not ours";
}

TEST_F(SettingsFileTest, WritesGoToTheFileAtOnce)
{
    const SettingsFile first(path());
    const SettingsFile second(path());
    first.WriteBool("ENG", true);
    EXPECT_EQ(ReadBytes(path()), "[SONRIKSETTS]\r\nENG=1\r\n");
    EXPECT_TRUE(second.ReadBool("ENG", false));
    second.WriteInteger("OPTIONLIST", -1);
    first.WriteBool("ENG", false);
    EXPECT_EQ(first.ReadInteger("OPTIONLIST", 0), -1);
    EXPECT_EQ(ReadBytes(path()), "[SONRIKSETTS]\r\nENG=0\r\nOPTIONLIST=-1\r\n");
    first.WriteInteger("OPTIONLIST", INT_MIN);
    EXPECT_EQ(second.ReadInteger("OPTIONLIST", 0), INT_MIN);
}

// As a host writes it through the same calls: the other sections must come
// through byte for byte whatever we change in ours.
TEST_F(SettingsFileTest, SharedFileKeepsWhatIsNotOurs)
{
    const std::string before = "[Player]\r\n"
                               "Volume=80\r\n"
                               "Skin=Dark Blue\r\n"
                               "[SONRIKSETTS]\r\n"
                               "ENG=0\r\n"
                               "[Plugins]\r\n"
                               "Sonrik.dll=1\r\n"
                               "ENG=1\r\n"
                               "[Window]\r\n"
                               "Left=10\r\n";
    WriteBytes(path(), before);
    const SettingsFile settings(path());
    EXPECT_FALSE(settings.ReadBool("ENG", true));
    settings.WriteBool("ENG", true);
    settings.WriteBool("EMPTY_ONLY", true);
    settings.WriteInteger("OPTIONLIST", 2);
    std::string expected = before;
    expected.replace(expected.find("ENG=0\r\n"), 7, "ENG=1\r\nEMPTY_ONLY=1\r\nOPTIONLIST=2\r\n");
    EXPECT_EQ(ReadBytes(path()), expected);
}

TEST_F(SettingsFileTest, SectionIsAddedAtTheEndOfAHostFile)
{
    const std::string before = "[Player]\r\nVolume=80\r\n[Window]\r\nLeft=10\r\n";
    WriteBytes(path(), before);
    SettingsFile(path()).WriteBool("AUTOREMOWE_READONLY", true);
    EXPECT_EQ(ReadBytes(path()), before + "[SONRIKSETTS]\r\nAUTOREMOWE_READONLY=1\r\n");
}

std::string ErrorTextOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const sonrik::Error& e) {
        return e.what();
    }
    return "no error";
}

TEST_F(SettingsFileTest, FailedWriteNamesTheFile)
{
    const std::string nowhere = dir_.file("missing") + "/moduls.ini";
    const SettingsFile lost(nowhere);
    EXPECT_EQ(ErrorTextOf([&] { lost.WriteBool("ENG", true); }), "Unable to write to " + nowhere);
    EXPECT_EQ(ErrorTextOf([&] { lost.WriteInteger("OPTIONLIST", 1); }), "Unable to write to " + nowhere);
    EXPECT_FALSE(fs::exists(dir_.file("missing")));
}

TEST_F(SettingsFileTest, StoredBooleansOtherThanZeroAndOneReadAsTrue)
{
    WriteBytes(path(), "[SONRIKSETTS]\r\nENG=2\r\nAUTOREMOWE_READONLY=-1\r\nAUTORESTORE_READONLY=0x10\r\n");
    const SettingsFile settings(path());
    for (const char* key : {"ENG", "AUTOREMOWE_READONLY", "AUTORESTORE_READONLY"})
        EXPECT_TRUE(settings.ReadBool(key, false)) << key;
}

TEST_F(SettingsFileTest, ReadOnlyFileIsNotWritten)
{
    WriteBytes(path(), "[SONRIKSETTS]\r\nENG=0\r\n");
    sonrik::platform::SetReadOnly(path(), true);
    if (std::fstream probe(path(), std::ios::in | std::ios::out | std::ios::binary); probe.is_open())
        GTEST_SKIP() << "this account writes read-only files regardless (root)";
    const SettingsFile settings(path());
    EXPECT_EQ(ErrorTextOf([&] { settings.WriteBool("ENG", true); }), "Unable to write to " + path());
    EXPECT_EQ(ReadBytes(path()), "[SONRIKSETTS]\r\nENG=0\r\n");
}

}  // namespace
