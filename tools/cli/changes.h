// What the commands that change files share: the records of the list editor
// loaded from the files, the journal of a run, and how rows are written.
#pragma once

#include "cli/args.h"
#include "cli/rows.h"
#include "journal/journal.h"
#include "batch/record.h"
#include "twID3/twID3.h"

#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace sonrik::cli {

// A tag object set up as the list editor sets up its own: ID3v1 in use, as
// ID3v1.1, no Lyrics3 v2 of its own.
std::unique_ptr<twID3::TtwID3> ListEditorTag();

// Loads `path` into `id3` and fills `tag` from it, the tag texts turned into
// UTF-8 (file names are UTF-8, and templates mix the two). Gives why the
// file cannot be used (UTF-8), or nothing. A file without a tag loads with
// empty fields (`untagged`). With `area`, also the file's tag area, from
// the same reading. With `nameNotes`, the record takes the values of the
// file's ID3v2 tag that new names need (batch::TakeID3v2Names), and the
// notes of those it could not take.
std::optional<std::string> LoadRecord(twID3::TtwID3& id3, batch::TFTag& tag, const std::string& path,
                                      const text::CodePage& codePage, bool& untagged,
                                      twID3::TagArea* area = nullptr, std::vector<std::string>* nameNotes = nullptr);

// The journal of a run that changes files: none with --no-journal.
class RunJournal {
public:
    // Throws JournalError when no place for it can be found.
    explicit RunJournal(const Invocation& invocation);
    ~RunJournal();

    bool active() const { return writer_ != nullptr; }
    // The change of a file's tag area from `old` to `planned` (bytes from
    // old.pos on); `removesReadOnly`: the run takes the file's read-only
    // attribute away, and undo gives it back. Throws IoError when the file
    // cannot be read.
    void PlanTags(const std::string& path, const twID3::TagArea& old, const std::string& planned,
                  bool removesReadOnly = false);
    // What a rename's journal keeps of the file: the state of its tag area
    // and its identity, taken from the reading that made the plan.
    struct FileMark {
        std::int64_t pos = 0, size = 0;
        std::string state;  // journal::StateHash
        platform::FileId id;
    };
    static FileMark MarkOf(const twID3::TagArea& area);
    // `removesReadOnly`: the run makes the renamed file writable; undo gives
    // the attribute back.
    void PlanRename(const std::string& from, const std::string& to, const FileMark& mark,
                    bool removesReadOnly = false);
    // Room for `count` planned changes, so that a long plan is not moved as it grows.
    void Reserve(std::size_t count);
    // Writes and syncs the plan before the first change; throws JournalError
    // with a message that names --no-journal. A run without changes writes none.
    void Commit(const Invocation& invocation);
    // The result of change `index` (in the order planned): Done leaves the
    // planned state; otherwise the file is looked at. Gives the outcome; a
    // journal that cannot be written is reported once on `err` and the run goes on.
    journal::Outcome Record(std::size_t index, bool done, std::ostream& err);
    // "; the journal F holds the old tags: run 'sonrik-tag undo F'" (UTF-8).
    std::string UndoHint() const;

private:
    std::unique_ptr<journal::Writer> writer_;
    std::string base_;  // the folder relative paths are taken in, when the run started
    bool warned_ = false;
};

RowForm FormOf(const Invocation& invocation, const ParseSettings& settings);

// The error of a rename the system refused, with the system's reason `why`
// (UTF-8) when known; with `leftAt`, the path the file was left at (a
// letter-case rename that could not go back either). UTF-8.
std::string RefusedRenameText(const std::string& leftAt = {}, const std::string& why = {});

// What --apply does to a file that is read-only by `policy`; `done` says what
// a change does ("written", "renamed"). For the reason column.
std::string ReadOnlyReason(batch::ReadOnlyPolicy policy, std::string_view done);

// Runs `save` on `path`, which was read-only when loaded (`readOnly`) and is
// to be written by `policy` (not Leave): the attribute is taken off first
// and, with WriteAndRestore, given back afterwards, also when `save` throws
// (its error passes on). False when the attribute could not be given back.
bool SaveReadOnlyByPolicy(const std::string& path, bool readOnly, batch::ReadOnlyPolicy policy,
                          const std::function<void()>& save);

// The status texts of the list editor, in English (UTF-8).
std::string StatusText(batch::TRowStatus status);

int RunRename(const Invocation& invocation, const std::vector<std::string>& files, const ParseSettings& settings,
              std::ostream& out, std::ostream& err);
int RunFill(const Invocation& invocation, const std::vector<std::string>& files, const ParseSettings& settings,
            std::ostream& out, std::ostream& err);
// v2-to-v1: each file's ID3v2 values into its ID3v1 record and Lyrics3 block.
int RunV2ToV1(const Invocation& invocation, const std::vector<std::string>& files, const ParseSettings& settings,
              std::ostream& out, std::ostream& err);
int RunUndo(const Invocation& invocation, const ParseSettings& settings, std::ostream& out, std::ostream& err);

}  // namespace sonrik::cli
