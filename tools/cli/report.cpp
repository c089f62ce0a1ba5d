#include "cli/report.h"

#include "text/utf8.h"

#include <algorithm>
#include <array>
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

Id3v2Report MakeId3v2(const twID3::ID3v2Tag& tag)
{
    Id3v2Report r;
    r.version = "2." + std::to_string(tag.version) + "." + std::to_string(tag.revision);
    r.atEnd = tag.atEnd;
    for (std::size_t i = 0; i < twID3::ID3v2Fields.size(); ++i) r.values[i] = tag.*twID3::ID3v2Fields[i].values;
    r.unread = tag.unread;
    r.note = tag.note;
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

// Every value on a line of its own; the lyrics line by line.
void WriteId3v2Text(std::ostream& out, const FileReport& report)
{
    if (!report.id3v2Error.empty()) {
        out << "  Broken ID3v2 tag: " << DisplayText(report.id3v2Error) << '\n';
        return;
    }
    if (!report.id3v2) {
        out << "  No ID3v2 tag\n";
        return;
    }
    const Id3v2Report& v2 = *report.id3v2;
    out << "  ID3v2." << v2.version.substr(2) << " tag, at the " << (v2.atEnd ? "end" : "start") << " of the file\n";
    for (std::size_t i = 0; i < twID3::ID3v2Fields.size(); ++i) {
        std::string label(twID3::ID3v2Fields[i].name);
        label[0] = static_cast<char>(label[0] - 'a' + 'A');
        label += ':';
        if (twID3::ID3v2Fields[i].name == "lyrics") {
            std::vector<std::string> lines;
            for (const auto& value : v2.values[i])
                for (auto& line : twID3::TextToLines(value)) lines.push_back(std::move(line));
            Lines(out, label, lines);
            continue;
        }
        if (v2.values[i].empty()) Field(out, label, "");
        for (std::size_t n = 0; n < v2.values[i].size(); ++n) Field(out, n == 0 ? label : "", v2.values[i][n]);
    }
    if (!v2.unread.empty()) {
        std::string ids;
        for (const auto& id : v2.unread) ids += (ids.empty() ? "" : ", ") + id;
        Field(out, "Not read:", ids);
    }
    if (!v2.note.empty()) Field(out, "Note:", v2.note);
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
    if (const auto& v2 = tag.ID3v2().tag) r.id3v2 = MakeId3v2(*v2);
    r.id3v2Error = tag.ID3v2().error;
    return r;
}

FileReport ErrorReport(std::string file, const std::exception& error)
{
    FileReport r;
    r.file = std::move(file);
    r.status = "error";
    r.error = dynamic_cast<const std::bad_alloc*>(&error) ? "out of memory" : error.what();
    if (const auto* io = dynamic_cast<const IoError*>(&error)) {
        r.error = io->systemText();
        r.code = io->systemNumber();
    }
    return r;
}

std::string FolderNotFileText()
{
    return "it is a folder, not a file: end its name with a folder delimiter to take the MP3 files in it";
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
    case twID3::id3IOError: return "a write came up short, and the file was put back as it was";
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
    } else {
        WriteId3v1Text(out, *report.id3v1);
        if (report.lyrics3)
            WriteLyrics3Text(out, *report.lyrics3);
        else
            out << "  No Lyrics3 tag\n";
    }
    // A file that could be read has an ID3v2 part, whatever its ID3v1 part says.
    if (!report.Failed()) WriteId3v2Text(out, report);
}

namespace {

// JSON written straight into a string, two spaces a level. The layout and
// the escapes are nlohmann-json's (dump(2), ill-formed UTF-8 replaced), which
// the tests hold it to; building its document for every file made `show
// --json` over 1,000 files take about 70% longer as a whole process.
class JsonText {
public:
    JsonText(std::string& out, std::size_t depth) : out_(out), depth_(depth) {}

    void Open(char bracket)
    {
        out_ += bracket;
        empty_.at(++level_) = true;
    }
    void Close(char bracket)
    {
        if (!empty_[level_--]) NewLine();
        out_ += bracket;
    }
    // Before each member of an object, or item of an array. The keys are
    // the program's own short ASCII names, which need no escapes: the
    // separator, the line's indent and the key go out in one piece.
    void Key(std::string_view key)
    {
        std::array<char, 96> piece;
        const std::size_t indent = Indent();
        if (indent + key.size() + 6 > piece.size()) {
            Item();
            out_.append(1, '"').append(key).append("\": ");
            return;
        }
        std::size_t n = 0;
        if (!empty_[level_]) piece[n++] = ',';
        empty_[level_] = false;
        piece[n++] = '\n';
        std::fill_n(piece.begin() + static_cast<std::ptrdiff_t>(n), indent, ' ');
        n += indent;
        piece[n++] = '"';
        std::copy(key.begin(), key.end(), piece.begin() + static_cast<std::ptrdiff_t>(n));
        n += key.size();
        for (const char c : {'"', ':', ' '}) piece[n++] = c;
        out_.append(piece.data(), n);
    }
    void Item()
    {
        if (!empty_[level_]) out_ += ',';
        empty_[level_] = false;
        NewLine();
    }
    void Raw(std::string_view text) { out_ += text; }
    void Number(int value) { out_ += std::to_string(value); }
    void Bool(bool value) { out_ += value ? "true" : "false"; }
    void String(std::string_view utf8);
    void Strings(const std::vector<std::string>& items)
    {
        Open('[');
        for (const auto& item : items) Item(), String(item);
        Close(']');
    }

private:
    std::size_t Indent() const { return 2 * (depth_ + level_); }
    void NewLine()
    {
        out_ += '\n';
        out_.append(Indent(), ' ');
    }

    std::string& out_;
    std::size_t depth_;
    // Per open level (1 up): nothing in it yet. Reports nest four deep.
    std::array<bool, 8> empty_{};
    std::size_t level_ = 0;
};

void JsonText::String(std::string_view utf8)
{
    out_ += '"';
    // Printable ASCII without quotes and backslashes, the common case, goes as it is.
    const auto ascii = [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 0x20 && byte < 0x80 && c != '"' && c != '\\';
    };
    const auto plain = [](char c) { return static_cast<unsigned char>(c) >= 0x20 && c != '"' && c != '\\'; };
    if (std::all_of(utf8.begin(), utf8.end(), ascii) ||
        (std::all_of(utf8.begin(), utf8.end(), plain) && text::IsValidUtf8(utf8))) {
        out_ += utf8;
        out_ += '"';
        return;
    }
    for (const char c : text::SanitizeUtf8(utf8)) {
        switch (c) {
        case '"': out_ += "\\\""; break;
        case '\\': out_ += "\\\\"; break;
        case '\b': out_ += "\\b"; break;
        case '\f': out_ += "\\f"; break;
        case '\n': out_ += "\\n"; break;
        case '\r': out_ += "\\r"; break;
        case '\t': out_ += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
                out_ += escape;
            } else {
                out_ += c;
            }
        }
    }
    out_ += '"';
}

void AppendJson(std::string& out, const FileReport& report, std::size_t depth)
{
    JsonText json(out, depth);
    json.Open('{');
    json.Key("file"), json.String(report.file);
    json.Key("status"), json.String(report.status);
    if (report.status == "error") {
        json.Key("error"), json.String(report.error);
        json.Key("code");
        if (report.code)
            json.Number(*report.code);
        else
            json.Raw("null");
    }
    json.Key("id3v1");
    if (const auto& v1 = report.id3v1) {
        json.Open('{');
        json.Key("title"), json.String(v1->title);
        json.Key("artist"), json.String(v1->artist);
        json.Key("album"), json.String(v1->album);
        json.Key("year"), json.String(v1->year);
        json.Key("comment"), json.String(v1->comment);
        json.Key("genre_id"), json.Number(v1->genreId);
        json.Key("genre"), json.String(v1->genre);
        json.Key("track"), json.Number(v1->trackNo);
        json.Key("v11"), json.Bool(v1->v11);
        json.Close('}');
    } else {
        json.Raw("null");
    }
    json.Key("lyrics3");
    if (const auto& l3 = report.lyrics3) {
        json.Open('{');
        json.Key("version"), json.String(l3->version2 ? "2.00" : "1");
        json.Key("lyrics"), json.Strings(l3->lyrics);
        json.Key("infos"), json.Strings(l3->infos);
        json.Key("images"), json.Strings(l3->images);
        json.Key("author"), json.String(l3->author);
        json.Key("title"), json.String(l3->title);
        json.Key("artist"), json.String(l3->artist);
        json.Key("album"), json.String(l3->album);
        json.Key("timestamp"), json.Bool(l3->timestamp);
        json.Close('}');
    } else {
        json.Raw("null");
    }
    json.Key("id3v2");
    if (const auto& v2 = report.id3v2) {
        json.Open('{');
        json.Key("version"), json.String(v2->version);
        json.Key("where"), json.String(v2->atEnd ? "end" : "start");
        for (std::size_t i = 0; i < twID3::ID3v2Fields.size(); ++i)
            json.Key(twID3::ID3v2Fields[i].name), json.Strings(v2->values[i]);
        json.Key("unread"), json.Strings(v2->unread);
        json.Key("note"), json.String(v2->note);
        json.Close('}');
    } else {
        json.Raw("null");
    }
    json.Key("id3v2_error");
    if (report.id3v2Error.empty())
        json.Raw("null");
    else
        json.String(report.id3v2Error);
    json.Close('}');
}

}  // namespace

std::string ReportJson(const FileReport& report)
{
    std::string out;
    AppendJson(out, report, 0);
    return out;
}

void JsonReportList::Add(const FileReport& report)
{
    pending_ += empty_ ? "[\n  " : ",\n  ";
    AppendJson(pending_, report, 1);
    empty_ = false;
    // The stream is handed large pieces: one write per file would cost a
    // system call per file.
    constexpr std::size_t kPiece = 64 * 1024;
    if (pending_.size() >= kPiece) Flush();
}

void JsonReportList::Flush()
{
    out_.write(pending_.data(), static_cast<std::streamsize>(pending_.size()));
    pending_.clear();
}

JsonReportList::~JsonReportList()
{
    pending_ += empty_ ? "[]\n" : "\n]\n";
    Flush();
}

}  // namespace sonrik::cli
