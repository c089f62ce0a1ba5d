// undo: puts back what a run changed, from its journal, file by file and only
// where the file is still as that run left it.
#include "cli/changes.h"

#include "cli/report.h"
#include "cli/system.h"
#include "batch/templates.h"
#include "platform/platform.h"
#include "text/utf8.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <optional>

namespace sonrik::cli {

namespace {

using journal::Change;
using journal::ChangeKind;
using journal::Journal;

enum class Decision { Revert, Already, Changed };

struct Verdict {
    Decision decision = Decision::Changed;
    std::string why;
};

bool AsBeforeOrLeft(const Change& change, bool left)
{
    // The spelling the folder holds tells a change of letter case apart
    // where the system does not tell the two names apart.
    const std::string& name = left ? change.newPath : change.path;
    const std::string& other = left ? change.path : change.newPath;
    if (platform::SameFileEntry(name, other)) {
        const auto entries = platform::ReadFolder(batch::FolderOf(name, kNativePathStyle));
        return entries && std::find(entries->files.begin(), entries->files.end(), name) != entries->files.end();
    }
    return platform::FileExists(name) && !platform::FileExists(other);
}

Verdict JudgeRename(const Change& change)
{
    if (AsBeforeOrLeft(change, true)) {
        // The name tells, not the tags: a file renamed and then retagged
        // still goes back, when it is the file the run renamed.
        if (!change.id.empty()) {
            const auto id = platform::FileIdOf(change.newPath);
            if (id && journal::FileIdText(*id) == change.id) return {Decision::Revert, {}};
        }
        // No identity to go by (format 1), or not the same one (FAT's numbers
        // change with a remount): the tag area must be as it was.
        if (journal::FileState(change.newPath, change.pos) == change.before) return {Decision::Revert, {}};
        return {Decision::Changed,
                change.id.empty() ? "its tags changed after the run" : "another file has its new name now"};
    }
    if (AsBeforeOrLeft(change, false)) return {Decision::Already, {}};
    if (!platform::FileExists(change.path) && !platform::FileExists(change.newPath))
        return {Decision::Changed, "the file is gone"};
    return {Decision::Changed, "a file has its old name now"};
}

Verdict JudgeTags(const Journal& journal, std::size_t index)
{
    const Change& change = journal.changes[index];
    const auto state = journal::FileState(change.path, change.pos);
    if (!state) return {Decision::Changed, "the file is gone"};
    if (*state == change.before) {
        const bool attributeTaken = change.readOnly && !platform::IsReadOnly(change.path);
        return {attributeTaken ? Decision::Revert : Decision::Already, {}};
    }
    const auto result = journal.results.find(index);
    const bool damaged = result != journal.results.end() && result->second.outcome == journal::Outcome::Damaged;
    bool asLeft = false;
    if (result != journal.results.end() && result->second.left) {
        asLeft = *state == *result->second.left;
    } else if (damaged && change.head.empty()) {
        asLeft = true;  // format 1 keeps nothing to check a damaged file by: the journal's word
    } else {
        asLeft = *state == change.planned;
    }
    // A save that stopped half-way, its result perhaps lost with the disk
    // that failed it, is known by its bytes.
    const bool unknown = result == journal.results.end() || damaged;
    if (asLeft || (unknown && journal::ShowsOnlyThisRun(change))) return {Decision::Revert, {}};
    return {Decision::Changed, "its tags changed after the run"};
}

Verdict Judge(const Journal& journal, std::size_t index)
{
    try {
        const Change& change = journal.changes[index];
        return change.kind == ChangeKind::Rename ? JudgeRename(change) : JudgeTags(journal, index);
    } catch (const std::exception& e) {
        return {Decision::Changed, "it cannot be read: " + ErrorMessage(e)};
    }
}

// Puts a tag area back, also into a read-only file (which stays read-only),
// and gives back the read-only attribute the run took away.
void PutBackTags(const Change& change)
{
    platform::FileAttributes attributes = platform::GetFileAttributeWord(change.path);
    const bool readOnly = (attributes & platform::kAttributeReadOnly) != 0;
    if (readOnly) platform::SetFileAttributeWord(change.path, attributes & ~platform::kAttributeReadOnly);
    try {
        if (journal::FileState(change.path, change.pos) != change.before) journal::PutBackArea(change);
    } catch (...) {
        if (readOnly) platform::SetFileAttributeWord(change.path, attributes);
        throw;
    }
    if (change.readOnly) attributes |= platform::kAttributeReadOnly;
    if (readOnly || change.readOnly) platform::SetFileAttributeWord(change.path, attributes);
}

void GiveBackReadOnly(const std::string& path, Row& row)
{
    try {
        platform::SetReadOnly(path, true);
    } catch (const std::exception& e) {
        row.error = "its read-only attribute could not be given back: " + ErrorMessage(e);
    }
}

std::string CommandText(const std::vector<std::string>& command)
{
    std::string text;
    for (const auto& word : command) {
        const bool quote = word.empty() || word.find_first_of(" \t\"'<>|&;") != std::string::npos;
        text += (text.empty() ? "" : " ") + (quote ? "\"" + word + "\"" : word);
    }
    return text;
}

int ListRuns(const Invocation& invocation, const ParseSettings& settings, std::ostream& out)
{
    nlohmann::json list = nlohmann::json::array();
    std::vector<Row> rows;
    for (const std::string& file : journal::ListJournals(journal::JournalFolder())) {
        Row row;
        row.file = ArgumentToUtf8(file);
        nlohmann::json item{{"journal", text::SanitizeUtf8(row.file)}};
        try {
            const Journal run = journal::ReadJournal(file);
            const auto done = std::count_if(run.results.begin(), run.results.end(),
                                            [](const auto& r) { return r.second.outcome == journal::Outcome::Done; });
            row.change = CommandText(run.header.command);
            row.status = std::to_string(run.changes.size()) + " planned, " + std::to_string(done) + " done";
            nlohmann::json undone = nullptr;
            if (!run.undone.empty()) {
                const Journal::Undone& last = run.undone.back();
                row.status += ", undone: " + std::to_string(last.reverted) + " put back" +
                              (last.left ? ", " + std::to_string(last.left) + " left" : "");
                undone = {{"time", last.time}, {"reverted", last.reverted}, {"left", last.left}};
            } else if (journal::ChangedNothing(run)) {
                row.status += ", nothing to undo";
            }
            row.reason = run.header.started;
            item.update({{"started", run.header.started}, {"command", run.header.command},
                         {"planned", run.changes.size()}, {"done", done}, {"undone", undone}, {"error", nullptr}});
        } catch (const journal::PlanCutOff& e) {
            row.status = "stopped before its first change, nothing to undo";
            item["error"] = text::SanitizeUtf8(e.what());
        } catch (const std::exception& e) {
            row.status = "refused";
            row.error = e.what();
            item["error"] = text::SanitizeUtf8(e.what());
        }
        rows.push_back(std::move(row));
        list.push_back(std::move(item));
    }
    if (invocation.json)
        out << list.dump(2) << '\n';
    else
        WriteRows(out, RowKind::Undo, FormOf(invocation, settings), rows);
    return 0;
}

// The newest run that changed files and is not undone. Runs that changed
// nothing are passed over with a line on `err`; a journal that cannot be
// trusted stops the search (UsageError). Nothing when every run is undone.
std::optional<Journal> NewestToUndo(std::ostream& err)
{
    const std::string folder = journal::JournalFolder();
    const auto journals = journal::ListJournals(folder);
    if (journals.empty()) throw UsageError("undo: there is no journal in " + ArgumentToUtf8(folder));
    const auto passOver = [&err](const std::string& file, std::string_view why) {
        err << "sonrik-tag: passed over " << DisplayText(ArgumentToUtf8(file)) << ": " << why << '\n';
    };
    for (const std::string& file : journals) {
        Journal run;
        try {
            run = journal::ReadJournal(file);
        } catch (const journal::PlanCutOff&) {
            passOver(file, "its run stopped before its first change");
            continue;
        } catch (const journal::JournalError& e) {
            throw UsageError(std::string(e.what()) +
                             "; nothing was changed ('sonrik-tag undo JOURNAL' undoes the run of an older journal)");
        }
        if (!run.undone.empty()) continue;
        if (journal::ChangedNothing(run)) {
            passOver(file, "its run changed no file");
            continue;
        }
        return run;
    }
    err << "sonrik-tag: nothing to undo: every run in " << DisplayText(ArgumentToUtf8(folder)) << " is undone\n";
    return std::nullopt;
}

}  // namespace

int RunUndo(const Invocation& invocation, const ParseSettings& settings, std::ostream& out, std::ostream& err)
{
    if (invocation.listJournals) return ListRuns(invocation, settings, out);
    Journal run;
    if (!invocation.paths.empty()) {
        try {
            run = journal::ReadJournal(invocation.paths.front());
        } catch (const journal::JournalError& e) {
            throw UsageError(std::string(e.what()) + "; nothing was changed");
        }
    } else if (auto newest = NewestToUndo(err)) {
        run = std::move(*newest);
    } else {
        return 0;
    }
    const std::string& file = run.file;
    // Every file is looked at before any is touched.
    std::vector<Verdict> verdicts;
    for (std::size_t i = 0; i < run.changes.size(); ++i) verdicts.push_back(Judge(run, i));

    const batch::RenameFiles renameFiles = batch::SystemRenameFiles(kNativePathStyle);
    std::vector<Row> rows;
    std::size_t reverted = 0, left = 0;
    for (std::size_t n = run.changes.size(); n-- > 0;) {
        const Change& change = run.changes[n];
        const Verdict& verdict = verdicts[n];
        Row row;
        const bool rename = change.kind == ChangeKind::Rename;
        row.file = ArgumentToUtf8(rename && verdict.decision != Decision::Already ? change.newPath : change.path);
        row.change = rename ? "name back to " + ArgumentToUtf8(batch::FileNameOf(change.path, kNativePathStyle))
                            : std::string("tags");
        if (verdict.decision == Decision::Already) {
            row.status = "nothing to undo";
        } else if (verdict.decision == Decision::Changed) {
            row.status = "left";
            row.reason = "changed since the run: " + verdict.why;
            ++left;
        } else if (rename) {
            std::string temporary;
            switch (batch::RenameToNewPath(renameFiles, change.newPath, change.path, kNativePathStyle, &temporary)) {
            case batch::RenameOutcome::Renamed:
                row.status = "undone";
                ++reverted;
                // The run made the file writable after renaming it.
                if (change.readOnly) GiveBackReadOnly(change.path, row);
                break;
            case batch::RenameOutcome::TargetExists:
                row.status = "left";
                row.reason = "a file has its old name now";
                ++left;
                break;
            case batch::RenameOutcome::Failed:
            case batch::RenameOutcome::LeftAtTemporary:
                row.status = "failed";
                row.error = RefusedRenameText(temporary);
                ++left;
                break;
            }
        } else {
            try {
                PutBackTags(change);
                row.status = "undone";
                ++reverted;
            } catch (const std::exception& e) {
                row.status = "failed";
                row.error = ErrorMessage(e);
                ++left;
            }
        }
        rows.push_back(std::move(row));
    }
    WriteRows(out, RowKind::Undo, FormOf(invocation, settings), rows);
    if (reverted == 0 && left == 0) {
        err << "sonrik-tag: nothing to undo: the files of " << DisplayText(ArgumentToUtf8(file))
            << " are as they were before its run"
            << (run.undone.empty() ? std::string() : " (undone " + run.undone.back().time + ")") << '\n';
    }
    // A run undone once is passed over by the next plain undo, also when
    // this one found nothing to put back.
    if (reverted > 0 || left > 0 || run.undone.empty()) {
        try {
            journal::AppendUndone(run, reverted, left);
        } catch (const std::exception& e) {
            err << "sonrik-tag: warning: " << DisplayText(e.what()) << '\n';
        }
    }
    return left == 0 ? 0 : 1;
}

}  // namespace sonrik::cli
