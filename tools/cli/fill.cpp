// fill: file names to tag values through the list editor's engine. The
// preview and --apply make one plan; --apply then writes it.
#include "cli/changes.h"

#include "cli/report.h"
#include "cli/system.h"
#include "batch/templates.h"
#include "platform/platform.h"

namespace sonrik::cli {

namespace {

using namespace sonrik::batch;

constexpr std::array<std::string_view, fkStatus> kFieldNames = {"track", "title",  "artist", "album",
                                                                 "genre", "year", "comment"};

// What the tag holds for `kind` once the fields are set: the setters cut
// values to the field's length, and the preview shows that.
std::string HeldValue(const twID3::TtwID3v1& v1, TFieldKind kind, const text::CodePage& cp)
{
    switch (kind) {
    case fkTrack: return std::to_string(v1.TrackNo());
    case fkTitle: return cp.Decode(text::UpToZero(v1.Title()));
    case fkArtist: return cp.Decode(text::UpToZero(v1.Artist()));
    case fkAlbum: return cp.Decode(text::UpToZero(v1.Album()));
    case fkGenre: return std::string(v1.Genre());
    case fkYear: return cp.Decode(text::UpToZero(v1.Year()));
    case fkComment: return cp.Decode(text::UpToZero(v1.Comment()));
    default: return {};
    }
}

std::string_view RefusalReason(TRowStatus status)
{
    if (status == stNotEnoughInfo) return "the name gives a field an empty value";
    return "the name does not fit the template, or gives no track number from 0 to 255 or no genre of the table";
}

struct FillItem {
    std::size_t index;
    bool untagged = false;
    std::string area;  // what the write is to leave from the tag area's start on
};

struct FillPlan {
    TTagArray tags;
    std::vector<Row> rows;
    std::vector<FillItem> writes;  // the files to write, in order
    std::vector<bool> readOnly;
    bool allPassed = true;
};

// The test of one file: the fields to write, as the tag will hold them.
std::optional<FillItem> TestFile(FillPlan& plan, TemplateContext& context, twID3::TtwID3& id3, std::size_t i,
                                 const Invocation& invocation)
{
    TFTag& tag = plan.tags[i];
    Row& row = plan.rows[i];
    const text::CodePage& cp = *invocation.codePage;
    FillItem item{i, false, {}};
    if (auto problem = LoadRecord(id3, tag, tag.FilePath, cp, item.untagged)) {
        tag.Status = stTestError;
        row.reason = std::move(*problem);
        return std::nullopt;
    }
    const FillPreview preview = PreviewFill(context, i, invocation.templ);
    tag.Status = preview.status;
    if (tag.Status != stTestOk) {
        row.reason = std::string(RefusalReason(tag.Status));
        return std::nullopt;
    }
    if (preview.changes.empty()) {
        tag.Status = stNoChanges;
        row.reason = "every field the template names holds a value already (--overwrite replaces them)";
        return std::nullopt;
    }
    for (const FieldChange& change : preview.changes) {
        *FieldText(tag, change.kind) = change.then;
        *FieldMark(tag, change.kind) = true;
    }
    try {
        // The record's texts become tag bytes: the fields read from the file
        // give their bytes back, and the name's pieces must fit the code page.
        for (std::uint8_t kind = 0; kind < fkStatus; ++kind) *FieldText(tag, kind) = cp.Encode(*FieldText(tag, kind));
        SetMarkedFields(id3.ID3v1(), tag);
        item.area = id3.ID3v1().BuildArea();
    } catch (const text::EncodeError& e) {
        tag.Status = stTestError;
        row.reason = "code page " + std::to_string(cp.Number()) + ": " + e.what();
        return std::nullopt;
    } catch (const std::exception& e) {
        tag.Status = stTestError;
        row.reason = ErrorMessage(e);
        return std::nullopt;
    }
    for (const FieldChange& change : preview.changes)
        row.fields.push_back({std::string(kFieldNames[change.kind]), change.now, HeldValue(id3.ID3v1(), change.kind, cp)});
    // The template cuts as the list editor does; the user should see what the cut dropped.
    if (!preview.unused.empty()) row.reason = "\"" + preview.unused + "\" of the name is not used by the template";
    plan.readOnly[i] = id3.LoadedFileReadOnly();
    if (plan.readOnly[i]) AddReason(row, ReadOnlyReason(invocation.readOnly, "written"));
    return item;
}

void MakePlan(FillPlan& plan, const Invocation& invocation, const std::vector<std::string>& files,
              const ParseSettings& settings, std::ostream& err)
{
    plan.tags.resize(files.size());
    plan.rows.resize(files.size());
    plan.readOnly.assign(files.size(), false);
    TemplateContext context(plan.tags);
    context.pathStyle = kNativePathStyle;
    context.emptyOnly = invocation.emptyOnly;
    context.underscoreBySpaces = invocation.underscores;
    auto id3 = ListEditorTag();
    Progress progress(err, settings.errIsTerminal, files.size(), "reading");
    for (std::size_t i = 0; i < files.size(); ++i) {
        plan.tags[i].FilePath = files[i];
        plan.rows[i].file = ArgumentToUtf8(files[i]);
        if (auto item = TestFile(plan, context, *id3, i, invocation)) plan.writes.push_back(std::move(*item));
        const TRowStatus status = plan.tags[i].Status;
        plan.rows[i].status = StatusText(status);
        plan.allPassed = plan.allPassed && (status == stTestOk || status == stNoChanges);
        progress.Step();
    }
}

void Apply(FillPlan& plan, const Invocation& invocation, const ParseSettings& settings, std::ostream& err)
{
    RunJournal journal(invocation);
    std::vector<const FillItem*> order;
    for (const FillItem& item : plan.writes) {
        TFTag& tag = plan.tags[item.index];
        Row& row = plan.rows[item.index];
        if (plan.readOnly[item.index] && invocation.readOnly == ReadOnlyPolicy::Leave) {
            tag.Status = stNoChanges;
            row.status = StatusText(stNoChanges);
            plan.allPassed = false;
            continue;
        }
        try {
            if (journal.active()) {
                const auto area = twID3::ReadTagArea(tag.FilePath);
                if (!area) throw IoError(ioerr::FileNotFound);
                journal.PlanTags(tag.FilePath, *area, item.area,
                                 plan.readOnly[item.index] && invocation.readOnly == ReadOnlyPolicy::MakeWritable);
            }
            order.push_back(&item);
        } catch (const std::exception& e) {
            tag.Status = stWriteError;
            row.status = StatusText(stWriteError);
            row.error = ErrorMessage(e);
            plan.allPassed = false;
        }
    }
    journal.Commit(invocation);
    auto id3 = ListEditorTag();
    Progress progress(err, settings.errIsTerminal, order.size(), "writing");
    for (std::size_t n = 0; n < order.size(); ++n) {
        const FillItem& item = *order[n];
        TFTag& tag = plan.tags[item.index];
        Row& row = plan.rows[item.index];
        WriteSteps steps;
        // A file without a tag gets one, as the preview planned.
        steps.loaded = [&item](twID3::TtwID3& loaded) {
            if (item.untagged && loaded.Success() == twID3::id3NoTags) loaded.ID3v1().ClearRecord(twID3::NoGenre);
        };
        const TagWrite write = ApplyFields(*id3, tag, invocation.readOnly, SystemAttributeFiles(), steps);
        const bool done = tag.Status == stTagsRecorded;
        const journal::Outcome outcome = journal.Record(n, done, err);
        row.status = StatusText(tag.Status);
        if (!done) {
            row.error = write.error.empty() ? std::string("the tags were not written") : write.error;
            if (outcome == journal::Outcome::Damaged)
                *row.error += "; writing the old tags back failed too" + journal.UndoHint();
        }
        if (write.restoreFailed) {
            row.error = (row.error ? *row.error + "; " : std::string()) +
                        "its read-only attribute could not be given back";
        }
        plan.allPassed = plan.allPassed && done && !write.restoreFailed;
        progress.Step();
    }
}

}  // namespace

int RunFill(const Invocation& invocation, const std::vector<std::string>& files, const ParseSettings& settings,
            std::ostream& out, std::ostream& err)
{
    FillPlan plan;
    MakePlan(plan, invocation, files, settings, err);
    if (invocation.apply) Apply(plan, invocation, settings, err);
    WriteRows(out, RowKind::Fill, FormOf(invocation, settings), plan.rows);
    return plan.allPassed ? 0 : 1;
}

}  // namespace sonrik::cli
