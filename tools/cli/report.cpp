#include "cli/report.h"

#include "text/utf8.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <new>

namespace sonrik::cli {

namespace {

using twID3::TtwID3State;

std::vector<std::string> DecodeLines(const twID3::LineList& lines, const text::CodePage& cp)
{
    std::vector<std::string> out;
    out.reserve(lines.size());
    for (const auto& line : lines) out.push_back(cp.Decode(line));
    return out;
}

Id3v1Report MakeId3v1(const twID3::TtwID3v1& v1, const text::CodePage& cp)
{
    Id3v1Report r;
    r.title = cp.Decode(v1.Title());
    r.artist = cp.Decode(v1.Artist());
    r.album = cp.Decode(v1.Album());
    r.year = cp.Decode(v1.Year());
    r.comment = cp.Decode(v1.Comment());
    r.genre = std::string(v1.Genre());  // the genre table is ASCII
    r.genreId = v1.GenreID();
    r.trackNo = v1.TrackNo();
    r.v11 = v1.UseID3v11();
    return r;
}

Lyrics3Report MakeLyrics3(const twID3::TtwLyrics3& l3, const text::CodePage& cp)
{
    Lyrics3Report r;
    r.version2 = l3.UseLyrics3v2();
    r.lyrics = DecodeLines(l3.Lyrics(), cp);
    r.infos = DecodeLines(l3.Infos(), cp);
    r.images = DecodeLines(l3.Images(), cp);
    r.author = cp.Decode(l3.Author());
    r.title = cp.Decode(l3.Title());
    r.artist = cp.Decode(l3.Artist());
    r.album = cp.Decode(l3.Album());
    r.timestamp = l3.UseTimestamp();
    return r;
}

void Field(std::ostream& out, std::string_view label, std::string_view utf8)
{
    out << "    " << label << std::string(11 - label.size(), ' ') << DisplayText(utf8) << '\n';
}

void Lines(std::ostream& out, std::string_view label, const std::vector<std::string>& lines)
{
    out << "    " << label << (lines.empty() ? "  (none)" : "") << '\n';
    for (const auto& line : lines) out << "      " << DisplayText(line) << '\n';
}

void WriteId3v1Text(std::ostream& out, const Id3v1Report& v1)
{
    out << (v1.v11 ? "  ID3v1.1 tag\n" : "  ID3v1 tag\n");
    Field(out, "Title:", v1.title);
    Field(out, "Artist:", v1.artist);
    Field(out, "Album:", v1.album);
    Field(out, "Year:", v1.year);
    Field(out, "Comment:", v1.comment);
    const std::string genreName = v1.genre.empty() ? "no name" : v1.genre;
    Field(out, "Genre:", std::to_string(v1.genreId) + " (" + genreName + ")");
    if (v1.v11) Field(out, "Track:", std::to_string(v1.trackNo));
}

void WriteLyrics3Text(std::ostream& out, const Lyrics3Report& l3)
{
    if (!l3.version2) {
        out << "  Lyrics3 tag, version 1\n";
        Lines(out, "Lyrics:", l3.lyrics);
        return;
    }
    out << "  Lyrics3 tag, version 2.00\n";
    Field(out, "Title:", l3.title);
    Field(out, "Artist:", l3.artist);
    Field(out, "Album:", l3.album);
    Field(out, "Author:", l3.author);
    Field(out, "Timestamp:", l3.timestamp ? "yes" : "no");
    Lines(out, "Lyrics:", l3.lyrics);
    Lines(out, "Infos:", l3.infos);
    Lines(out, "Images:", l3.images);
}

}  // namespace

bool FileReport::Failed() const
{
    return status == "error" || status == twID3::StateName(twID3::id3NoSuchFile);
}

FileReport LoadedReport(std::string file, const twID3::TtwID3& tag, const text::CodePage& codePage)
{
    FileReport r;
    r.file = std::move(file);
    r.status = std::string(twID3::StateName(tag.Success()));
    if (tag.Success() == twID3::id3Success) {
        r.id3v1 = MakeId3v1(tag.ID3v1(), codePage);
        if (tag.ID3v1().UseLyrics3()) r.lyrics3 = MakeLyrics3(tag.ID3v1().Lyrics3(), codePage);
    }
    return r;
}

FileReport ErrorReport(std::string file, const std::exception& error)
{
    FileReport r;
    r.file = std::move(file);
    r.status = "error";
    r.error = dynamic_cast<const std::bad_alloc*>(&error) ? "out of memory" : error.what();
    if (const auto* io = dynamic_cast<const IoError*>(&error)) r.code = io->code();
    return r;
}

std::string ErrorMessage(const std::exception& error)
{
    return Explanation(ErrorReport({}, error));
}

std::string_view StateSentence(TtwID3State state)
{
    switch (state) {
    case twID3::id3Success: return "the tags were read or written";
    case twID3::id3NoTags: return "the file has no ID3v1 tag, and so no Lyrics3 tag either";
    case twID3::id3NoSuchFile: return "there is no such file";
    case twID3::id3IOError: return "a write came up short; the file may be incomplete";
    }
    return "unknown state";
}

std::string Explanation(const FileReport& report)
{
    if (report.status != "error") {
        for (const auto state : {twID3::id3NoTags, twID3::id3NoSuchFile, twID3::id3IOError}) {
            if (report.status == twID3::StateName(state))
                return report.status + ": " + std::string(StateSentence(state));
        }
        return report.status;
    }
    // "I/O error 131" already names its code.
    const bool named = report.code && report.error == "I/O error " + std::to_string(*report.code);
    if (report.code && !named) return report.error + " (OS error " + std::to_string(*report.code) + ")";
    return report.error;
}

std::string DisplayText(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    while (!utf8.empty()) {
        const text::DecodedChar ch = text::DecodeUtf8(utf8);
        if (!ch.valid) {
            text::AppendUtf8(out, text::ReplacementChar);
        } else if (ch.value < 0x20 || (ch.value >= 0x7F && ch.value <= 0x9F)) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned>(ch.value));
            out += escape;
        } else {
            out.append(utf8.substr(0, ch.length));
        }
        utf8.remove_prefix(ch.length);
    }
    return out;
}

void WriteText(std::ostream& out, const FileReport& report)
{
    out << DisplayText(report.file) << '\n';
    if (!report.id3v1) {
        out << "  " << DisplayText(Explanation(report)) << '\n';
        return;
    }
    WriteId3v1Text(out, *report.id3v1);
    if (report.lyrics3)
        WriteLyrics3Text(out, *report.lyrics3);
    else
        out << "  No Lyrics3 tag\n";
}

std::string ReportJson(const FileReport& report)
{
    // Members keep the order in which they are set.
    using Json = nlohmann::ordered_json;
    Json json{{"file", report.file}, {"status", report.status}};
    if (report.status == "error") {
        json["error"] = report.error;
        json["code"] = report.code ? Json(*report.code) : Json(nullptr);
    }
    json["id3v1"] = nullptr;
    if (report.id3v1) {
        const Id3v1Report& v1 = *report.id3v1;
        json["id3v1"] = {{"title", v1.title},     {"artist", v1.artist},   {"album", v1.album},
                         {"year", v1.year},       {"comment", v1.comment}, {"genre_id", v1.genreId},
                         {"genre", v1.genre},     {"track", v1.trackNo},   {"v11", v1.v11}};
    }
    json["lyrics3"] = nullptr;
    if (report.lyrics3) {
        const Lyrics3Report& l3 = *report.lyrics3;
        json["lyrics3"] = {{"version", l3.version2 ? "2.00" : "1"},
                           {"lyrics", l3.lyrics},
                           {"infos", l3.infos},
                           {"images", l3.images},
                           {"author", l3.author},
                           {"title", l3.title},
                           {"artist", l3.artist},
                           {"album", l3.album},
                           {"timestamp", l3.timestamp}};
    }
    return json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
}

void JsonReportList::Add(const FileReport& report)
{
    std::string text = ReportJson(report);
    // One level deeper inside the array. A line break stands only between
    // values: inside a string it is written as "\n".
    std::string indented = empty_ ? "[\n  " : ",\n  ";
    indented.reserve(text.size() * 9 / 8);
    for (const char c : text) {
        indented += c;
        if (c == '\n') indented += "  ";
    }
    out_ << indented;
    empty_ = false;
}

JsonReportList::~JsonReportList() { out_ << (empty_ ? "[]\n" : "\n]\n"); }

}  // namespace sonrik::cli
