// With --write FOLDER OUT, the writer instead: copies of the files get new
// values, once fitting most tags in place and once making every tag grow,
// and TagLib must read the new values, every other value as before and the
// same pictures, with the same bytes after the tag; an appended tag must be
// refused untouched. OUT/changes.json is left for check_written.py.
//
// Reads every file of a folder made by make_files.py with our ID3v2 reader
// (through the tag file object, as the editor loads a file) and checks each
// value against the generator's expected.json and, where TagLib reads that
// shape, against TagLib's reading of the same file. Prints every difference;
// the exit status is the number of files with one (0: all agree).
//
//     sonrik_id3v2_vs_taglib FOLDER

#include "platform/errors.h"
#include "twID3/id3v2_write.h"
#include "twID3/twID3.h"

#include <nlohmann/json.hpp>
#include <taglib/attachedpictureframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tpropertymap.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
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

Values Pictures(const std::string& path)
{
    TagLib::MPEG::File file(path.c_str(), false);
    Values out;
    if (auto* tag = file.ID3v2Tag())
        for (auto* frame : tag->frameListMap()["APIC"])
            if (auto* pic = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(frame))
                out.emplace_back(pic->picture().data(), pic->picture().size());
    return out;
}

std::string Bytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The differences for the copy of one file written with `fields`.
std::vector<std::string> CheckWritten(const std::string& source, const std::string& copy, const nlohmann::json& want,
                                      const std::map<std::string, std::string>& fields, nlohmann::json& written)
{
    using sonrik::twID3::ID3v2Changes;
    std::vector<std::string> problems;
    std::filesystem::copy_file(source, copy, std::filesystem::copy_options::overwrite_existing);
    sonrik::twID3::TtwID3 loaded;
    loaded.LoadFromFile(copy);
    const bool appended = !loaded.ID3v2().tag || loaded.ID3v2().tag->atEnd;
    const std::int64_t oldSize = appended ? 0 : loaded.ID3v2().tag->size;
    const std::string before = Bytes(copy);
    ID3v2Changes changes;
    for (const auto& [name, value] : fields) {
        const auto field = std::find_if(ID3v2Fields.begin(), ID3v2Fields.end(), [&](auto& f) { return f.name == name; });
        changes.*std::array{&ID3v2Changes::title, &ID3v2Changes::artist, &ID3v2Changes::album, &ID3v2Changes::year,
                            &ID3v2Changes::track, &ID3v2Changes::genre, &ID3v2Changes::comment, &ID3v2Changes::lyrics,
                            &ID3v2Changes::lyricist}[field - ID3v2Fields.begin()] = value;
    }
    sonrik::twID3::ID3v2Saved saved;
    try {
        saved = sonrik::twID3::SaveID3v2(copy, changes);
        if (appended) problems.push_back("an appended tag was written");
    } catch (const sonrik::Error& e) {
        if (!appended) problems.push_back(std::string("error: ") + e.what());
        if (Bytes(copy) != before) problems.push_back("the refused file changed");
        return problems;
    }
    if (before.substr(static_cast<std::size_t>(oldSize)) != Bytes(copy).substr(static_cast<std::size_t>(saved.size)))
        problems.push_back("the bytes after the tag differ");
    const auto skip = want["taglib_skip"].get<Values>();
    const bool withTagLib = want["taglib"].get<bool>();
    if (withTagLib && Pictures(source) != Pictures(copy)) problems.push_back("the pictures differ");
    const auto old = TagLibValues(source), now = TagLibValues(copy);
    for (const auto& field : ID3v2Fields) {
        const std::string name(field.name);
        const auto given = fields.find(name);
        const Values theirs = now.contains(name) ? now.at(name) : Values{};
        if (given != fields.end() && theirs != Values{given->second})
            problems.push_back(name + ": TagLib reads " + Show(theirs));
        else if (given == fields.end() && withTagLib && std::find(skip.begin(), skip.end(), name) == skip.end() &&
                 theirs != (old.contains(name) ? old.at(name) : Values{}))
            problems.push_back(name + ": unchanged, but TagLib reads " + Show(theirs));
    }
    written[std::filesystem::path(copy).filename().string()] = {{"source", std::filesystem::path(source).filename()},
                                                                 {"fields", fields}, {"in_place", saved.inPlace}};
    return problems;
}

int WriteAll(const std::filesystem::path& folder, const std::filesystem::path& out, const nlohmann::json& expected)
{
    std::filesystem::create_directories(out);
    const std::map<std::string, std::map<std::string, std::string>> changes = {
        {"fit", {{"title", "Нова назва ♫"}, {"year", "1987"}, {"comment", "ISO-8859-1: é"}}},
        {"grow", {{"artist", std::string(3000, 'a')}, {"lyrics", "Рядок\n" + std::string(3000, 'l')},
                  {"genre", "Jazz"}, {"track", "4/9"}, {"lyricist", "Writer"}, {"album", "New album"}}}};
    nlohmann::json written;
    int failed = 0;
    for (const auto& [name, want] : expected.items()) {
        if (want["broken"].get<bool>()) continue;
        for (const auto& [suffix, fields] : changes) {
            const auto copy = out / (std::filesystem::path(name).stem().string() + "_" + suffix + ".mp3");
            const auto problems = CheckWritten((folder / name).string(), copy.string(), want, fields, written);
            for (const auto& p : problems) std::cout << copy.filename().string() << ": " << p << "\n";
            failed += problems.empty() ? 0 : 1;
        }
    }
    std::ofstream(out / "changes.json") << written.dump(1);
    const auto inPlace = std::count_if(written.begin(), written.end(), [](auto& w) { return w["in_place"].template get<bool>(); });
    std::cout << written.size() << " copies written, " << inPlace << " in place; " << failed << " with a difference\n";
    return inPlace == 0 || inPlace == static_cast<std::ptrdiff_t>(written.size()) ? 1 + failed : failed;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::string(argv[1]) == "--write") {
        std::ifstream in(std::filesystem::path(argv[2]) / "expected.json");
        return WriteAll(argv[2], argv[3], nlohmann::json::parse(in));
    }
    if (argc != 2) {
        std::cerr << "usage: sonrik_id3v2_vs_taglib [--write] FOLDER [OUT]\n";
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
