// The portable private-profile code against the system's own calls: the same
// reads and writes on copies of the same file, compared result by result and
// then byte by byte. Only a Windows program has the system's calls.
//
// Where Wine is wrong against Windows we follow Windows, and compare through
// WineRewrite below instead of byte for byte:
// - Wine rebuilds the whole file on every write from what it parsed: blank
//   lines go, blanks around lines, names and values go, "[ A ]x" becomes "[A]"
//   and every line end becomes CR LF. A header with an empty name, "[]", is
//   not written back at all, which moves its keys into the section before it.
//   Windows edits the one line it changes and
//   keeps the rest of the file as it is; so do we, because the host shares the
//   file and its lines are not ours to touch.
// - Wine loses the last character of a quoted value of exactly 2047 characters
//   (its copy cuts before it strips the closing quote); we return all 2047
//   (profile_test.cpp checks that).
// Deliberately refused by us and not compared: line breaks, NUL in names or
// values and '=' in key names, which the system would write into the file.
#ifdef _WIN32

#include "platform/platform.h"
#include "platform/profile_file.h"
#include "tag_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

namespace fs = std::filesystem;
namespace profile = sonrik::platform::profile;
using sonrik::testing::ReadBytes;
using sonrik::testing::TempDir;
using sonrik::testing::WriteBytes;

struct Op {
    bool write;
    std::string section;
    std::string key;
    std::string value;  // the value to write, or the default of a read
};

Op R(std::string section, std::string key, std::string defaultValue = "<default>")
{
    return {false, std::move(section), std::move(key), std::move(defaultValue)};
}

Op W(std::string section, std::string key, std::string value)
{
    return {true, std::move(section), std::move(key), std::move(value)};
}

enum class Compare {
    Bytes,        // Wine keeps this file's form: the bytes must be equal
    WineRewrite,  // Wine rewrites the file's form (see above): equal after its rewrite
};

struct Case {
    const char* name;
    std::optional<std::string> initial;  // nothing: no file at first
    std::vector<Op> ops;
    Compare compare = Compare::Bytes;
};

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == '\x1a';
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// The file as Wine writes it back after parsing it.
std::string WineRewrite(std::string_view text)
{
    std::string out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto stop = std::min(text.find_first_of("\r\n", pos), text.size());
        const std::string_view line = Trim(text.substr(pos, stop - pos));
        pos = stop + 1;
        if (line.empty()) continue;
        if (const auto close = line.rfind(']'); line.front() == '[' && close != std::string_view::npos) {
            const std::string_view name = Trim(line.substr(1, close - 1));
            if (!name.empty()) out.append("[").append(name).append("]\r\n");
        } else if (const auto eq = line.find('='); eq != std::string_view::npos) {
            out.append(Trim(line.substr(0, eq))).append("=").append(Trim(line.substr(eq + 1))).append("\r\n");
        } else {
            out.append(line).append("\r\n");
        }
    }
    return out;
}

std::string Shown(std::string_view s)
{
    std::string out;
    for (const unsigned char c : s) {
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else if (c < 32 || c > 126) {
            static constexpr char hex[] = "0123456789abcdef";
            out.append("\\x").append(1, hex[c >> 4]).append(1, hex[c & 15]);
        } else out += static_cast<char>(c);
    }
    return out.size() > 300 ? out.substr(0, 300) + "..." : out;
}

std::vector<Case> Cases()
{
    const std::string big(3000, 'x');
    const std::string hostFile = "; player settings\r\n"
                                 "[Player]\r\n"
                                 "Volume=80\r\n"
                                 "Skin=Dark Blue\r\n"
                                 "[SONRIKSETTS]\r\n"
                                 "ENG=0\r\n"
                                 "[Plugins]\r\n"
                                 "Sonrik.dll=1\r\n";
    return {
        {"new file, sections and keys", std::nullopt,
         {R("A", "k"), W("A", "k", "v"), W("B", "k2", "v2"), W("A", "k3", "v3"), W("a", "K", "v4"),
          R("a", "K"), R("b", "K2"), R("A", "k3"), R("C", "k")}},
        {"host file", hostFile,
         {R("SONRIKSETTS", "ENG"), W("SONRIKSETTS", "ENG", "1"), W("SONRIKSETTS", "OPTIONLIST", "-1"),
          W("sonriksetts", "EMPTY_ONLY", "1"), R("Player", "Skin"), R("plugins", "SONRIK.DLL"),
          W("SONRIKSETTS", "ENG", "0"), R("SONRIKSETTS", "OPTIONLIST")}},
        {"letter case", "[Sec]\r\nKey=1\r\n",
         {R("SEC", "KEY"), R("sec", "key"), W("sEc", "kEy", "2"), R("Sec", "Key"), W("SEC", "other", "3")}},
        {"blanks around names and values", "  [ Sec ]  \r\n  Key  =  val  \r\n\tTab\t=\t1\t\r\n",
         {R("Sec", "Key"), R(" Sec ", " key "), R("Sec", "tab"), W("Sec", "Key", "new"), R("sec", "KEY")},
         Compare::WineRewrite},
        {"quotes", "[Q]\r\na=\"q\"\r\nb='s'\r\nc=\"mixed'\r\nd=\"\r\ne=\"\"\r\nf=\"  in  \"\r\ng=\"a\"b\"\r\n",
         {R("Q", "a"), R("Q", "b"), R("Q", "c"), R("Q", "d"), R("Q", "e"), R("Q", "f"), R("Q", "g"),
          W("Q", "h", "\"written\""), R("Q", "h"), W("Q", "a", "q"), R("Q", "a")}},
        {"duplicate sections and keys", "[A]\r\nk=1\r\nk=2\r\n[a]\r\nk=3\r\nj=4\r\n",
         {R("A", "k"), R("A", "j"), W("A", "j", "5"), W("A", "k", "9"), R("A", "j"), R("A", "k")}},
        {"missing section", "[A]\r\nk=1\r\n", {R("B", "k", "def"), W("B", "k", "2"), R("B", "k")}},
        {"keys without '='", "[A]\r\nnoeq\r\nj\r\nj=5\r\n",
         {R("A", "noeq"), R("A", "j"), W("A", "j", "7"), W("A", "noeq", "1"), R("A", "noeq"), R("A", "j")}},
        {"empty values", "[A]\r\nk=\r\nm=   \r\n",
         {R("A", "k"), R("A", "m"), W("A", "k", ""), W("A", "n", ""), R("A", "n"), W("A", "m", "1")},
         Compare::WineRewrite},
        {"comments", "; host comment\r\n[A]\r\n;k=1\r\nk=2\r\n; trailing\r\n[B]\r\nx=1\r\n",
         {R("A", ";k"), R("A", "k"), R("A", "; trailing"), W("A", "new", "3"), W("B", "y", "4")}},
        {"LF line ends", "[A]\nk=1\n\n[B]\nz=1\n",
         {R("A", "k"), R("B", "z"), W("B", "y", "2"), W("A", "j", "3"), W("A", "k", "4")},
         Compare::WineRewrite},
        {"CR line ends", "[A]\rk=1\rj=2\r", {R("A", "k"), R("A", "j"), W("A", "z", "3")}, Compare::WineRewrite},
        {"blank lines", "[A]\r\nk=1\r\n\r\n\r\n[B]\r\n\r\n",
         {W("A", "j", "2"), W("B", "x", "1"), W("C", "y", "1")}, Compare::WineRewrite},
        {"no line end at the end", "[A]\r\nk=1", {W("A", "j", "2"), R("A", "j")}},
        {"header only", "[A]", {R("A", "k"), W("A", "j", "2")}},
        {"key only", "x=1", {R("", "x"), W("B", "k", "2")}},
        {"empty file", "", {R("A", "k"), W("A", "k", "1")}},
        {"blank file", "\r\n\r\n", {W("A", "k", "1")}, Compare::WineRewrite},
        {"lines before the first section", "x=1\r\n[A]\r\nk=1\r\n",
         {R("", "x"), R("", "k"), W("", "j", "2"), R("", "j")}},
        {"key before every section", "[A]\r\nk=1\r\n", {W("", "j", "2"), R("", "j"), R("A", "k")}},
        {"odd headers", "[A]\r\n[B\r\nk=1\r\n[C]x\r\nj=2\r\n[]\r\nz=9\r\n",
         {R("B", "k"), R("A", "k"), R("C", "j"), R("C]x", "j"), R("", "z"), W("C", "j", "3")},
         Compare::WineRewrite},
        {"blank characters", "[A]\r\n\vk\f=\x1a" "1\x1a\r\np=\xa0" "5\xa0\r\n",
         {R("A", "k"), R("A", "p"), W("A", "p", "6")}, Compare::WineRewrite},
        {"defaults", "[A]\r\n",
         {R("A", "x", "def   "), R("A", "x", "\"q\""), R("A", "x", "  lead"), R("A", "x", "   "),
          R("A", "x", "a\t "), R("A", "x", ""), R("A", "x", big)}},
        {"3000 characters", "[A]\r\nq=\"" + big + "\"\r\n",
         {W("A", "k", big), R("A", "k"), R("A", "q"), W("A", "k", big + "y"), R("A", "k")}},
        {"8-bit bytes", "[A]\r\nk=\x81\x8d\x8f\x90\x9d\xff\r\n",
         {R("A", "k"), W("A", "j", "\x81\x9d\xc0\xe9"), R("A", "j"), W("A", "k", "\xa0\xfe")}},
        {"value with blanks written", "[A]\r\nk=1\r\n",
         {W("A", "k", "  lead trail  "), R("A", "k"), W("A", "k", " lead trail  "), W("A", "k", "x\t")}},
        {"stored value written again", "[A]\r\nk = old \r\nq = \"old\" \r\n",
         {W("A", "k", "old"), W("A", "k", " old")}},
        {"quoted value written bare", "[A]\r\nq = \"old\" \r\n", {W("A", "q", "old")}},
        {"names with blanks written", "[A]\r\n", {W(" B ", " k ", "  "), R("B", "k"), R(" b ", "K")}},
        {"value with '='", "[A]\r\n", {W("A", "k", "a=b"), R("A", "k")}},
    };
}

std::string Describe(const Op& op)
{
    return std::string(op.write ? "write [" : "read [") + Shown(op.section) + "] " + Shown(op.key) +
           (op.write ? " = " : " default ") + Shown(op.value);
}

TEST(ProfileDifferential, PortableCodeAnswersAsTheSystem)
{
    const TempDir dir;
    int index = 0;
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        // Fresh names per case: the system caches files it has read.
        const std::string real = dir.file("real" + std::to_string(index) + ".ini");
        const std::string ours = dir.file("ours" + std::to_string(index) + ".ini");
        ++index;
        if (c.initial) {
            WriteBytes(real, *c.initial);
            WriteBytes(ours, *c.initial);
        }
        for (const Op& op : c.ops) {
            SCOPED_TRACE(Describe(op));
            if (op.write) {
                const bool realDone =
                    sonrik::platform::WriteProfileString(real, op.section, op.key, op.value);
                bool oursDone = true;
                try {
                    profile::WriteString(ours, op.section, op.key, op.value);
                } catch (const sonrik::IoError&) {
                    oursDone = false;
                }
                EXPECT_EQ(oursDone, realDone);
            } else {
                const std::string realValue =
                    sonrik::platform::ReadProfileString(real, op.section, op.key, op.value);
                const std::string oursValue = profile::ReadString(ours, op.section, op.key, op.value);
                EXPECT_EQ(Shown(oursValue), Shown(realValue));
                EXPECT_EQ(oursValue.size(), realValue.size());
            }
        }
        ASSERT_EQ(fs::exists(ours), fs::exists(real));
        if (!fs::exists(real)) continue;
        const std::string realBytes = ReadBytes(real);
        const std::string oursBytes = ReadBytes(ours);
        if (c.compare == Compare::Bytes) {
            EXPECT_EQ(Shown(oursBytes), Shown(realBytes));
        } else {
            EXPECT_EQ(Shown(WineRewrite(oursBytes)), Shown(realBytes));
        }
    }
}

}  // namespace

#endif  // _WIN32
