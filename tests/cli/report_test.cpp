// JSON escaping and the two renderings of a file's report.
#include "cli/report.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>

namespace sonrik::cli {
namespace {

TEST(CliJson, StringsAreEscapedAndNeverIllFormed)
{
    const struct {
        std::string text, json;
    } cases[] = {
        {"a\"b\\c", R"("a\"b\\c")"},
        {std::string("\0\x01\n\x1F\x7F", 5), "\"\\u0000\\u0001\\n\\u001f\x7F\""},
        {"Ж\xC2\x81", "\"Ж\xC2\x81\""},        // non-ASCII and C1 stay as they are
        {"\xFF/", "\"\xEF\xBF\xBD/\""},        // never invalid UTF-8 in the output
    };
    for (const auto& c : cases) {
        const std::string json = ReportJson(ErrorReport(c.text, Error(u8"x")));
        EXPECT_EQ(json.substr(0, json.find(",\n")), "{\n  \"file\": " + c.json) << testing::PrintToString(c.text);
    }
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
                         "    Images:  (none)\n"
                         "  No ID3v2 tag\n");
}

// A report of a file whose ID3v2 tag holds values the record lacks.
FileReport Id3v2Only()
{
    FileReport r;
    r.file = "v2.mp3";
    r.status = "id3NoTags";
    r.id3v2.emplace();
    r.id3v2->version = "2.4.0";
    r.id3v2->values[0] = {"Caf\xC3\xA9"};
    r.id3v2->values[1] = {"One", "Two"};
    r.id3v2->values[7] = {"la\r\nla \"1\""};
    r.id3v2->unread = {"TPE1"};
    r.id3v2->note = "two tags";
    return r;
}

TEST(CliReport, TextShowsTheId3v2ValuesOfAFileWithoutARecord)
{
    std::ostringstream out;
    FileReport broken = Id3v2Only();
    broken.id3v2.reset();
    broken.id3v2Error = "the header claims 9 bytes";
    for (const FileReport& r : {Id3v2Only(), broken}) WriteText(out, r);
    EXPECT_EQ(out.str(), "v2.mp3\n"
                         "  id3NoTags: the file has no ID3v1 tag, and so no Lyrics3 tag either\n"
                         "  ID3v2.4.0 tag, at the start of the file\n"
                         "    Title:     Café\n"
                         "    Artist:    One\n"
                         "               Two\n"
                         "    Album:     \n"
                         "    Year:      \n"
                         "    Track:     \n"
                         "    Genre:     \n"
                         "    Comment:   \n"
                         "    Lyrics:\n"
                         "      la\n"
                         "      la \"1\"\n"
                         "    Lyricist:  \n"
                         "    Not read:  TPE1\n"
                         "    Note:      two tags\n"
                         "v2.mp3\n"
                         "  id3NoTags: the file has no ID3v1 tag, and so no Lyrics3 tag either\n"
                         "  Broken ID3v2 tag: the header claims 9 bytes\n");
}

TEST_F(CliTaggedReport, JsonCarriesEveryValue)
{
    tag.ID3v1().Lyrics3().SetUseLyrics3v2(false);
    EXPECT_EQ(ReportJson(LoadedReport("f.mp3", tag, cp1252)) + "\n", R"({
  "file": "f.mp3",
  "status": "id3Success",
  "id3v1": {
    "title": "Café",
    "artist": "A\u001b[2J",
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
  },
  "id3v2": null,
  "id3v2_error": null
}
)");
}

// The report's JSON as nlohmann-json writes it, which the tool's own writer
// must match byte for byte.
std::string NlohmannJson(const FileReport& r)
{
    using Json = nlohmann::ordered_json;
    Json json{{"file", r.file}, {"status", r.status}};
    if (r.status == "error") json["error"] = r.error, json["code"] = r.code ? Json(*r.code) : Json();
    json["id3v1"] = nullptr;
    if (const auto& v1 = r.id3v1) {
        json["id3v1"] = {{"title", v1->title}, {"artist", v1->artist}, {"album", v1->album}, {"year", v1->year},
                         {"comment", v1->comment}, {"genre_id", v1->genreId}, {"genre", v1->genre},
                         {"track", v1->trackNo}, {"v11", v1->v11}};
    }
    json["lyrics3"] = nullptr;
    if (const auto& l3 = r.lyrics3) {
        json["lyrics3"] = {{"version", l3->version2 ? "2.00" : "1"}, {"lyrics", l3->lyrics}, {"infos", l3->infos},
                           {"images", l3->images}, {"author", l3->author}, {"title", l3->title},
                           {"artist", l3->artist}, {"album", l3->album}, {"timestamp", l3->timestamp}};
    }
    json["id3v2"] = nullptr;
    if (const auto& v2 = r.id3v2) {
        json["id3v2"] = {{"version", v2->version}, {"where", v2->atEnd ? "end" : "start"}};
        for (std::size_t i = 0; i < twID3::ID3v2Fields.size(); ++i)
            json["id3v2"][std::string(twID3::ID3v2Fields[i].name)] = v2->values[i];
        json["id3v2"]["unread"] = v2->unread;
        json["id3v2"]["note"] = v2->note;
    }
    json["id3v2_error"] = r.id3v2Error.empty() ? Json() : Json(r.id3v2Error);
    return json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
}

TEST_F(CliTaggedReport, JsonIsWhatNlohmannJsonWrites)
{
    tag.ID3v1().Lyrics3().SetInfos({"tab\there", "quote \" and \\", "\x01\x1F\x7F", "ok \xFF"});
    tag.ID3v1().SetComment("line\r\nbreak\b\f");
    twID3::TtwID3 bare;
    FileReport broken = Id3v2Only();
    broken.id3v2.reset();
    broken.id3v2Error = "bad \xFF";
    for (const FileReport& report : {LoadedReport("f \"1\".mp3", tag, cp1252), LoadedReport("bare\xFF", bare, cp1252),
                                     ErrorReport("e.mp3", IoError(5)), ErrorReport("\t.mp3", Error(u8"bad\n")),
                                     Id3v2Only(), broken})
        EXPECT_EQ(ReportJson(report), NlohmannJson(report));

    using Json = nlohmann::ordered_json;
    const FileReport a = ErrorReport("a", Error(u8"x")), b = LoadedReport("b", tag, cp1252);
    std::ostringstream out;
    {
        JsonReportList list(out);
        list.Add(a);
        list.Add(b);
    }
    EXPECT_EQ(out.str(), Json::array({Json::parse(NlohmannJson(a)), Json::parse(NlohmannJson(b))}).dump(2) + "\n");
}

TEST(CliReport, ErrorsCarryTheirTextAndCode)
{
    const FileReport denied = ErrorReport("d.mp3", IoError(5));
    EXPECT_TRUE(denied.Failed());
    EXPECT_EQ(Explanation(denied), "File access denied (OS error 5)");
    // A POSIX call's failure names errno and its text, not the Windows code.
    EXPECT_EQ(Explanation(ErrorReport("p.mp3", IoError(5, 13, "Permission denied"))), "Permission denied (OS error 13)");
    EXPECT_EQ(Explanation(ErrorReport("x", IoError(131))), "I/O error 131");
    EXPECT_EQ(ErrorMessage(Error(u8"too big")), "too big");

    EXPECT_EQ(ReportJson(ErrorReport("e.mp3", Error(u8"bad"))) + "\n", "{\n  \"file\": \"e.mp3\",\n  \"status\": \"error\",\n  \"error\": \"bad\",\n"
                         "  \"code\": null,\n  \"id3v1\": null,\n  \"lyrics3\": null,\n  \"id3v2\": null,\n"
                         "  \"id3v2_error\": null\n}\n");
}

}  // namespace
}  // namespace sonrik::cli
