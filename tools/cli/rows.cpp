#include "cli/rows.h"

#include "cli/report.h"
#include "text/utf8.h"

#include <nlohmann/json.hpp>

#include <algorithm>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace sonrik::cli {

namespace {

using nlohmann::json;

std::string FieldsText(const std::vector<FieldRow>& fields)
{
    std::string text;
    for (const FieldRow& f : fields)
        text += (text.empty() ? "" : ", ") + f.name + ": \"" + f.old + "\" -> \"" + f.now + "\"";
    return text;
}

std::vector<std::string> Cells(RowKind kind, const Row& row)
{
    std::string why = row.reason.value_or("");
    if (row.error) why += (why.empty() ? "" : "; ") + *row.error;
    return {DisplayText(row.file), DisplayText(kind == RowKind::Fill ? FieldsText(row.fields) : row.change),
            row.status, DisplayText(why)};
}

// Characters, not bytes: what a terminal gives a column.
std::size_t Width(std::string_view utf8)
{
    return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

json Nullable(const std::optional<std::string>& text)
{
    return text ? json(text::SanitizeUtf8(*text)) : json(nullptr);
}

json RowJson(RowKind kind, const Row& row)
{
    json object{{"file", text::SanitizeUtf8(row.file)}};
    if (kind == RowKind::Fill) {
        json fields = json::object();
        for (const FieldRow& f : row.fields)
            fields[f.name] = {{"old", text::SanitizeUtf8(f.old)}, {"new", text::SanitizeUtf8(f.now)}};
        object["fields"] = std::move(fields);
    } else {
        // A rename with no name made (the file could not be read) has none.
        const bool none = kind == RowKind::Rename && row.change.empty();
        object[kind == RowKind::Rename ? "new_name" : "change"] = none ? json(nullptr) : json(text::SanitizeUtf8(row.change));
    }
    object["status"] = row.status;
    object["reason"] = Nullable(row.reason);
    object["error"] = Nullable(row.error);
    return object;
}

}  // namespace

bool IsTerminal(int descriptor)
{
#ifdef _WIN32
    return ::_isatty(descriptor) != 0;
#else
    return ::isatty(descriptor) != 0;
#endif
}

void WriteRows(std::ostream& out, RowKind kind, RowForm form, const std::vector<Row>& rows)
{
    if (form == RowForm::Json) {
        // Written row by row: the members in the order the help names them.
        out << '[';
        std::string text;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const json object = RowJson(kind, rows[i]);
            text = i ? ",\n  {" : "\n  {";
            bool first = true;
            for (const char* key : {"file", "new_name", "change", "fields", "status", "reason", "error"}) {
                const auto it = object.find(key);
                if (it == object.end()) continue;
                text += (first ? "\n    \"" : ",\n    \"") + std::string(key) + "\": " + it->dump();
                first = false;
            }
            out << text << "\n  }";
        }
        out << (rows.empty() ? "]\n" : "\n]\n");
        return;
    }
    std::vector<std::vector<std::string>> cells;
    cells.reserve(rows.size() + 1);
    if (form == RowForm::Table) {
        const char* second = kind == RowKind::Rename ? "NEW NAME" : kind == RowKind::Fill ? "FIELDS" : "CHANGE";
        cells.push_back({"FILE", second, "STATUS", "REASON"});
    }
    for (const Row& row : rows) cells.push_back(Cells(kind, row));
    if (form == RowForm::Tabs) {
        std::string text;
        for (const auto& line : cells) text += line[0] + '\t' + line[1] + '\t' + line[2] + '\t' + line[3] + '\n';
        out << text;
        return;
    }
    std::vector<std::size_t> widths(4, 0);
    for (const auto& line : cells)
        for (std::size_t c = 0; c < 3; ++c) widths[c] = std::max(widths[c], Width(line[c]));
    for (const auto& line : cells) {
        std::string text;
        for (std::size_t c = 0; c < 3; ++c) text += line[c] + std::string(widths[c] - Width(line[c]) + 2, ' ');
        text += line[3];
        while (!text.empty() && text.back() == ' ') text.pop_back();
        out << text << '\n';
    }
}

Progress::Progress(std::ostream& err, bool terminal, std::size_t total, std::string what)
    : err_(err), terminal_(terminal), total_(total), what_(std::move(what)), start_(std::chrono::steady_clock::now())
{
}

Progress::~Progress()
{
    if (showing_) err_ << '\r' << std::string(60, ' ') << '\r' << std::flush;
}

void Progress::Step()
{
    ++done_;
    // The clock is read every 64 files only: a step must cost next to nothing.
    if (!terminal_ || (done_ % 64 != 0 && done_ != total_)) return;
    const auto now = std::chrono::steady_clock::now();
    using std::chrono::milliseconds;
    if (now - start_ < std::chrono::seconds(1) || (showing_ && now - shown_ < milliseconds(200))) return;
    err_ << "\rsonrik-tag: " << what_ << ' ' << done_ << " of " << total_ << " files" << std::flush;
    showing_ = true;
    shown_ = now;
}

void AddReason(Row& row, std::string_view reason)
{
    row.reason = row.reason ? *row.reason + "; " + std::string(reason) : std::string(reason);
}

}  // namespace sonrik::cli
