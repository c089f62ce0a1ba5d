// Writes new values with our ID3v2 writer into copies of the files that
// make_files.py made, once with a change that fits most tags in place and
// once with one that makes every tag grow, and checks the copies with
// TagLib: the new values are read, every other value reads as before,
// pictures hold the same bytes and every byte after the tag is the same.
// A tag appended at the end must be refused with the file untouched.
// Leaves changes.json for check_written.py, which reads the copies with
// mutagen. Exit status: the number of copies with a difference.
//
//     sonrik_id3v2_write_vs_taglib FOLDER OUT

#include "platform/errors.h"
#include "twID3/id3v2_write.h"
#include "twID3/twID3.h"

#include <nlohmann/json.hpp>
#include <taglib/attachedpictureframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tpropertymap.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Values = std::vector<std::string>;
using sonrik::twID3::ID3v2Changes;

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
        if (props.contains(key))
            for (const auto& s : props[key]) values[field].push_back(s.to8Bit(true));
    if (!tag->comment().isEmpty()) values["comment"] = {tag->comment().to8Bit(true)};
    return values;
}

std::vector<std::string> Pictures(const std::string& path)
{
    TagLib::MPEG::File file(path.c_str(), false);
    std::vector<std::string> out;
    if (auto* tag = file.ID3v2Tag())
        for (auto* frame : tag->frameListMap()["APIC"])
            if (auto* pic = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(frame))
                out.emplace_back(pic->picture().data(), pic->picture().size());
    return out;
}

std::string Bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::int64_t HeadTagSize(const std::string& path)
{
    sonrik::twID3::TtwID3 file;
    file.LoadFromFile(path);
    const auto& read = file.ID3v2();
    return read.tag && !read.tag->atEnd ? read.tag->size : 0;
}

struct Change {
    const char* suffix;
    std::map<std::string, std::string> fields;
};

ID3v2Changes ChangesOf(const Change& c)
{
    ID3v2Changes out;
    const std::map<std::string, std::optional<std::string> ID3v2Changes::*> members = {
        {"title", &ID3v2Changes::title}, {"artist", &ID3v2Changes::artist}, {"album", &ID3v2Changes::album},
        {"year", &ID3v2Changes::year},   {"track", &ID3v2Changes::track},   {"genre", &ID3v2Changes::genre},
        {"comment", &ID3v2Changes::comment}, {"lyrics", &ID3v2Changes::lyrics},
        {"lyricist", &ID3v2Changes::lyricist}};
    for (const auto& [name, value] : c.fields) out.*members.at(name) = value;
    return out;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: sonrik_id3v2_write_vs_taglib FOLDER OUT\n";
        return 2;
    }
    const fs::path in = argv[1], out = argv[2];
    fs::create_directories(out);
    std::ifstream expectedFile(in / "expected.json");
    const nlohmann::json expected = nlohmann::json::parse(expectedFile);
    const Change changes[] = {
        {"fit", {{"title", "Нова назва ♫"}, {"year", "1987"}, {"comment", "Comment, ISO-8859-1: é"}}},
        {"grow", {{"artist", std::string(3000, 'a')}, {"lyrics", "Рядок\n" + std::string(3000, 'l')}, {"genre", "Jazz"},
                  {"track", "4/9"}, {"lyricist", "Writer"}, {"album", "New album"}}},
    };
    nlohmann::json written;
    int failed = 0, inPlace = 0, rewritten = 0;
    for (const auto& [name, want] : expected.items()) {
        if (want["broken"].get<bool>()) continue;
        const std::string source = (in / name).string();
        for (const Change& change : changes) {
            const std::string copy = (out / (fs::path(name).stem().string() + "_" + change.suffix + ".mp3")).string();
            fs::copy_file(source, copy, fs::copy_options::overwrite_existing);
            std::vector<std::string> problems;
            const std::string before = Bytes(copy);
            const std::int64_t oldSize = HeadTagSize(copy);
            sonrik::twID3::ID3v2Saved saved;
            try {
                saved = sonrik::twID3::SaveID3v2(copy, ChangesOf(change));
                if (want["at_end"].get<bool>() && oldSize == 0) problems.push_back("an appended tag was written");
            } catch (const sonrik::Error& e) {
                if (!(want["at_end"].get<bool>() && oldSize == 0)) problems.push_back(std::string("error: ") + e.what());
                if (Bytes(copy) != before) problems.push_back("the refused file changed");
            }
            if (saved.written) {
                (saved.inPlace ? inPlace : rewritten)++;
                const std::string after = Bytes(copy);
                if (before.substr(static_cast<std::size_t>(oldSize)) != after.substr(static_cast<std::size_t>(saved.size)))
                    problems.push_back("the bytes after the tag differ");
                if (want["taglib"].get<bool>() && Pictures(source) != Pictures(copy))
                    problems.push_back("the pictures differ");
                const auto old = TagLibValues(source), now = TagLibValues(copy);
                const auto skip = want["taglib_skip"].get<Values>();
                for (const char* field : {"title", "artist", "album", "year", "track", "genre", "comment", "lyrics", "lyricist"}) {
                    const auto given = change.fields.find(field);
                    const Values theirs = now.contains(field) ? now.at(field) : Values{};
                    if (given != change.fields.end()) {
                        if (theirs != Values{given->second}) problems.push_back(std::string(field) + ": TagLib reads another value");
                    } else if (want["taglib"].get<bool>() && std::find(skip.begin(), skip.end(), field) == skip.end()) {
                        if (theirs != (old.contains(field) ? old.at(field) : Values{}))
                            problems.push_back(std::string(field) + ": unchanged, but TagLib reads it otherwise");
                    }
                }
                written[fs::path(copy).filename().string()] = {{"source", name}, {"fields", change.fields}};
            }
            for (const auto& p : problems) std::cout << fs::path(copy).filename().string() << ": " << p << "\n";
            failed += problems.empty() ? 0 : 1;
        }
    }
    std::ofstream(out / "changes.json") << written.dump(1);
    std::cout << written.size() << " files written (" << inPlace << " in place, " << rewritten << " rewritten), "
              << failed << " with a difference\n";
    if (inPlace == 0 || rewritten == 0) {
        std::cout << "both ways of saving must be taken\n";
        return 1;
    }
    return failed;
}
