// The command line: what is accepted, what is refused, and how values reach
// the tag's code page.
#include "cli/args.h"

#include <gtest/gtest.h>

namespace sonrik::cli {
namespace {

Invocation Parse(std::vector<std::string> args, ParseSettings settings = {})
{
    return ParseArguments(args, settings);
}

// The message of the usage error, or "" when the arguments were accepted.
std::string Refusal(std::vector<std::string> args)
{
    try {
        Parse(std::move(args));
        return {};
    } catch (const UsageError& e) {
        return e.what();
    }
}

TEST(CliArguments, CommandsAndHelp)
{
    EXPECT_EQ(Parse({"help"}).command, Command::Help);
    EXPECT_EQ(Parse({"--help"}).command, Command::Help);
    EXPECT_EQ(Parse({"show", "a.mp3", "-h"}).command, Command::Help);
    EXPECT_EQ(Parse({"--version"}).command, Command::Version);
    EXPECT_EQ(Parse({"genres"}).command, Command::Genres);
    EXPECT_EQ(Refusal({}), "no command given");
    EXPECT_EQ(Refusal({"list"}), "unknown command 'list'");
    EXPECT_EQ(Refusal({"genres", "x"}), "genres takes no arguments");
}

TEST(CliArguments, EveryCommandsHelpEndsInAnExample)
{
    for (const std::string command : {"show", "set", "genres"}) {
        const std::string help = Parse({command, "--help"}).helpText;
        EXPECT_LT(help.find("Usage: sonrik-tag " + command), help.find("Example")) << help;
        EXPECT_LT(help.find("Example"), help.rfind("\n  sonrik-tag " + command)) << help;
        EXPECT_EQ(Parse({"help", command}).helpText, help);
    }
    EXPECT_EQ(Parse({"--version"}).helpText, "sonrik-tag " SONRIK_VERSION "\n");
}

TEST(CliArguments, PathsListsAndRecursion)
{
    const Invocation inv = Parse({"set", "--list", "a.m3u", "show", "--title=t", "-r", "--list=b.m3u", "d"});
    EXPECT_EQ(inv.paths, (std::vector<std::string>{"show", "d"}));  // one command a run
    EXPECT_EQ(inv.lists, (std::vector<std::string>{"a.m3u", "b.m3u"}));
    EXPECT_TRUE(inv.recursive);
    EXPECT_TRUE(Parse({"show", "--list", "l.m3u"}).paths.empty());
    EXPECT_FALSE(Parse({"show", "a"}).recursive);
}

TEST(CliArguments, ShowTakesOptionsAnywhereAndFilesAfterDoubleDash)
{
    const Invocation inv = Parse({"show", "a.mp3", "--json", "--codepage=1251", "--", "--title", "-"},
                                 {.defaultCodePage = 1252, .argumentsAreUtf8 = true});
    EXPECT_TRUE(inv.json);
    EXPECT_EQ(inv.codePage->Number(), 1251u);
    EXPECT_EQ(inv.paths, (std::vector<std::string>{"a.mp3", "--title", "-"}));
    EXPECT_EQ(Parse({"show", "a"}, {.defaultCodePage = 866}).codePage->Number(), 866u);
    EXPECT_FALSE(Parse({"show", "a"}).json);
}

TEST(CliArguments, MalformedOptionsAreRefused)
{
    EXPECT_EQ(Refusal({"show"}), "show: no files given");
    EXPECT_EQ(Refusal({"show", "--bogus", "a"}), "unknown option --bogus for show");
    EXPECT_EQ(Refusal({"show", "--title", "x", "a"}), "unknown option --title for show");
    EXPECT_EQ(Refusal({"set", "--json", "a"}), "unknown option --json for set");
    EXPECT_EQ(Refusal({"show", "-j", "a"}), "unknown option -j for show");
    EXPECT_EQ(Refusal({"show", "a", "--codepage"}), "--codepage: 1 required N missing");
    EXPECT_FALSE(Parse({"show", "--json", "--json=false", "a"}).json);
    EXPECT_EQ(Refusal({"show", "--codepage", "437", "a"}),
              "--codepage: '437' is not a supported code page (use one of 1252, 1251, 1250, 866, 28591)");
    EXPECT_EQ(Refusal({"set", "a.mp3"}), "set: no value to set was given");
    EXPECT_EQ(Refusal({"set", "--title", "x"}), "set: no files given");
}

TEST(CliArguments, SetValuesAreConvertedToTheTagCodePage)
{
    const Invocation inv = Parse({"set", "--title", "Привет", "--codepage", "1251", "--artist=", "--year", "1999",
                                  "--author", "Ёж", "f.mp3"});
    EXPECT_EQ(inv.id3v1.title, "\xCF\xF0\xE8\xE2\xE5\xF2");
    EXPECT_EQ(inv.id3v1.artist, "");  // an empty value clears the field
    EXPECT_EQ(Parse({"set", "--title=a=", "f"}).id3v1.title, "a=");
    EXPECT_EQ(inv.id3v1.year, "1999");
    EXPECT_EQ(inv.lyrics3.author, "\xA8\xE6");
    EXPECT_FALSE(inv.id3v1.album);

    // Where arguments already are in the ANSI code page they pass unchanged.
    const Invocation ansi = Parse({"set", "--title", "\xCF\xF0", "f"}, {.argumentsAreUtf8 = false});
    EXPECT_EQ(ansi.id3v1.title, "\xCF\xF0");

    EXPECT_EQ(Refusal({"set", "--title", "Привет", "f"}),
              "--title: the character \"П\" (U+041F) cannot be stored in code page 1252");
    EXPECT_EQ(Refusal({"set", "--l3-album", "a\xC3", "f"}), "--l3-album: ill-formed UTF-8 (byte 0xC3 at offset 1)");
}

TEST(CliArguments, GenreTrackAndFlags)
{
    const Invocation inv = Parse({"set", "--genre", "hip-hop", "--track", "007", "--v11", "--timestamp", "f"});
    EXPECT_EQ(inv.id3v1.genreId, 7);
    EXPECT_EQ(inv.id3v1.trackNo, 7);
    EXPECT_EQ(inv.id3v1.useID3v11, true);
    EXPECT_EQ(inv.lyrics3.useTimestamp, true);
    EXPECT_EQ(Parse({"set", "--genre", "147", "--genre", "0", "f"}).id3v1.genreId, 0);  // the last one counts
    EXPECT_EQ(Parse({"set", "--no-v11", "--no-timestamp", "f"}).id3v1.useID3v11, false);

    EXPECT_NE(Refusal({"set", "--genre", "148", "f"}).find("'148' is neither a genre name nor a number"),
              std::string::npos);
    EXPECT_EQ(Refusal({"set", "--track", "256", "f"}), "--track: '256' is not a number from 0 to 255");
    EXPECT_EQ(Refusal({"set", "--track", "-1", "f"}), "--track: '-1' is not a number from 0 to 255");
}

TEST(CliArguments, ContradictionsAreRefused)
{
    EXPECT_NE(Refusal({"set", "--track", "3", "--no-v11", "f"}), "");
    EXPECT_NE(Refusal({"set", "--lyrics3-v1", "--author", "x", "f"}), "");
    EXPECT_NE(Refusal({"set", "--lyrics3-v1", "--timestamp", "f"}), "");
    EXPECT_NE(Refusal({"set", "--no-lyrics3", "--lyrics-file", "l.txt", "f"}), "");
    EXPECT_NE(Refusal({"set", "--no-lyrics3", "--lyrics3-v1", "f"}), "");
    EXPECT_EQ(Refusal({"set", "--lyrics3-v1", "--lyrics-file", "l.txt", "--no-timestamp", "f"}), "");
    EXPECT_EQ(Refusal({"set", "--no-lyrics3", "--title", "t", "f"}), "");
}

TEST(CliArguments, ValuesLongerThanTheirFieldAreWarnedAbout)
{
    // 20 Cyrillic letters are 40 bytes of UTF-8 but 20 in code page 1251.
    const std::string twenty = "АБВГДЕЖЗИЙКЛМНОПРСТУ";
    EXPECT_TRUE(Parse({"set", "--title", twenty, "--codepage", "1251", "f"}).warnings.empty());

    const Invocation inv = Parse({"set", "--comment", std::string(29, 'c'), "--track", "1", "--year", "19999", "f"});
    EXPECT_EQ(inv.warnings, (std::vector<std::string>{"--year is 5 bytes long; the tag keeps its first 4",
                                                      "--comment is 29 bytes long; the tag keeps its first 28"}));
}

TEST(CliArguments, GenreNamesAndNumbers)
{
    EXPECT_EQ(ParseGenre("ROCK"), 17);
    EXPECT_EQ(ParseGenre("contemporary ch?"), 140);
    EXPECT_EQ(ParseGenre("Synthpop"), 147);
    EXPECT_FALSE(ParseGenre(""));
    EXPECT_FALSE(ParseGenre(" 17"));
    EXPECT_FALSE(ParseGenre("Rock "));
    EXPECT_EQ(ParseNumber("255", 255), 255u);
    EXPECT_FALSE(ParseNumber("+1", 255));
    EXPECT_FALSE(ParseNumber("0x10", 255));
    EXPECT_FALSE(ParseNumber("99999999999999999999", 255));
}

}  // namespace
}  // namespace sonrik::cli
