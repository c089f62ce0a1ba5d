// The change journal of a run that renames files or rewrites their tag
// areas, so that the run can be undone: before the first change, one line per
// planned change with what the file was (a rename's two paths and the file's
// identity, or the whole old tag area, where it stood and what stood in front
// of it) and what the change is to leave, synced to disk once; after each
// change, a line with what it did leave (written in pieces: a result that
// never reached the disk is read off the file itself).
//
// The journal is JSON Lines. Every line carries a check value chained to the
// line before it, so a journal that was edited, or lost lines of its plan, is
// refused as a whole before anything is put back. A run killed half-way
// leaves its whole plan and some results, the last perhaps cut off, and its
// journal is still good.
//
// Paths are absolute (format 1 kept them as given), in the bytes the platform
// layer takes; kept as JSON strings when they are UTF-8, else as {"hex": ...}.
#pragma once

#include "platform/errors.h"
#include "platform/platform.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sonrik::journal {

// A journal that cannot be written, read or trusted. The text is UTF-8.
class JournalError : public Error {
public:
    explicit JournalError(std::string_view utf8);
};

// A journal that ends inside its header or plan: its run stopped (killed, or
// its journal could not be written) before the first change, which comes
// only after the whole plan is on the disk.
class PlanCutOff : public JournalError {
public:
    using JournalError::JournalError;
};

// FNV-1a, 64 bits: to see that something changed, not to guard against anyone.
std::uint64_t Fnv1a64(std::string_view bytes, std::uint64_t hash = 0xcbf29ce484222325ULL);

// What a file's tail is: its size and the bytes from a position to its end,
// as 16 hex digits.
std::string StateHash(std::int64_t size, std::string_view tail);

// The state of the file `path` seen from `pos`: nothing when there is no
// such file; a file whose tail from `pos` is implausibly long (over 2 MiB)
// gets a hash of its size alone. Throws IoError when the file cannot be read.
std::optional<std::string> FileState(const std::string& path, std::int64_t pos);

// A hash of the bytes just in front of `pos` (at most 4 KiB) of the file
// `path`: what a save never touches, so that undo can tell a save of its run
// that stopped half-way from a file changed afterwards. Nothing when there is
// no such file or it is shorter than `pos`. Throws IoError.
std::optional<std::string> HeadHash(const std::string& path, std::int64_t pos);

// `path` made absolute against `base` (an absolute folder), without resolving
// links; an absolute path is kept as it is.
std::string AbsolutePath(const std::string& path, const std::string& base);
// The process's present folder. Throws JournalError.
std::string CurrentFolder();

// A file identity as the journal keeps it.
std::string FileIdText(const platform::FileId& id);

enum class ChangeKind { Rename, Tags };

// One planned change and what it found.
struct Change {
    ChangeKind kind = ChangeKind::Tags;
    std::string path;     // the file; a rename's old path
    std::string newPath;  // a rename's new path
    std::int64_t pos = 0;  // where the tag area starts
    std::int64_t size = 0;  // the file's size
    std::string area;       // tags: the old tag area, pos to the end
    std::string before;     // StateHash of the file before the change
    std::string planned;    // ... and what the change is to leave (a rename: the same)
    // Since format 2. Tags: the new tag area and HeadHash at pos, so that a
    // save of this run that stopped half-way is known by its bytes (empty in
    // older journals).
    std::string then;
    std::string head;
    std::string id;         // a rename: FileIdText of the file, when known
    bool readOnly = false;  // the run takes the file's read-only attribute away
};

// True when the file `change.path` holds nothing but what this tags change
// could have left, written whole or in part: the bytes in front of the tag
// area as they were, a size between the old and the new one, and each byte
// from `pos` on either the old area's or the new one's. False for a journal
// without the new area (format 1). Throws IoError.
bool ShowsOnlyThisRun(const Change& change);

// Puts the old tag area of `change` back: its bytes at its place and the
// file's old size. A write that fails puts back what the file held, so the
// file is then as before the call; Error says so when even that fails.
// Throws IoError or Error.
void PutBackArea(const Change& change);

// What a change did.
enum class Outcome {
    Done,     // the change was made: the file is as planned
    NotDone,  // nothing was changed
    Damaged,  // it failed, and the file is neither as it was nor as planned
};
struct Result {
    Outcome outcome = Outcome::NotDone;
    std::optional<std::string> left;  // StateHash of what it left, when known
};

struct Header {
    int format = 2;
    std::vector<std::string> command;  // the arguments, UTF-8
    std::string started;                // ISO 8601 UTC
    std::size_t planned = 0;
};

// A journal read whole and checked.
struct Journal {
    std::string file;
    Header header;
    std::vector<Change> changes;                 // in the order planned
    std::map<std::size_t, Result> results;       // by position in `changes`
    struct Undone {
        std::string time;  // ISO 8601 UTC
        std::size_t reverted = 0, left = 0;
    };
    std::vector<Undone> undone;  // each undo that changed something or left a file
    // Where the next line goes on: after the last whole line (a result line
    // cut off behind it is dropped then), chained to that line's check.
    std::uintmax_t wholeBytes = 0;
    std::string lastCheck;
};

// Reads and checks the journal `file` (format 1 or 2). Throws JournalError
// naming the line when a line is cut, edited, out of place or missing from
// the plan, and when `file` is a folder or no journal at all; PlanCutOff when
// it ends inside its header or plan. Only a last result line cut off by a run
// that stopped is passed over.
Journal ReadJournal(const std::string& file);

// True when the run of `journal` changed no file: every planned change has a
// result, and none was made.
bool ChangedNothing(const Journal& journal);

// Writes a journal. Nothing reaches the disk before Commit, which writes the
// header and the plan and syncs the file; Record keeps the result lines and
// writes them in pieces (a damaged file's at once), Finish the rest.
class Writer {
public:
    // Creates `file` (and its folder) anew; throws JournalError.
    explicit Writer(std::string file);
    ~Writer();
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    const std::string& file() const { return file_; }

    // The changes to plan, in order; the index of each is its number.
    void Plan(Change change);
    void Reserve(std::size_t count) { changes_.reserve(count); }
    std::size_t planned() const { return changes_.size(); }
    // Change `index` as planned (after Commit, without its old tag area).
    const Change& plannedChange(std::size_t index) const { return changes_.at(index); }
    // Throws JournalError: the run must then change nothing.
    void Commit(std::vector<std::string> command);
    // Throws JournalError.
    void Record(std::size_t index, const Result& result);
    // Writes what was recorded (unsynced); called when the run ends. Never throws.
    void Finish() noexcept;

private:
    struct Sink;
    std::string file_;
    std::unique_ptr<Sink> sink_;
    std::vector<Change> changes_;
    std::string check_;
};

// Appends the line that says an undo ran, with its counts. Throws JournalError.
void AppendUndone(const Journal& journal, std::size_t reverted, std::size_t left);

// Where journals live: $SONRIK_STATE_DIR, else $XDG_STATE_HOME/sonrik, else
// ~/.local/state/sonrik (on Windows %LOCALAPPDATA%\sonrik). Throws
// JournalError when none of them is set.
std::string JournalFolder();

// A new journal's name in `folder`: the UTC time to the millisecond, so
// that names sort as the runs started, and the process number.
std::string NewJournalPath(const std::string& folder);

// The journals of `folder`, newest first; none when it does not exist.
std::vector<std::string> ListJournals(const std::string& folder);

// The time now as ISO 8601 UTC with milliseconds.
std::string UtcNow();

}  // namespace sonrik::journal
