#include "batch/id3v2_values.h"

#include <gtest/gtest.h>

using namespace sonrik;
using namespace sonrik::batch;
using twID3::ID3v2Tag;

namespace {

const std::string a29(29, 'a'), a31(31, 'a'), a300(300, 'a');
// A tag with these values, by field name.
ID3v2Tag With(std::initializer_list<std::pair<std::string_view, std::vector<std::string>>> values)
{
    ID3v2Tag tag;
    for (const auto& [name, list] : values)
        for (const auto& field : twID3::ID3v2Fields)
            if (field.name == name) tag.*field.values = list;
    return tag;
}

const std::string kZhe = "\xD0\x96";  // U+0416, 0xC6 in code page 1251

const ConvertOptions kBesideTrack{.recordHasTrack = true, .lyrics = false};
const ConvertOptions kLyrics{.recordHasTrack = false, .lyrics = true};

struct TextCase {
    const char* what;
    ID3v2Tag tag;
    unsigned codePage;
    ConvertOptions options;
    ConvertedText ConvertedTag::*field;
    std::optional<std::string> value;
    bool cut;
    std::optional<std::string> whole;
    const char* note;  // part of the note; empty: none
};

struct NumberCase {
    const char* what;
    ID3v2Tag tag;
    ConvertedNumber ConvertedTag::*field;
    std::optional<int> value;
    const char* note;
};

}  // namespace

TEST(ConvertID3v2, TextFieldsFollowTheRecordsLimitsAndTheCodePage)
{
    using T = ConvertedTag;
    const TextCase cases[] = {
        {"fits", With({{"title", {a29 + "\xC3\xA9"}}}), 1252, {}, &T::title, a29 + "\xE9", false, {}, ""},
        {"one too many", With({{"title", {a31}}}), 1252, {}, &T::title, a31.substr(0, 30), true, a31, "whole value"},
        {"cut between characters", With({{"artist", {a29 + kZhe + kZhe}}}), 1251, {}, &T::artist, a29 + "\xC6", true,
         a29 + "\xC6\xC6", "cut to 30"},
        {"longer than Lyrics3 holds", With({{"album", {a300}}}), 1252, {}, &T::album, a300.substr(0, 30), true,
         a300.substr(0, 250), "first 250"},
        {"character the code page lacks", With({{"title", {"Sp" + kZhe}}}), 1252, {}, &T::title, {}, false, {},
         "U+0416"},
        {"several values joined", With({{"artist", {"One", "Two"}}}), 1252, {}, &T::artist, "One / Two", false, {}, ""},
        {"year from a date", With({{"year", {"2024-05-01"}}}), 1252, {}, &T::year, "2024", false, {}, ""},
        {"year without four digits", With({{"year", {"c. 99"}}}), 1252, {}, &T::year, {}, false, {}, "four digits"},
        {"comment beside the tag's track", With({{"track", {"3"}}, {"comment", {a29}}}), 1252, {}, &T::comment,
         a29.substr(0, 28), true, {}, "cut to 28"},
        {"comment beside the record's track", With({{"comment", {a29}}}), 1252, kBesideTrack, &T::comment,
         a29.substr(0, 28), true, {}, "cut to 28"},
        {"comment without a track", With({{"comment", {a29}}}), 1252, {}, &T::comment, a29, false, {}, ""},
        {"lyrics only when asked", With({{"lyrics", {"la\nla"}}}), 1252, {}, &T::lyrics, {}, false, {}, ""},
        {"lyrics", With({{"lyrics", {"la\nla"}}}), 1252, kLyrics, &T::lyrics, "la\nla", false, {}, ""},
        {"lyrics longer than a field", With({{"lyrics", {std::string(99998, 'l') + "\n"}}}), 1252, kLyrics,
         &T::lyrics, {}, false, {}, "99999"},
        {"lyricist as author", With({{"lyricist", {a300}}}), 1252, kLyrics, &T::author, a300.substr(0, 250), true, {},
         "cut to 250"},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.what);
        const ConvertedText got = ConvertID3v2(c.tag, *text::CodePage::Find(c.codePage), c.options).*c.field;
        EXPECT_EQ(got.value, c.value);
        EXPECT_EQ(got.cut, c.cut);
        EXPECT_EQ(got.whole, c.whole);
        if (*c.note)
            EXPECT_NE(got.note.find(c.note), std::string::npos) << got.note;
        else
            EXPECT_EQ(got.note, "");
    }
}

TEST(ConvertID3v2, TrackAndGenreBecomeTheRecordsNumbers)
{
    using T = ConvertedTag;
    const NumberCase cases[] = {
        {"track of a set", With({{"track", {"3/12"}}}), &T::track, 3, ""},
        {"track 255", With({{"track", {"255"}}}), &T::track, 255, ""},
        {"track 0", With({{"track", {"0"}}}), &T::track, {}, "1 to 255"},
        {"track 256", With({{"track", {"256"}}}), &T::track, {}, "1 to 255"},
        {"track not a number", With({{"track", {"A1"}}}), &T::track, {}, "\"A1\""},
        {"no track", With({}), &T::track, {}, ""},
        {"genre in any letter case", With({{"genre", {"hip-HOP"}}}), &T::genre, 7, ""},
        {"genre by number", With({{"genre", {"17"}}}), &T::genre, 17, ""},
        {"first genre the table knows", With({{"genre", {"Remix", "Jazz"}}}), &T::genre, 8, ""},
        {"genre outside the table", With({{"genre", {"Remix"}}}), &T::genre, 255, "genre table"},
        {"number outside the table", With({{"genre", {"148"}}}), &T::genre, 255, "genre table"},
    };
    for (const NumberCase& c : cases) {
        SCOPED_TRACE(c.what);
        const ConvertedNumber got = ConvertID3v2(c.tag, *text::CodePage::Find(1252)).*c.field;
        EXPECT_EQ(got.value ? std::optional<int>(*got.value) : std::nullopt, c.value);
        if (*c.note)
            EXPECT_NE(got.note.find(c.note), std::string::npos) << got.note;
        else
            EXPECT_EQ(got.note, "");
    }
}
