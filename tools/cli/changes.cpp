#include "cli/changes.h"

#include "cli/report.h"
#include "cli/system.h"
#include "batch/id3v2_names.h"
#include "batch/record.h"

#include <algorithm>

namespace sonrik::cli {

std::unique_ptr<twID3::TtwID3> ListEditorTag()
{
    auto id3 = std::make_unique<twID3::TtwID3>();
    auto& v1 = id3->ID3v1();
    v1.Lyrics3().SetUseLyrics3v2(false);
    v1.Lyrics3().SetUseTimestamp(false);
    v1.SetGenreID(0);
    v1.SetTrackNo(0);
    v1.SetUseID3v11(true);
    id3->SetUseID3v1(true);
    // A file too short for a record has none, as for the tool's other commands.
    id3->SetShortFileUntagged(true);
    return id3;
}

std::optional<std::string> LoadRecord(twID3::TtwID3& id3, batch::TFTag& tag, const std::string& path,
                                      const text::CodePage& codePage, bool& untagged, twID3::TagArea* area,
                                      std::vector<std::string>* nameNotes)
{
    tag.FilePath = tag.NewName = path;
    untagged = false;
    try {
        if (area)
            id3.LoadFromFile(path, *area);
        else
            id3.LoadFromFile(path);
    } catch (const std::exception& e) {
        return ErrorMessage(e);
    }
    if (id3.Success() == twID3::id3NoSuchFile)
        return platform::FolderExists(path) ? FolderNotFileText() : "there is no such file";
    untagged = id3.Success() == twID3::id3NoTags;
    if (untagged) id3.ID3v1().ClearRecord(twID3::NoGenre);
    batch::FillRecord(tag, path, id3.ID3v1());
    if (nameNotes && id3.ID3v2().tag) *nameNotes = batch::TakeID3v2Names(tag, *id3.ID3v2().tag, !untagged, codePage);
    // ASCII is the same in every code page and in UTF-8.
    const auto toUtf8 = [&](std::string& text) {
        if (std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
            text = codePage.Decode(text);
    };
    for (std::uint8_t kind = 0; kind < batch::fkStatus; ++kind) toUtf8(*batch::FieldText(tag, kind));
    for (auto& name : tag.ID3v2Names) toUtf8(name.second);
    return std::nullopt;
}

RunJournal::RunJournal(const Invocation& invocation)
{
    if (invocation.noJournal) return;
    const std::string file =
        invocation.journalFile ? *invocation.journalFile : journal::NewJournalPath(journal::JournalFolder());
    writer_ = std::make_unique<journal::Writer>(file);
    // Undo may run in another folder.
    base_ = journal::CurrentFolder();
}

RunJournal::~RunJournal() = default;

void RunJournal::PlanTags(const std::string& path, const twID3::TagArea& old, const std::string& planned,
                          bool removesReadOnly)
{
    if (!writer_) return;
    journal::Change change;
    change.kind = journal::ChangeKind::Tags;
    change.path = journal::AbsolutePath(path, base_);
    change.pos = old.pos;
    change.size = old.size;
    change.area = old.bytes;
    change.then = planned;
    change.head = journal::HeadHash(change.path, old.pos).value_or(std::string());
    change.before = journal::StateHash(old.size, old.bytes);
    change.planned = journal::StateHash(old.pos + static_cast<std::int64_t>(planned.size()), planned);
    change.readOnly = removesReadOnly;
    writer_->Plan(std::move(change));
}

RunJournal::FileMark RunJournal::MarkOf(const twID3::TagArea& area)
{
    return {area.pos, area.size, journal::StateHash(area.size, area.bytes), area.id};
}

void RunJournal::PlanRename(const std::string& from, const std::string& to, const FileMark& mark,
                            bool removesReadOnly)
{
    if (!writer_) return;
    journal::Change change;
    change.kind = journal::ChangeKind::Rename;
    change.path = journal::AbsolutePath(from, base_);
    change.newPath = journal::AbsolutePath(to, base_);
    change.pos = mark.pos;
    change.size = mark.size;
    change.before = change.planned = mark.state;
    if (mark.id != platform::FileId{}) change.id = journal::FileIdText(mark.id);
    change.readOnly = removesReadOnly;
    writer_->Plan(std::move(change));
}

void RunJournal::Reserve(std::size_t count)
{
    if (writer_) writer_->Reserve(count);
}

void RunJournal::Commit(const Invocation& invocation)
{
    if (!writer_ || writer_->planned() == 0) return;
    try {
        writer_->Commit(invocation.commandLine);
    } catch (const journal::JournalError& e) {
        throw journal::JournalError(std::string(e.what()) +
                                    "; nothing was changed (--no-journal runs without a journal, and cannot be undone)");
    }
}

journal::Outcome RunJournal::Record(std::size_t index, bool done, std::ostream& err)
{
    if (!writer_ || index >= writer_->planned()) return done ? journal::Outcome::Done : journal::Outcome::NotDone;
    const journal::Change& change = writer_->plannedChange(index);
    journal::Result result;
    if (done) {
        result = {journal::Outcome::Done, change.planned};
    } else if (change.kind == journal::ChangeKind::Rename) {
        result = {journal::Outcome::NotDone, change.before};
    } else {
        try {
            result.left = journal::FileState(change.path, change.pos);
        } catch (const std::exception&) {
            // Unknown: undo then takes the journal's word that the run damaged it.
        }
        result.outcome = result.left == change.before ? journal::Outcome::NotDone : journal::Outcome::Damaged;
    }
    try {
        writer_->Record(index, result);
    } catch (const journal::JournalError& e) {
        if (!warned_) err << "sonrik-tag: warning: " << DisplayText(e.what()) << '\n';
        warned_ = true;
    }
    return result.outcome;
}

std::string RunJournal::UndoHint() const
{
    if (!writer_) return {};
    const std::string file = ArgumentToUtf8(writer_->file());
    return "; the journal " + file + " holds the old tags: run 'sonrik-tag undo " + file + "'";
}

RowForm FormOf(const Invocation& invocation, const ParseSettings& settings)
{
    if (invocation.json) return RowForm::Json;
    return settings.outIsTerminal ? RowForm::Table : RowForm::Tabs;
}

std::string RefusedRenameText(const std::string& leftAt, const std::string& why)
{
    std::string text = "the system refused the rename";
    if (!why.empty()) text += ": " + why;
    if (!leftAt.empty()) text += "; the file is named " + ArgumentToUtf8(leftAt) + " now";
    return text;
}

std::string ReadOnlyReason(batch::ReadOnlyPolicy policy, std::string_view done)
{
    const std::string what(done);
    switch (policy) {
    case batch::ReadOnlyPolicy::Leave:
        return "the file is read-only: --apply leaves it (--readonly=remove or restore changes it)";
    case batch::ReadOnlyPolicy::MakeWritable: return "the file is read-only: " + what + " and left writable";
    case batch::ReadOnlyPolicy::WriteAndRestore: return "the file is read-only: " + what + ", and read-only afterwards";
    }
    return {};
}

bool SaveReadOnlyByPolicy(const std::string& path, bool readOnly, batch::ReadOnlyPolicy policy,
                          const std::function<void()>& save)
{
    if (!readOnly) {
        save();
        return true;
    }
    const bool restore = policy == batch::ReadOnlyPolicy::WriteAndRestore;
    const auto giveBack = [&] {
        try {
            platform::SetReadOnly(path, true);
            return true;
        } catch (const std::exception&) {
            return false;
        }
    };
    platform::SetReadOnly(path, false);
    try {
        save();
    } catch (...) {
        if (restore) giveBack();
        throw;
    }
    return !restore || giveBack();
}

std::string StatusText(batch::TRowStatus status)
{
    const std::u8string_view text = batch::RowStatusText(status, true);
    return std::string(text.begin(), text.end());
}

}  // namespace sonrik::cli
