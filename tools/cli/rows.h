// What rename, fill and undo report per file, and its three renderings: an
// aligned table for a terminal, tab-separated lines for scripts, and JSON.
// Every text here is UTF-8.
#pragma once

#include <chrono>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace sonrik::cli {

struct FieldRow {
    std::string name;  // "title", "artist", ...
    std::string old, now;
};

struct Row {
    std::string file;
    std::string change;  // rename: the new name; undo: what was changed; fill: unused
    std::vector<FieldRow> fields;  // fill
    std::string status;
    std::optional<std::string> reason, error;
};

// Adds `reason` to the row's reason column, after what it says already.
void AddReason(Row& row, std::string_view reason);

// Whether the stream of this descriptor (1 standard output, 2 standard
// error) is a terminal.
bool IsTerminal(int descriptor);

enum class RowKind { Rename, Fill, Undo };
enum class RowForm { Table, Tabs, Json };

void WriteRows(std::ostream& out, RowKind kind, RowForm form, const std::vector<Row>& rows);

// A line on standard error that counts the files done, shown only when the
// run has taken over a second and standard error is a terminal.
class Progress {
public:
    Progress(std::ostream& err, bool terminal, std::size_t total, std::string what);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void Step();

private:
    std::ostream& err_;
    bool terminal_;
    std::size_t total_, done_ = 0;
    std::string what_;
    std::chrono::steady_clock::time_point start_, shown_{};
    bool showing_ = false;
};

}  // namespace sonrik::cli
