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

Verdict Judge(const Journal& journal, std::size_t index)
{
    const Change& change = journal.changes[index];
    const auto result = journal.results.find(index);
    const bool known = result != journal.results.end();
    try {
        if (change.kind == ChangeKind::Rename) {
            if (AsBeforeOrLeft(change, true)) {
                if (journal::FileState(change.newPath, change.pos) == change.before) return {Decision::Revert, {}};
                return {Decision::Changed, "its tags changed after the run"};
            }
            if (AsBeforeOrLeft(change, false)) return {Decision::Already, {}};
            if (!platform::FileExists(change.path) && !platform::FileExists(change.newPath))
                return {Decision::Changed, "the file is gone"};
            return {Decision::Changed, "a file has its old name now"};
        }
        const auto state = journal::FileState(change.path, change.pos);
        if (!state) return {Decision::Changed, "the file is gone"};
        if (*state == change.before) return {Decision::Already, {}};
        const bool asLeft = known ? (result->second.left ? *state == *result->second.left
                                                         : result->second.outcome == journal::Outcome::Damaged)
                                  : *state == change.planned;
        if (asLeft) return {Decision::Revert, {}};
        return {Decision::Changed, "its tags changed after the run"};
    } catch (const std::exception& e) {
        return {Decision::Changed, "it cannot be read: " + ErrorMessage(e)};
    }
}

// Puts a tag area back, also into a read-only file (which stays read-only).
void PutBackTags(const Change& change)
{
    const platform::FileAttributes attributes = platform::GetFileAttributeWord(change.path);
    const bool readOnly = (attributes & platform::kAttributeReadOnly) != 0;
    if (readOnly) platform::SetFileAttributeWord(change.path, attributes & ~platform::kAttributeReadOnly);
    try {
        journal::PutBackArea(change);
    } catch (...) {
        if (readOnly) platform::SetFileAttributeWord(change.path, attributes);
        throw;
    }
    if (readOnly) platform::SetFileAttributeWord(change.path, attributes);
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
            }
            row.reason = run.header.started;
            item.update({{"started", run.header.started}, {"command", run.header.command},
                         {"planned", run.changes.size()}, {"done", done}, {"undone", undone}, {"error", nullptr}});
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

}  // namespace

int RunUndo(const Invocation& invocation, const ParseSettings& settings, std::ostream& out, std::ostream& err)
{
    if (invocation.listJournals) return ListRuns(invocation, settings, out);
    std::string file;
    if (!invocation.paths.empty()) {
        file = invocation.paths.front();
    } else {
        const std::string folder = journal::JournalFolder();
        const auto journals = journal::ListJournals(folder);
        if (journals.empty()) throw UsageError("undo: there is no journal in " + ArgumentToUtf8(folder));
        file = journals.front();
    }
    Journal run;
    try {
        run = journal::ReadJournal(file);
    } catch (const journal::JournalError& e) {
        throw UsageError(std::string(e.what()) + "; nothing was changed");
    }
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
            case batch::RenameOutcome::Renamed: row.status = "undone"; ++reverted; break;
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
    if (reverted > 0 || left > 0) {
        try {
            journal::AppendUndone(run, reverted, left);
        } catch (const std::exception& e) {
            err << "sonrik-tag: warning: " << DisplayText(e.what()) << '\n';
        }
    }
    return left == 0 ? 0 : 1;
}

}  // namespace sonrik::cli
