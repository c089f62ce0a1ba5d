// v2-to-v1: each file's ID3v2 values into its ID3v1 record and Lyrics3
// block. The preview and --apply make one plan (the converted values and the
// tag area they make); --apply then writes it.
#include "cli/changes.h"

#include "cli/report.h"
#include "cli/system.h"
#include "batch/id3v2_values.h"
#include "platform/platform.h"

namespace sonrik::cli {

namespace {

using batch::ConvertedTag;
using batch::ConvertedText;
using twID3::TtwID3;
using twID3::TtwID3v1;
using twID3::TtwLyrics3;

// A record field filled from a text value; title, artist and album keep the
// whole of a cut value in the Lyrics3 field of the same name.
struct TextField {
    std::string_view name;
    ConvertedText ConvertedTag::*source;
    const std::string& (TtwID3v1::*get)() const;
    void (TtwID3v1::*set)(std::string_view);
    const std::string& (TtwLyrics3::*wholeGet)() const;
    void (TtwLyrics3::*wholeSet)(std::string_view);
};
constexpr TextField kTextFields[] = {
    {"title", &ConvertedTag::title, &TtwID3v1::Title, &TtwID3v1::SetTitle, &TtwLyrics3::Title, &TtwLyrics3::SetTitle},
    {"artist", &ConvertedTag::artist, &TtwID3v1::Artist, &TtwID3v1::SetArtist, &TtwLyrics3::Artist,
     &TtwLyrics3::SetArtist},
    {"album", &ConvertedTag::album, &TtwID3v1::Album, &TtwID3v1::SetAlbum, &TtwLyrics3::Album, &TtwLyrics3::SetAlbum},
    {"year", &ConvertedTag::year, &TtwID3v1::Year, &TtwID3v1::SetYear, nullptr, nullptr},
    {"comment", &ConvertedTag::comment, &TtwID3v1::Comment, &TtwID3v1::SetComment, nullptr, nullptr},
};

// The fields a row shows, as the tag holds them: a change is a field whose
// text differs after the values are set.
using Shown = std::string (*)(const TtwID3v1&, const text::CodePage&);
constexpr std::pair<std::string_view, Shown> kShown[] = {
    {"track",
     [](const TtwID3v1& v1, const text::CodePage&) { return v1.TrackNo() ? std::to_string(v1.TrackNo()) : ""; }},
    {"title", [](const TtwID3v1& v1, const text::CodePage& cp) { return cp.Decode(v1.Title()); }},
    {"artist", [](const TtwID3v1& v1, const text::CodePage& cp) { return cp.Decode(v1.Artist()); }},
    {"album", [](const TtwID3v1& v1, const text::CodePage& cp) { return cp.Decode(v1.Album()); }},
    {"genre", [](const TtwID3v1& v1, const text::CodePage&) { return std::string(v1.Genre()); }},
    {"year", [](const TtwID3v1& v1, const text::CodePage& cp) { return cp.Decode(v1.Year()); }},
    {"comment", [](const TtwID3v1& v1, const text::CodePage& cp) { return cp.Decode(v1.Comment()); }},
    {"l3-title", [](const TtwID3v1& v1, const text::CodePage& cp) { return cp.Decode(v1.Lyrics3().Title()); }},
    {"l3-artist", [](const TtwID3v1& v1, const text::CodePage& cp) { return cp.Decode(v1.Lyrics3().Artist()); }},
    {"l3-album", [](const TtwID3v1& v1, const text::CodePage& cp) { return cp.Decode(v1.Lyrics3().Album()); }},
    {"author", [](const TtwID3v1& v1, const text::CodePage& cp) { return cp.Decode(v1.Lyrics3().Author()); }},
    {"lyrics",
     [](const TtwID3v1& v1, const text::CodePage&) {
         const std::size_t n = v1.Lyrics3().Lyrics().size();
         return n ? std::to_string(n) + (n == 1 ? " line" : " lines") : std::string();
     }},
};

std::vector<std::string> ShownFields(const TtwID3v1& v1, const text::CodePage& cp)
{
    std::vector<std::string> shown;
    for (const auto& [name, show] : kShown) shown.push_back(show(v1, cp));
    return shown;
}

struct Setting {
    std::vector<std::string> notes;
    bool keptFilled = false;  // a field with a value was kept for --empty-only
};

void Note(Setting& s, std::string_view name, const std::string& note)
{
    if (!note.empty()) s.notes.push_back(std::string(name) + ": " + note);
}

// Sets the converted values on a loaded tag by the rules of --empty-only and
// --overwrite; a value that cannot be taken leaves its field as it is.
Setting SetValues(TtwID3& id3, const ConvertedTag& values, bool emptyOnly)
{
    Setting s;
    TtwID3v1& v1 = id3.ID3v1();
    TtwLyrics3& l3 = v1.Lyrics3();
    const bool hadBlock = v1.UseLyrics3();
    const auto take = [&](bool empty) {
        if (emptyOnly && !empty) s.keptFilled = true;
        return !emptyOnly || empty;
    };
    if (values.track.value) {
        // A track makes the record ID3v1.1, whose comment holds 28 bytes:
        // --empty-only does not cut a comment for it.
        const bool cutsComment = !v1.UseID3v11() && v1.Comment().size() > 28;
        if (emptyOnly && cutsComment && v1.TrackNo() == 0)
            Note(s, "track", "left out: the comment would lose its last bytes (--overwrite writes it)");
        else if (take(v1.TrackNo() == 0))
            v1.SetTrackNo(*values.track.value);
    }
    Note(s, "track", values.track.note);
    for (const TextField& field : kTextFields) {
        const ConvertedText& value = values.*field.source;
        if (!value.value) {
            Note(s, field.name, value.note);
            continue;
        }
        const bool wholeEmpty = !field.wholeGet || (l3.*field.wholeGet)().empty();
        if (!take((v1.*field.get)().empty() && wholeEmpty)) continue;
        // What was cut is said only of a value that is written.
        Note(s, field.name, value.note);
        (v1.*field.set)(*value.value);
        if (!field.wholeSet) continue;
        // The Lyrics3 field goes with the record's: the whole of a cut value,
        // and no longer value of before beside an uncut one.
        if (value.whole)
            (l3.*field.wholeSet)(*value.whole);
        else if (!wholeEmpty && (l3.*field.wholeGet)() != *value.value)
            (l3.*field.wholeSet)("");
    }
    // 255 names no genre: a new record has it, and a record's genre is kept.
    if (!values.genre.note.empty())
        Note(s, "genre", values.genre.note + (v1.Genre().empty() ? "; none (255)" : "; left as it is"));
    if (values.genre.value && *values.genre.value != twID3::NoGenre && take(v1.Genre().empty()))
        v1.SetGenreID(*values.genre.value);
    Note(s, "lyrics", values.lyrics.note);
    if (values.lyrics.value && take(l3.Lyrics().empty())) l3.SetLyrics(twID3::TextToLines(*values.lyrics.value));
    if (!values.author.value) {
        Note(s, "author", values.author.note);
    } else if (take(l3.Author().empty())) {
        Note(s, "author", values.author.note);
        l3.SetAuthor(*values.author.value);
    }
    // A block made here is version 2.00, as set makes it; one that was there
    // keeps its version unless a version 2.00 value went into it.
    if (!hadBlock && v1.UseLyrics3()) l3.SetUseLyrics3v2(true);
    return s;
}

// Loads a file for a conversion: a file without a record gets a new one
// that names no genre. Throws what the load throws.
void Load(TtwID3& id3, const std::string& path, twID3::TagArea* area = nullptr)
{
    id3.SetShortFileUntagged(true);
    if (area)
        id3.LoadFromFile(path, *area);
    else
        id3.LoadFromFile(path);
    if (id3.Success() == twID3::id3NoTags) id3.ID3v1().ClearRecord(twID3::NoGenre);
}

struct Item {
    std::size_t index;
    ConvertedTag values;
    std::string area;  // what the write is to leave from the tag area's start on
    bool readOnly = false;
};

struct Plan {
    std::vector<Row> rows;
    std::vector<Item> writes;
    bool allPassed = true;
};

std::string JoinNotes(const std::vector<std::string>& notes)
{
    std::string text;
    for (const auto& note : notes) text += (text.empty() ? "" : "; ") + note;
    return text;
}

std::optional<Item> TestFile(Row& row, std::size_t index, const std::string& path, const Invocation& invocation)
{
    const text::CodePage& cp = *invocation.codePage;
    TtwID3 id3;
    twID3::TagArea area;
    try {
        Load(id3, path, &area);
    } catch (const std::exception& e) {
        row.status = StatusText(batch::stTestError);
        row.reason = ErrorMessage(e);
        return std::nullopt;
    }
    if (id3.Success() == twID3::id3NoSuchFile) {
        row.status = StatusText(batch::stTestError);
        row.reason = "there is no such file";
        return std::nullopt;
    }
    const twID3::ID3v2Read& read = id3.ID3v2();
    if (!read.tag) {
        const bool broken = !read.error.empty();
        row.status = StatusText(broken ? batch::stTestError : batch::stNoChanges);
        row.reason = broken ? "the ID3v2 tag cannot be read: " + read.error : "the file has no ID3v2 tag";
        return std::nullopt;
    }
    const batch::ConvertOptions options{.recordHasTrack = id3.ID3v1().UseID3v11(), .lyrics = invocation.lyrics};
    Item item{index, batch::ConvertID3v2(*read.tag, cp, options), {}};
    const std::vector<std::string> before = ShownFields(id3.ID3v1(), cp);
    const Setting setting = SetValues(id3, item.values, invocation.emptyOnly);
    const std::vector<std::string> after = ShownFields(id3.ID3v1(), cp);
    for (std::size_t i = 0; i < std::size(kShown); ++i)
        if (before[i] != after[i]) row.fields.push_back({std::string(kShown[i].first), before[i], after[i]});
    if (!setting.notes.empty()) row.reason = JoinNotes(setting.notes);
    if (row.fields.empty()) {
        row.status = StatusText(batch::stNoChanges);
        AddReason(row, setting.keptFilled
                           ? "every field the ID3v2 tag gives a value for holds one already (--overwrite replaces them)"
                           : "the tags hold what the ID3v2 tag gives already");
        return std::nullopt;
    }
    try {
        item.area = id3.ID3v1().BuildArea();
    } catch (const std::exception& e) {
        row.fields.clear();
        row.status = StatusText(batch::stTestError);
        AddReason(row, ErrorMessage(e));
        return std::nullopt;
    }
    row.status = StatusText(batch::stTestOk);
    item.readOnly = id3.LoadedFileReadOnly();
    if (item.readOnly) AddReason(row, ReadOnlyReason(invocation.readOnly, "written"));
    return item;
}

Plan MakePlan(const Invocation& invocation, const std::vector<std::string>& files, const ParseSettings& settings,
              std::ostream& err)
{
    Plan plan;
    plan.rows.resize(files.size());
    Progress progress(err, settings.errIsTerminal, files.size(), "reading");
    for (std::size_t i = 0; i < files.size(); ++i) {
        Row& row = plan.rows[i];
        row.file = ArgumentToUtf8(files[i]);
        if (auto item = TestFile(row, i, files[i], invocation)) plan.writes.push_back(std::move(*item));
        plan.allPassed = plan.allPassed && (row.status == StatusText(batch::stTestOk) ||
                                            row.status == StatusText(batch::stNoChanges));
        progress.Step();
    }
    return plan;
}

struct Written {
    std::optional<std::string> error;  // nothing: written
    bool restoreFailed = false;
};

// Loads the file again, sets the planned values and saves, when that makes
// exactly the planned tag area; a file changed since the test is left alone.
Written Write(const std::string& path, const Item& item, const Invocation& invocation)
{
    Written written;
    try {
        TtwID3 id3;
        Load(id3, path);
        const bool readOnly = id3.LoadedFileReadOnly();
        if (id3.Success() == twID3::id3NoSuchFile) {
            written.error = "there is no such file";
            return written;
        }
        SetValues(id3, item.values, invocation.emptyOnly);
        if (id3.ID3v1().BuildArea() != item.area) {
            written.error = "the file changed since it was tested; nothing was written";
            return written;
        }
        // It may have become read-only since the test.
        if (readOnly && invocation.readOnly == batch::ReadOnlyPolicy::Leave) {
            written.error = "the file is read-only; nothing was written";
            return written;
        }
        written.restoreFailed = !SaveReadOnlyByPolicy(path, readOnly, invocation.readOnly, [&] { id3.Save(); });
        if (id3.Success() != twID3::id3Success) written.error = std::string(twID3::StateName(id3.Success()));
    } catch (const std::exception& e) {
        written.error = ErrorMessage(e);
    }
    return written;
}

void Apply(Plan& plan, const Invocation& invocation, const std::vector<std::string>& files,
           const ParseSettings& settings, std::ostream& err)
{
    RunJournal journal(invocation);
    std::vector<const Item*> order;
    for (const Item& item : plan.writes) {
        Row& row = plan.rows[item.index];
        if (item.readOnly && invocation.readOnly == batch::ReadOnlyPolicy::Leave) {
            row.status = StatusText(batch::stNoChanges);
            plan.allPassed = false;
            continue;
        }
        try {
            if (journal.active()) {
                const auto area = twID3::ReadTagArea(files[item.index]);
                if (!area) throw IoError(ioerr::FileNotFound);
                journal.PlanTags(files[item.index], *area, item.area);
            }
            order.push_back(&item);
        } catch (const std::exception& e) {
            row.status = StatusText(batch::stWriteError);
            row.error = ErrorMessage(e);
            plan.allPassed = false;
        }
    }
    journal.Commit(invocation);
    Progress progress(err, settings.errIsTerminal, order.size(), "writing");
    for (std::size_t n = 0; n < order.size(); ++n) {
        const Item& item = *order[n];
        Row& row = plan.rows[item.index];
        const Written written = Write(files[item.index], item, invocation);
        const bool done = !written.error;
        const journal::Outcome outcome = journal.Record(n, done, err);
        row.status = StatusText(done ? batch::stTagsRecorded : batch::stWriteError);
        if (!done) {
            row.error = *written.error;
            if (outcome == journal::Outcome::Damaged)
                *row.error += "; writing the old tags back failed too" + journal.UndoHint();
        }
        if (written.restoreFailed)
            row.error = (row.error ? *row.error + "; " : std::string())
                        + "its read-only attribute could not be given back";
        plan.allPassed = plan.allPassed && done && !written.restoreFailed;
        progress.Step();
    }
}

}  // namespace

int RunV2ToV1(const Invocation& invocation, const std::vector<std::string>& files, const ParseSettings& settings,
              std::ostream& out, std::ostream& err)
{
    Plan plan = MakePlan(invocation, files, settings, err);
    if (invocation.apply) Apply(plan, invocation, files, settings, err);
    WriteRows(out, RowKind::Fill, FormOf(invocation, settings), plan.rows);
    return plan.allPassed ? 0 : 1;
}

}  // namespace sonrik::cli
