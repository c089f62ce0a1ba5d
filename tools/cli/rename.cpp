// rename: tag values to file names through the list editor's engine. The
// preview and --apply make one plan; --apply then carries it out.
#include "cli/changes.h"

#include "cli/report.h"
#include "cli/system.h"
#include "batch/templates.h"
#include "platform/platform.h"

#include <unordered_set>

namespace sonrik::cli {

namespace {

using namespace sonrik::batch;

struct RenamePlan {
    TTagArray tags;
    std::vector<Row> rows;
    std::vector<bool> passed;
    std::vector<bool> readOnly;
    std::vector<std::string> notes;           // why a value of the ID3v2 tag was not taken
    std::vector<RunJournal::FileMark> marks;  // each file as loaded, for the journal
};

// The system's name look-ups, but each folder read once for all its names
// where names are matched byte for byte (POSIX): one listing instead of a
// look-up per file. Folders count as taken names too.
NameFiles FolderReadOnce()
{
    NameFiles files = SystemNameFiles();
    if (kNativePathStyle == PathStyle::Posix) {
        files.folderFiles = [](const std::string& folder) -> NameFiles::FolderLookup {
            const auto entries = platform::ReadFolder(folder);
            if (!entries) throw IoError(ioerr::FileNotFound);
            auto names = std::make_shared<std::unordered_set<std::string>>(entries->files.begin(), entries->files.end());
            names->insert(entries->folders.begin(), entries->folders.end());
            return [names](const std::string& path) { return names->count(path) > 0; };
        };
    }
    return files;
}

std::unique_ptr<TemplateContext> ContextFor(RenamePlan& plan, const Invocation& invocation)
{
    auto context = std::make_unique<TemplateContext>(plan.tags, FolderReadOnce());
    context->pathStyle = kNativePathStyle;
    context->trackWidth = invocation.trackDigits;
    return context;
}

std::string FileExistsReason(const TemplateContext& context, std::size_t index, const std::string& name)
{
    const TFTag& tag = context.tags()[index];
    const std::string target = JoinPath(RecordFolder(tag, context.pathStyle), name + ".mp3", context.pathStyle);
    return context.IsNameTaken(target, index) ? "another file of this run has or gets that name"
                                              : "a file of that name is there already";
}

void LoadRecords(RenamePlan& plan, std::vector<std::optional<std::string>>& problems, const Invocation& invocation,
                 const std::vector<std::string>& files, const ParseSettings& settings, std::ostream& err)
{
    Progress progress(err, settings.errIsTerminal, files.size(), "reading");
    auto id3 = ListEditorTag();
    // A journal keeps each renamed file's identity and the state of its tag
    // area, to tell later whether the file is the one the run renamed: they
    // come from this one reading.
    const bool journalled = invocation.apply && !invocation.noJournal;
    if (journalled) plan.marks.resize(files.size());
    twID3::TagArea area;
    for (std::size_t i = 0; i < files.size(); ++i) {
        bool untagged = false;
        std::vector<std::string> notes;
        problems[i] = LoadRecord(*id3, plan.tags[i], files[i], *invocation.codePage, untagged,
                                 journalled ? &area : nullptr, &notes);
        if (journalled) plan.marks[i] = RunJournal::MarkOf(area);
        const twID3::ID3v2Read& v2 = id3->ID3v2();
        if (!problems[i] && untagged && !v2.tag) {
            problems[i] = v2.error.empty() ? "the file has neither an ID3v1 nor an ID3v2 tag"
                                           : "the file has no ID3v1 tag, and its ID3v2 tag is broken: " + v2.error;
        }
        for (const auto& note : notes) plan.notes[i] += (plan.notes[i].empty() ? "" : "; ") + note;
        plan.readOnly[i] = !problems[i] && id3->LoadedFileReadOnly();
        progress.Step();
    }
}

// The test of every file, in one pass over `context`.
void TestRecords(RenamePlan& plan, TemplateContext& context, const std::vector<std::optional<std::string>>& problems,
                 const Invocation& invocation, const std::vector<std::string>& files)
{
    for (std::size_t i = 0; i < files.size(); ++i) {
        TFTag& tag = plan.tags[i];
        Row& row = plan.rows[i];
        row.file = ArgumentToUtf8(files[i]);
        if (problems[i]) {
            tag.Status = stTestError;
            row.reason = *problems[i];
        } else {
            const RenameTest test = TestRenameWithReason(context, i, invocation.templ);
            tag.Status = test.check.status;
            row.change = ArgumentToUtf8(test.name) + ".mp3";
            const std::string target =
                JoinPath(RecordFolder(tag, context.pathStyle), test.name + ".mp3", context.pathStyle);
            if (target == tag.FilePath) {
                // Its name already: nothing to do, and nothing wrong.
                tag.Status = stNoChanges;
                tag.RenameReady = false;
                row.reason = "the file already has this name";
            } else if (tag.Status == stFileExists) {
                row.reason = FileExistsReason(context, i, test.name);
            } else if (test.check.problem != NameProblem::None) {
                row.reason = std::string(NameProblemText(test.check.problem));
            } else if (plan.readOnly[i]) {
                row.reason = ReadOnlyReason(invocation.readOnly, "renamed");
            }
            if (!plan.notes[i].empty()) AddReason(row, plan.notes[i]);
            context.SetNewPath(i, tag.RenameReady ? target : std::string());
        }
        row.status = StatusText(tag.Status);
        plan.passed[i] = tag.Status == stTestOk || tag.Status == stNoChanges;
    }
}

}  // namespace

int RunRename(const Invocation& invocation, const std::vector<std::string>& files, const ParseSettings& settings,
              std::ostream& out, std::ostream& err)
{
    RenamePlan plan;
    plan.tags.resize(files.size());
    plan.rows.resize(files.size());
    plan.passed.assign(files.size(), false);
    plan.readOnly.assign(files.size(), false);
    plan.notes.resize(files.size());
    std::vector<std::optional<std::string>> problems(files.size());
    LoadRecords(plan, problems, invocation, files, settings, err);
    const auto context = ContextFor(plan, invocation);
    const TemplateContext::TestPass pass(*context);
    TestRecords(plan, *context, problems, invocation, files);
    bool allPassed = std::all_of(plan.passed.begin(), plan.passed.end(), [](bool b) { return b; });
    if (invocation.apply) {
        RunJournal journal(invocation);
        std::vector<std::size_t> order;  // the records to rename, in journal order
        for (std::size_t i = 0; i < plan.tags.size(); ++i) {
            TFTag& tag = plan.tags[i];
            if (!tag.RenameReady) continue;
            if (plan.readOnly[i] && invocation.readOnly == ReadOnlyPolicy::Leave) {
                tag.Status = stNoChanges;
                plan.rows[i].status = StatusText(stNoChanges);
                allPassed = false;
                continue;
            }
            order.push_back(i);
        }
        journal.Reserve(order.size());
        for (const std::size_t i : order) {
            const TFTag& tag = plan.tags[i];
            journal.PlanRename(tag.FilePath, tag.NewPath, journal.active() ? plan.marks[i] : RunJournal::FileMark{},
                               plan.readOnly[i] && invocation.readOnly == ReadOnlyPolicy::MakeWritable);
        }
        journal.Commit(invocation);
        const RenameFiles renameFiles = SystemRenameFiles(kNativePathStyle);
        Progress progress(err, settings.errIsTerminal, order.size(), "renaming");
        for (std::size_t n = 0; n < order.size(); ++n) {
            const std::size_t i = order[n];
            const std::string from = plan.tags[i].FilePath;
            std::string refusal;
            const TRowStatus status = ApplyRename(*context, i, renameFiles, &refusal);
            journal.Record(n, status == stRenamed, err);
            Row& row = plan.rows[i];
            row.status = StatusText(status);
            if (status == stFileExists)
                row.reason = "a file of that name came after the test";
            else if (status == stNoChanges)
                row.error = RefusedRenameText(plan.tags[i].FilePath != from ? plan.tags[i].FilePath : "", refusal);
            if (status == stRenamed && plan.readOnly[i] && invocation.readOnly == ReadOnlyPolicy::MakeWritable) {
                try {
                    platform::SetReadOnly(plan.tags[i].FilePath, false);
                } catch (const std::exception& e) {
                    row.error = "renamed, but it is still read-only: " + ErrorMessage(e);
                }
            }
            allPassed = allPassed && status == stRenamed && !row.error;
            progress.Step();
        }
    }
    WriteRows(out, RowKind::Rename, FormOf(invocation, settings), plan.rows);
    return allPassed ? 0 : 1;
}

}  // namespace sonrik::cli
