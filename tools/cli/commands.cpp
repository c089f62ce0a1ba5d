#include "cli/commands.h"

#include "cli/changes.h"
#include "cli/files.h"
#include "cli/report.h"
#include "cli/system.h"
#include "text/utf8.h"
#include "platform/platform.h"

#include <cstdio>

namespace sonrik::cli {

namespace {

using twID3::TtwID3;

constexpr std::string_view kProgram = "sonrik-tag";
constexpr std::string_view kReadOnlyLeft =
    "left as it is: the file is read-only (--readonly=remove or --readonly=restore writes it)";


std::string FileForMessage(const std::string& file) { return DisplayText(ArgumentToUtf8(file)); }

// `tag` serves file after file: each load starts afresh.
FileReport LoadReport(TtwID3& tag, const std::string& file, const text::CodePage& codePage)
{
    try {
        tag.LoadFromFile(file);
        if (tag.Success() == twID3::id3NoSuchFile && platform::FolderExists(file))
            return ErrorReport(ArgumentToUtf8(file), Error(text::AsUtf8(FolderNotFileText())));
        return LoadedReport(ArgumentToUtf8(file), tag, codePage);
    } catch (const std::exception& e) {
        return ErrorReport(ArgumentToUtf8(file), e);
    }
}

int RunShow(const Invocation& invocation, const std::vector<std::string>& files, std::ostream& out,
            std::ostream& err)
{
    std::optional<JsonReportList> json;
    if (invocation.json) json.emplace(out);
    bool failed = false;
    bool first = true;
    TtwID3 tag;
    tag.SetShortFileUntagged(true);
    for (const auto& file : files) {
        const FileReport report = LoadReport(tag, file, *invocation.codePage);
        if (report.Failed()) {
            failed = true;
            err << kProgram << ": " << DisplayText(report.file) << ": " << DisplayText(Explanation(report)) << '\n';
        }
        if (json) {
            json->Add(report);
        } else if (!report.Failed()) {
            if (!first) out << '\n';
            first = false;
            WriteText(out, report);
        }
    }
    return failed ? 1 : 0;
}

int RunSet(const Invocation& invocation, const std::vector<std::string>& files, std::ostream& out,
           std::ostream& err)
{
    const SetPlan plan = PrepareSet(invocation);
    RunJournal journal(invocation);
    std::vector<std::optional<std::string>> problems(files.size());
    std::vector<std::size_t> order;  // the files to save, in journal order
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!journal.active()) {
            order.push_back(i);
            continue;
        }
        // What each save is to leave is known before the first one.
        try {
            TtwID3 tag;
            const auto area = twID3::ReadTagArea(files[i]);
            problems[i] = PrepareTag(plan, files[i], tag);
            if (problems[i] || !area) continue;
            journal.PlanTags(files[i], *area, tag.ID3v1().BuildArea(),
                             tag.LoadedFileReadOnly() && plan.readOnly == batch::ReadOnlyPolicy::MakeWritable);
            order.push_back(i);
        } catch (const std::exception& e) {
            problems[i] = "not saved: " + ErrorMessage(e);
        }
    }
    journal.Commit(invocation);
    for (std::size_t n = 0; n < order.size(); ++n) {
        const std::string& file = files[order[n]];
        std::optional<std::string>& problem = problems[order[n]];
        try {
            problem = ApplySet(plan, file);
        } catch (const std::exception& e) {
            problem = "not saved: " + ErrorMessage(e);
        }
        if (journal.Record(n, !problem, err) == journal::Outcome::Damaged)
            *problem += journal.UndoHint();
    }
    bool failed = false;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (problems[i]) {
            failed = true;
            err << kProgram << ": " << FileForMessage(files[i]) << ": " << DisplayText(ArgumentToUtf8(*problems[i]))
                << '\n';
        } else {
            out << FileForMessage(files[i]) << ": saved\n";
        }
    }
    return failed ? 1 : 0;
}

void ListGenres(std::ostream& out)
{
    for (int id = 0; id < twID3::GenreCount; ++id) {
        char number[8];
        std::snprintf(number, sizeof number, "%3d  ", id);
        out << number << twID3::GenreNames[static_cast<std::size_t>(id)] << '\n';
    }
}

twID3::LineList ReadListFile(std::string_view option, const std::string& name)
{
    const auto where = [&] { return std::string(option) + " " + ArgumentToUtf8(name) + ": "; };
    if (platform::FolderExists(name)) throw UsageError(where() + "is a folder, not a text file");
    try {
        auto file = platform::File::open(name, platform::OpenMode::Read);
        const auto size = file.size();
        if (size > static_cast<std::int64_t>(twID3::Lyrics3v2BlockLimit)) {
            throw UsageError(where() + "the file has " + std::to_string(size) + " bytes; a Lyrics3 block holds at most "
                             + std::to_string(twID3::Lyrics3v2BlockLimit));
        }
        std::string bytes(static_cast<std::size_t>(size), '\0');
        file.readExact(bytes.data(), bytes.size());
        file.close();
        // The bytes already are in the tag's code page: they are not converted.
        return twID3::TextToLines(bytes);
    } catch (const IoError& e) {
        throw UsageError(where() + e.what());
    }
}

void ApplyId3v1(twID3::TtwID3v1& v1, const Id3v1Values& values)
{
    if (values.title) v1.SetTitle(*values.title);
    if (values.artist) v1.SetArtist(*values.artist);
    if (values.album) v1.SetAlbum(*values.album);
    if (values.year) v1.SetYear(*values.year);
    if (values.comment) v1.SetComment(*values.comment);
    if (values.genreId) v1.SetGenreID(*values.genreId);
    if (values.trackNo) v1.SetTrackNo(*values.trackNo);
    if (values.useID3v11) v1.SetUseID3v11(*values.useID3v11);
}

void ApplyLyrics3(twID3::TtwID3v1& v1, const SetPlan& plan)
{
    twID3::TtwLyrics3& l3 = v1.Lyrics3();
    const Lyrics3Values& values = plan.lyrics3;
    const bool hadBlock = v1.UseLyrics3();
    if (plan.lyrics) l3.SetLyrics(*plan.lyrics);
    if (plan.infos) l3.SetInfos(*plan.infos);
    if (plan.images) l3.SetImages(*plan.images);
    if (values.title) l3.SetTitle(*values.title);
    if (values.artist) l3.SetArtist(*values.artist);
    if (values.album) l3.SetAlbum(*values.album);
    if (values.author) l3.SetAuthor(*values.author);
    if (values.useTimestamp) l3.SetUseTimestamp(*values.useTimestamp);
    // Lyrics alone would make a new block version 1; a block the file did
    // not have is version 2.00 unless --lyrics3-v1 asks otherwise. An
    // existing block keeps its version.
    if (!hadBlock && v1.UseLyrics3()) l3.SetUseLyrics3v2(true);
    if (values.version1) l3.SetUseLyrics3v2(false);
    if (values.remove) v1.SetUseLyrics3(false);
}

}  // namespace

SetPlan PrepareSet(const Invocation& invocation)
{
    SetPlan plan;
    plan.id3v1 = invocation.id3v1;
    plan.lyrics3 = invocation.lyrics3;
    plan.readOnly = invocation.readOnly;
    const Lyrics3Values& l3 = invocation.lyrics3;
    if (l3.lyricsFile) plan.lyrics = ReadListFile("--lyrics-file", *l3.lyricsFile);
    if (l3.infosFile) plan.infos = ReadListFile("--infos-file", *l3.infosFile);
    if (l3.imagesFile) plan.images = ReadListFile("--images-file", *l3.imagesFile);
    return plan;
}

std::optional<std::string> PrepareTag(const SetPlan& plan, const std::string& file, TtwID3& tag)
{
    // A file too short for a record has none; a save appends one.
    tag.SetShortFileUntagged(true);
    tag.LoadFromFile(file);
    if (tag.Success() == twID3::id3NoSuchFile) {
        if (platform::FolderExists(file)) return FolderNotFileText();
        return std::string(twID3::StateName(tag.Success())) + ": " + std::string(StateSentence(tag.Success()));
    }
    if (tag.LoadedFileReadOnly() && plan.readOnly == batch::ReadOnlyPolicy::Leave)
        return std::string(kReadOnlyLeft);
    // An untagged file's record buffer lacks "TAG"; a cleared record lets the
    // setters' values be appended as a new tag, as the editor windows do,
    // but naming no genre unless --genre does.
    if (tag.Success() == twID3::id3NoTags) tag.ID3v1().ClearRecord(twID3::NoGenre);

    ApplyId3v1(tag.ID3v1(), plan.id3v1);
    ApplyLyrics3(tag.ID3v1(), plan);
    return std::nullopt;
}

std::optional<std::string> ApplySet(const SetPlan& plan, const std::string& file)
{
    TtwID3 tag;
    if (auto problem = PrepareTag(plan, file, tag)) return problem;
    if (!SaveReadOnlyByPolicy(file, tag.LoadedFileReadOnly(), plan.readOnly, [&] { tag.Save(); }))
        return "saved, but its read-only attribute could not be given back";

    switch (tag.Success()) {
    case twID3::id3Success: return std::nullopt;
    case twID3::id3NoTags:
        return "not saved: id3NoTags: the file has no tag, and the values given do not create one";
    default:
        return "not saved: " + std::string(twID3::StateName(tag.Success())) + ": "
               + std::string(StateSentence(tag.Success()));
    }
}

namespace {

// A report that did not reach its reader is a failure of the run, whatever
// else went well: the user has not seen the outcome.
int WithOutputChecked(int status, std::ostream& out, std::ostream& err)
{
    out.flush();
    if (out) return status;
    err << kProgram << ": the output could not be written (a full disk or a closed pipe)\n";
    return 2;
}

// The files of a show or set; folders that cannot be read are reported
// first, and so is a folder or list without MP3 files.
int RunOnFiles(const Invocation& invocation, const ParseSettings& settings, std::ostream& out, std::ostream& err)
{
    const CollectedFiles collected =
        CollectFiles({.paths = invocation.paths,
                      .lists = invocation.lists,
                      .recursive = invocation.recursive,
                      .anyName = invocation.anyName});
    for (const auto& empty : collected.empty)
        err << kProgram << ": warning: " << DisplayText(empty) << ": no MP3 files there\n";
    for (const auto& failure : collected.failures) err << kProgram << ": " << DisplayText(failure) << '\n';
    int status = 0;
    switch (invocation.command) {
    case Command::Show: status = RunShow(invocation, collected.files, out, err); break;
    case Command::Set: status = RunSet(invocation, collected.files, out, err); break;
    case Command::Rename: status = RunRename(invocation, collected.files, settings, out, err); break;
    case Command::Fill: status = RunFill(invocation, collected.files, settings, out, err); break;
    case Command::V2ToV1: status = RunV2ToV1(invocation, collected.files, settings, out, err); break;
    default: break;
    }
    return collected.failures.empty() ? status : 1;
}

}  // namespace

int Run(std::span<const std::string> args, const ParseSettings& settings, std::ostream& out, std::ostream& err)
{
    try {
        const Invocation invocation = ParseArguments(args, settings);
        for (const auto& warning : invocation.warnings)
            err << kProgram << ": warning: " << DisplayText(warning) << '\n';
        switch (invocation.command) {
        case Command::Help:
        case Command::Version: out << invocation.helpText; return WithOutputChecked(0, out, err);
        case Command::Genres: ListGenres(out); return WithOutputChecked(0, out, err);
        case Command::Show:
        case Command::Set:
        case Command::Rename:
        case Command::Fill:
        case Command::V2ToV1: return WithOutputChecked(RunOnFiles(invocation, settings, out, err), out, err);
        case Command::Undo: return WithOutputChecked(RunUndo(invocation, settings, out, err), out, err);
        }
        return 2;
    } catch (const UsageError& e) {
        err << kProgram << ": " << DisplayText(ArgumentToUtf8(e.what())) << "\nTry '" << kProgram
            << " --help' for more information.\n";
        return 2;
    } catch (const std::exception& e) {
        err << kProgram << ": " << DisplayText(ArgumentToUtf8(ErrorMessage(e))) << '\n';
        return 1;
    }
}

}  // namespace sonrik::cli
