// JSON writing and the two renderings of a file's report.
#include "cli/json.h"
#include "cli/report.h"

#include <gtest/gtest.h>

#include <sstream>

namespace sonrik::cli {
namespace {

TEST(CliJson, StringsAreEscaped)
{
    EXPECT_EQ(JsonString("a\"b\\c"), R"("a\"b\\c")");
    EXPECT_EQ(JsonString(std::string("\0\x01\n\x1F\x7F", 5)), "\"\\u0000\\u0001\\u000A\\u001F\x7F\"");
    EXPECT_EQ(JsonString("Ж\xC2\x81"), "\"Ж\xC2\x81\"");  // non-ASCII and C1 stay as they are
    EXPECT_EQ(JsonString("\xFF/"), "\"\xEF\xBF\xBD/\"");   // never invalid UTF-8 in the output
}

TEST(CliJson, WriterIndentsAndRefusesMisuse)
{
    std::ostringstream out;
    JsonWriter json(out);
    json.BeginArray();
    json.BeginObject();
    json.Member("a", "x");
    json.StringArray("empty", {});
    json.StringArray("lines", {"1", "2"});
    json.Key("n");
    json.Null();
    json.EndObject();
    json.Number(-3);
    json.EndArray();
    EXPECT_EQ(out.str(), "[\n  {\n    \"a\": \"x\",\n    \"empty\": [],\n    \"lines\": [\n      \"1\",\n"
                         "      \"2\"\n    ],\n    \"n\": null\n  },\n  -3\n]\n");

    JsonWriter bad(out);
    bad.BeginObject();
    EXPECT_THROW(bad.String("no key"), std::logic_error);
    EXPECT_THROW(bad.EndArray(), std::logic_error);
}

// A tag object filled through its setters, as a load would leave it.
struct CliTaggedReport : testing::Test {
    twID3::TtwID3 tag;
    const text::CodePage& cp1252 = *text::CodePage::Find(1252);

    void SetUp() override
    {
        auto& v1 = tag.ID3v1();
        v1.SetTitle("Caf\xE9");
        v1.SetArtist("A\x1B[2J");  // a terminal escape in the tag
        v1.SetYear("1999");
        v1.SetGenreID(17);
        v1.SetTrackNo(3);
        auto& l3 = v1.Lyrics3();
        l3.SetLyrics({"one", "tw\x81o"});
        l3.SetAuthor("Me");
        v1.SetUseLyrics3(true);
    }
};

TEST_F(CliTaggedReport, TextShowsBothTagsReadably)
{
    std::ostringstream out;
    WriteText(out, LoadedReport("f.mp3", tag, cp1252));
    EXPECT_EQ(out.str(), "f.mp3\n"
                         "  ID3v1.1 tag\n"
                         "    Title:     Café\n"
                         "    Artist:    A\\x1B[2J\n"
                         "    Album:     \n"
                         "    Year:      1999\n"
                         "    Comment:   \n"
                         "    Genre:     17 (Rock)\n"
                         "    Track:     3\n"
                         "  Lyrics3 tag, version 2.00\n"
                         "    Title:     \n"
                         "    Artist:    \n"
                         "    Album:     \n"
                         "    Author:    Me\n"
                         "    Timestamp: no\n"
                         "    Lyrics:\n"
                         "      one\n"
                         "      tw\\x81o\n"
                         "    Infos:  (none)\n"
                         "    Images:  (none)\n");
}

TEST_F(CliTaggedReport, JsonCarriesEveryValue)
{
    tag.ID3v1().Lyrics3().SetUseLyrics3v2(false);
    std::ostringstream out;
    JsonWriter json(out);
    WriteJson(json, LoadedReport("f.mp3", tag, cp1252));
    EXPECT_EQ(out.str(), R"({
  "file": "f.mp3",
  "status": "id3Success",
  "id3v1": {
    "title": "Café",
    "artist": "A\u001B[2J",
    "album": "",
    "year": "1999",
    "comment": "",
    "genre_id": 17,
    "genre": "Rock",
    "track": 3,
    "v11": true
  },
  "lyrics3": {
    "version": "1",
    "lyrics": [
      "one",
      "tw)" "\xC2\x81" R"(o"
    ],
    "infos": [],
    "images": [],
    "author": "Me",
    "title": "",
    "artist": "",
    "album": "",
    "timestamp": false
  }
}
)");
}

TEST(CliReport, ErrorsCarryTheirTextAndCode)
{
    const FileReport denied = ErrorReport("d.mp3", IoError(5));
    EXPECT_TRUE(denied.Failed());
    EXPECT_EQ(Explanation(denied), "File access denied (OS error 5)");
    EXPECT_EQ(Explanation(ErrorReport("x", IoError(131))), "I/O error 131");
    EXPECT_EQ(ErrorMessage(Error(u8"too big")), "too big");

    std::ostringstream out;
    JsonWriter json(out);
    WriteJson(json, ErrorReport("e.mp3", Error(u8"bad")));
    EXPECT_EQ(out.str(), "{\n  \"file\": \"e.mp3\",\n  \"status\": \"error\",\n  \"error\": \"bad\",\n"
                         "  \"code\": null,\n  \"id3v1\": null,\n  \"lyrics3\": null\n}\n");
}

}  // namespace
}  // namespace sonrik::cli
