// What `show` reports for one file, and its two renderings: readable text
// and JSON. Tag bytes are turned into UTF-8 once, when the report is made.
#pragma once

#include "text/codepage.h"
#include "twID3/twID3.h"

#include <array>
#include <exception>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace sonrik::cli {

struct Id3v1Report {
    std::string title, artist, album, year, comment, genre;
    int genreId = 0;
    int trackNo = 0;
    bool v11 = false;
};

struct Lyrics3Report {
    bool version2 = false;
    std::vector<std::string> lyrics, infos, images;
    std::string author, title, artist, album;
    bool timestamp = false;
};

// The ID3v2 tag's values, already UTF-8: one list per field of
// twID3::ID3v2Fields, in that order (several values of a 2.4 tag, one of an
// earlier one, none when the tag has no value).
struct Id3v2Report {
    std::string version;  // "2.4.0"
    bool atEnd = false;   // appended at the end of the file, not at its start
    std::array<std::vector<std::string>, twID3::ID3v2Fields.size()> values;
    std::vector<std::string> unread;  // ids of frames present but not read
    std::string note;
};

struct FileReport {
    std::string file;    // UTF-8
    std::string status;  // the TtwID3State name, or "error"
    std::optional<Id3v1Report> id3v1;
    std::optional<Lyrics3Report> lyrics3;
    std::optional<Id3v2Report> id3v2;
    std::string id3v2Error;  // a broken ID3v2 tag: why it could not be read
    std::string error;        // status "error": what went wrong
    std::optional<int> code;  // status "error" from an I/O error: the OS error code

    // A missing file or an error; a file without tags is a valid answer.
    bool Failed() const;
};

// The report of a file after TtwID3::LoadFromFile.
FileReport LoadedReport(std::string file, const twID3::TtwID3& tag, const text::CodePage& codePage);
// The report of a file whose load raised.
FileReport ErrorReport(std::string file, const std::exception& error);

// The text of an error for a message: an I/O error with its OS code.
std::string ErrorMessage(const std::exception& error);

// Why a name ending in ".mp3" that names a folder was not loaded (UTF-8).
std::string FolderNotFileText();

// A sentence that says what a state means for the user.
std::string_view StateSentence(twID3::TtwID3State state);
// Why a report has no tags: the state and its sentence, or the error.
std::string Explanation(const FileReport& report);

// A text for the terminal: control characters shown as \xNN.
std::string DisplayText(std::string_view utf8);

// A report without tags shows the file name and its explanation.
void WriteText(std::ostream& out, const FileReport& report);

// The report as one JSON object, indented by two spaces a level, without a
// line end: control characters escaped, ill-formed UTF-8 replaced by U+FFFD.
// The text is the one nlohmann-json writes for the same members (dump(2));
// it is written by hand because it is written for every file of a run.
std::string ReportJson(const FileReport& report);

// Writes reports as one JSON array, each as it comes, so that a long run
// keeps nothing but the report at hand; closed (with "]") when it goes.
class JsonReportList {
public:
    explicit JsonReportList(std::ostream& out) : out_(out) {}
    JsonReportList(const JsonReportList&) = delete;
    JsonReportList& operator=(const JsonReportList&) = delete;
    ~JsonReportList();

    void Add(const FileReport& report);

private:
    void Flush();

    std::ostream& out_;
    std::string pending_;
    bool empty_ = true;
};

}  // namespace sonrik::cli
