// Reads every file of a folder made by make_files.py with our ID3v2 reader
// (through the tag file object, as the editor loads a file) and checks each
// value against the generator's expected.json and, where TagLib reads that
// shape, against TagLib's reading of the same file. Prints every difference;
// the exit status is the number of files with one (0: all agree).
//
//     sonrik_id3v2_vs_taglib FOLDER

#include "twID3/twID3.h"

#include <nlohmann/json.hpp>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tpropertymap.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>

namespace {

using Values = std::vector<std::string>;
using sonrik::twID3::ID3v2Fields;

std::string Show(const Values& values)
{
    std::string out = "[";
    for (const auto& v : values) out += (out.size() > 1 ? ", \"" : "\"") + v + "\"";
    return out + "]";
}

Values Utf8(const TagLib::StringList& list)
{
    Values out;
    for (const auto& s : list) out.push_back(s.to8Bit(true));
    return out;
}

// TagLib's values under our field names; its properties give them in UTF-8.
std::map<std::string, Values> TagLibValues(const std::string& path)
{
    TagLib::MPEG::File file(path.c_str(), false);
    std::map<std::string, Values> values;
    TagLib::ID3v2::Tag* tag = file.ID3v2Tag();
    if (!tag) return values;
    const TagLib::PropertyMap props = tag->properties();
    const std::map<std::string, const char*> keys = {
        {"title", "TITLE"}, {"artist", "ARTIST"}, {"album", "ALBUM"}, {"year", "DATE"}, {"track", "TRACKNUMBER"},
        {"genre", "GENRE"}, {"lyrics", "LYRICS"}, {"lyricist", "LYRICIST"}};
    for (const auto& [field, key] : keys)
        if (props.contains(key)) values[field] = Utf8(props[key]);
    // The comment without a description, else the first: TagLib's own choice.
    if (!tag->comment().isEmpty()) values["comment"] = {tag->comment().to8Bit(true)};
    return values;
}

// The differences for one file, as lines.
std::vector<std::string> Check(const std::string& path, const nlohmann::json& expected)
{
    std::vector<std::string> problems;
    sonrik::twID3::TtwID3 file;
    file.LoadFromFile(path);
    const auto& read = file.ID3v2();
    if (expected["broken"].get<bool>()) {
        if (read.tag || read.error.empty()) problems.push_back("a broken tag gives no error");
        return problems;
    }
    if (!read.tag) return {"no tag read: " + read.error};
    const auto& tag = *read.tag;
    if (tag.atEnd != expected["at_end"].get<bool>()) problems.push_back("atEnd is " + std::to_string(tag.atEnd));
    if (tag.note.empty() == expected["note"].get<bool>()) problems.push_back("note \"" + tag.note + "\"");
    if (tag.unread != expected["unread"].get<Values>()) problems.push_back("unread " + Show(tag.unread));

    const bool withTagLib = expected["taglib"].get<bool>();
    const auto skip = expected["taglib_skip"].get<Values>();
    const auto taglib = withTagLib ? TagLibValues(path) : std::map<std::string, Values>{};
    for (const auto& field : ID3v2Fields) {
        const std::string name(field.name);
        const Values& ours = tag.*field.values;
        const auto& fields = expected["fields"];
        const Values want = fields.contains(name) ? fields[name].get<Values>() : Values{};
        if (ours != want) problems.push_back(name + ": ours " + Show(ours) + ", written " + Show(want));
        if (!withTagLib || std::find(skip.begin(), skip.end(), name) != skip.end()) continue;
        const auto it = taglib.find(name);
        const Values theirs = it == taglib.end() ? Values{} : it->second;
        if (ours != theirs) problems.push_back(name + ": ours " + Show(ours) + ", TagLib " + Show(theirs));
    }
    // The loads of the other tags go on beside it.
    if (path.find("appended.mp3") != std::string::npos && !file.ID3v1().UseLyrics3())
        problems.push_back("the Lyrics3 block behind the appended tag was not loaded");
    return problems;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: sonrik_id3v2_vs_taglib FOLDER\n";
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::ifstream in(folder / "expected.json");
    const nlohmann::json expected = nlohmann::json::parse(in);
    int failed = 0;
    for (const auto& [name, want] : expected.items()) {
        const auto problems = Check((folder / name).string(), want);
        for (const auto& p : problems) std::cout << name << ": " << p << "\n";
        failed += problems.empty() ? 0 : 1;
    }
    std::cout << expected.size() - failed << " of " << expected.size() << " files agree\n";
    return failed;
}
