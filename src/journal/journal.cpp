#include "journal/journal.h"

#include "platform/file_calls.h"
#include "platform/platform.h"
#include "text/utf8.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace sonrik::journal {

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr int kFormat = 2;
constexpr std::int64_t kLongestTail = 2 * 1024 * 1024;
constexpr std::int64_t kHeadBytes = 4096;
// Format 2 seals a line's text as written: {"check":"<16 hex digits>",REST,
// the check being the hash of REST chained to the check before it.
constexpr std::string_view kCheckStart = "{\"check\":\"";
constexpr std::size_t kSealedStart = kCheckStart.size() + 16 + 2;
constexpr std::string_view kExtension = ".jsonl";

// Paths are the platform layer's bytes: UTF-8 on Windows, the system's bytes elsewhere.
fs::path FsPath(const std::string& bytes)
{
#ifdef _WIN32
    return fs::path(std::u8string(bytes.begin(), bytes.end()));
#else
    return fs::path(bytes);
#endif
}

std::string PathBytes(const fs::path& path)
{
#ifdef _WIN32
    const std::u8string u8 = path.u8string();
    return std::string(u8.begin(), u8.end());
#else
    return path.string();
#endif
}

void AppendHex(std::string& out, std::string_view bytes)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    out.reserve(out.size() + bytes.size() * 2);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out += kDigits[b >> 4];
        out += kDigits[b & 15];
    }
}

std::optional<std::string> Unhex(std::string_view hex)
{
    if (hex.size() % 2) return std::nullopt;
    const auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    std::string out;
    out.reserve(hex.size() / 2);
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int hi = digit(hex[i]), lo = digit(hex[i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out += static_cast<char>(hi * 16 + lo);
    }
    return out;
}

std::string HashText(std::uint64_t hash)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text(16, '0');
    for (int i = 15; i >= 0; --i, hash >>= 4) text[static_cast<std::size_t>(i)] = kDigits[hash & 15];
    return text;
}

// A line's members written by hand: the plan of a long run has a line per
// file, and a document object per line cost more than the renames.
class LineText {
public:
    explicit LineText(std::string_view type)
    {
        text_.reserve(320);
        text_ += "\"type\":\"";
        text_ += type;
        text_ += '"';
    }
    LineText& Int(std::string_view key, std::int64_t value)
    {
        Key(key);
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
        text_.append(digits, end);
        return *this;
    }
    LineText& Bool(std::string_view key, bool value)
    {
        Key(key);
        text_ += value ? "true" : "false";
        return *this;
    }
    LineText& Null(std::string_view key)
    {
        Key(key);
        text_ += "null";
        return *this;
    }
    // UTF-8 text.
    LineText& String(std::string_view key, std::string_view value)
    {
        Key(key);
        Quoted(value);
        return *this;
    }
    LineText& Hex(std::string_view key, std::string_view bytes)
    {
        Key(key);
        text_ += '"';
        AppendHex(text_, bytes);
        text_ += '"';
        return *this;
    }
    // A path's bytes: a string when they are UTF-8, else {"hex": ...}.
    LineText& Path(std::string_view key, const std::string& path)
    {
        if (text::IsValidUtf8(path)) return String(key, path);
        Key(key);
        text_ += "{\"hex\":\"";
        AppendHex(text_, path);
        text_ += "\"}";
        return *this;
    }
    // The members, closed, without the opening brace.
    std::string Members() && { return std::move(text_) + '}'; }

private:
    void Key(std::string_view key)
    {
        text_ += ",\"";
        text_ += key;
        text_ += "\":";
    }
    void Quoted(std::string_view value)
    {
        text_ += '"';
        std::size_t plain = 0;  // the start of the run of bytes taken as they are
        for (std::size_t i = 0; i < value.size(); ++i) {
            const auto b = static_cast<unsigned char>(value[i]);
            if (b >= 0x20 && b != '"' && b != '\\') continue;
            text_.append(value.substr(plain, i - plain));
            plain = i + 1;
            if (b >= 0x20) {
                text_ += '\\';
                text_ += value[i];
            } else {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", b);
                text_ += escaped;
            }
        }
        text_.append(value.substr(plain));
        text_ += '"';
    }
    std::string text_;
};

// Appends the sealed line of `members` (a line's members without the opening
// brace, as LineText gives them) to `out`, chained to `check`.
void SealLine(std::string_view members, std::string& check, std::string& out)
{
    check = HashText(Fnv1a64(members, Fnv1a64(check)));
    out += kCheckStart;
    out += check;
    out += "\",";
    out += members;
    out += '\n';
}

std::string MembersOf(const json& object) { return object.dump().substr(1); }

std::string ChangeMembers(const Change& change, std::size_t index)
{
    LineText line("plan");
    line.Int("seq", static_cast<std::int64_t>(index)).Int("pos", change.pos).Int("size", change.size);
    line.String("before", change.before).String("planned", change.planned);
    if (change.kind == ChangeKind::Rename) {
        line.String("change", "rename").Path("from", change.path).Path("to", change.newPath);
        if (!change.id.empty()) line.String("id", change.id);
    } else {
        line.String("change", "tags").Path("path", change.path).Hex("area", change.area).Hex("then", change.then);
        line.String("head", change.head);
    }
    if (change.readOnly) line.Bool("readonly", true);
    return std::move(line).Members();
}

std::string PathFromJson(const json& value)
{
    if (value.is_string()) return value.get<std::string>();
    const auto bytes = Unhex(value.at("hex").get<std::string>());
    if (!bytes) throw JournalError("a path's hex digits are bad");
    return *bytes;
}

Change ChangeFromJson(const json& line)
{
    Change change;
    change.pos = line.at("pos").get<std::int64_t>();
    change.size = line.at("size").get<std::int64_t>();
    change.before = line.at("before").get<std::string>();
    change.planned = line.at("planned").get<std::string>();
    const std::string kind = line.at("change").get<std::string>();
    if (kind == "rename") {
        change.kind = ChangeKind::Rename;
        change.path = PathFromJson(line.at("from"));
        change.newPath = PathFromJson(line.at("to"));
    } else if (kind == "tags") {
        change.kind = ChangeKind::Tags;
        change.path = PathFromJson(line.at("path"));
        const auto area = Unhex(line.at("area").get<std::string>());
        if (!area) throw JournalError("the tag area's hex digits are bad");
        change.area = *area;
        if (line.contains("then")) {
            const auto then = Unhex(line.at("then").get<std::string>());
            if (!then) throw JournalError("the new tag area's hex digits are bad");
            change.then = *then;
            change.head = line.at("head").get<std::string>();
        }
    } else {
        throw JournalError("unknown change '" + kind + "'");
    }
    if (line.contains("id")) change.id = line.at("id").get<std::string>();
    change.readOnly = line.value("readonly", false);
    if (change.pos < 0 || change.size < change.pos) throw JournalError("the tag area lies outside the file");
    return change;
}

constexpr std::string_view OutcomeName(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Done: return "done";
    case Outcome::NotDone: return "not done";
    case Outcome::Damaged: return "damaged";
    }
    return "";
}

Outcome OutcomeFromName(std::string_view name)
{
    for (const Outcome o : {Outcome::Done, Outcome::NotDone, Outcome::Damaged})
        if (OutcomeName(o) == name) return o;
    throw JournalError("unknown outcome '" + std::string(name) + "'");
}

// An append-only file written one call per line and synced on demand,
// opened through the C runtime (the wide one on Windows).
class AppendFile {
public:
    AppendFile(const std::string& file, bool create)
    {
        platform::detail::CheckFileCall(platform::FileCall::Open);
        const int flags = create ? O_WRONLY | O_CREAT | O_EXCL | O_APPEND : O_WRONLY | O_APPEND;
#ifdef _WIN32
        fd_ = ::_wopen(FsPath(file).c_str(), flags | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
        fd_ = ::open(file.c_str(), flags | O_CLOEXEC, 0644);
#endif
        if (fd_ < 0) throw JournalError(std::string(std::strerror(errno)));
    }
    ~AppendFile()
    {
#ifdef _WIN32
        ::_close(fd_);
#else
        ::close(fd_);
#endif
    }
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;

    // Throws JournalError; so does a fault a test injects (as IoError).
    void Write(std::string_view bytes)
    {
        platform::detail::CheckFileCall(platform::FileCall::Write);
        while (!bytes.empty()) {
#ifdef _WIN32
            const int n = ::_write(fd_, bytes.data(), static_cast<unsigned>(bytes.size()));
#else
            const auto n = ::write(fd_, bytes.data(), bytes.size());
#endif
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) throw JournalError(std::string(std::strerror(n < 0 ? errno : ENOSPC)));
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
    }
    void Sync()
    {
        platform::detail::CheckFileCall(platform::FileCall::Sync);
#ifdef _WIN32
        const int failed = ::_commit(fd_);
#else
        const int failed = ::fsync(fd_);
#endif
        if (failed) throw JournalError(std::string(std::strerror(errno)));
    }

private:
    int fd_ = -1;
};

std::string GetEnv(const char* name)
{
#ifdef _WIN32
    const std::wstring wide(name, name + std::strlen(name));
    const wchar_t* value = ::_wgetenv(wide.c_str());
    return value ? PathBytes(fs::path(value)) : std::string();
#else
    const char* value = std::getenv(name);
    return value ? value : std::string();
#endif
}

std::string Where(const std::string& file) { return "journal " + text::SanitizeUtf8(file) + ": "; }

}  // namespace

JournalError::JournalError(std::string_view utf8) : Error(std::u8string_view(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size())) {}

std::uint64_t Fnv1a64(std::string_view bytes, std::uint64_t hash)
{
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

std::string StateHash(std::int64_t size, std::string_view tail)
{
    return HashText(Fnv1a64(tail, Fnv1a64(std::to_string(size) + ':')));
}

std::optional<std::string> FileState(const std::string& path, std::int64_t pos)
{
    auto opened = platform::File::openExisting(path, platform::OpenMode::Read);
    if (!opened) return std::nullopt;
    const std::int64_t size = opened->size;
    if (pos > size || size - pos > kLongestTail) return StateHash(size, "(size only)");
    std::string tail(static_cast<std::size_t>(size - pos), '\0');
    if (opened->file.readAt(pos, tail.data(), tail.size()) != tail.size()) throw IoError(ioerr::ReadBeyondEnd);
    opened->file.close();
    return StateHash(size, tail);
}

void PutBackArea(const Change& change)
{
    auto file = platform::File::open(change.path, platform::OpenMode::ReadWrite);
    const std::int64_t size = file.size();
    std::string now(static_cast<std::size_t>(std::max<std::int64_t>(size - change.pos, 0)), '\0');
    if (file.readAt(change.pos, now.data(), now.size()) != now.size()) throw IoError(ioerr::ReadBeyondEnd);
    bool changed = false;
    try {
        const std::size_t written = file.writeAt(change.pos, change.area.data(), change.area.size());
        changed = written > 0;
        if (written != change.area.size()) throw IoError(platform::FileCallFaults::kDeviceError);
        file.truncateAt(change.size);
        file.close();
    } catch (const std::exception& failure) {
        if (!changed) throw;
        try {
            if (file.writeAt(change.pos, now.data(), now.size()) != now.size())
                throw IoError(platform::FileCallFaults::kDeviceError);
            file.truncateAt(size);
        } catch (const std::exception& e) {
            throw JournalError("putting the old tags of " + text::SanitizeUtf8(change.path) + " back failed (" +
                               failure.what() + "), and so did writing its present tags back (" + e.what() +
                               "): its tag area may be damaged");
        }
        throw;
    }
}

std::optional<std::string> HeadHash(const std::string& path, std::int64_t pos)
{
    auto opened = platform::File::openExisting(path, platform::OpenMode::Read);
    if (!opened || opened->size < pos) return std::nullopt;
    const std::int64_t from = std::max<std::int64_t>(pos - kHeadBytes, 0);
    std::string head(static_cast<std::size_t>(pos - from), '\0');
    if (opened->file.readAt(from, head.data(), head.size()) != head.size()) throw IoError(ioerr::ReadBeyondEnd);
    opened->file.close();
    return HashText(Fnv1a64(head));
}

bool ShowsOnlyThisRun(const Change& change)
{
    if (change.kind != ChangeKind::Tags || change.head.empty()) return false;
    auto opened = platform::File::openExisting(change.path, platform::OpenMode::Read);
    if (!opened) return false;
    const std::int64_t size = opened->size;
    const auto oldLength = static_cast<std::int64_t>(change.area.size());
    const auto newLength = static_cast<std::int64_t>(change.then.size());
    if (size < change.pos + std::min(oldLength, newLength) || size > change.pos + std::max(oldLength, newLength))
        return false;
    const std::int64_t from = std::max<std::int64_t>(change.pos - kHeadBytes, 0);
    std::string bytes(static_cast<std::size_t>(size - from), '\0');
    if (opened->file.readAt(from, bytes.data(), bytes.size()) != bytes.size()) throw IoError(ioerr::ReadBeyondEnd);
    opened->file.close();
    const auto headLength = static_cast<std::size_t>(change.pos - from);
    if (HashText(Fnv1a64(std::string_view(bytes).substr(0, headLength))) != change.head) return false;
    for (std::size_t i = 0; i + headLength < bytes.size(); ++i) {
        const char b = bytes[headLength + i];
        const bool old = i < change.area.size() && change.area[i] == b;
        const bool then = i < change.then.size() && change.then[i] == b;
        if (!old && !then) return false;
    }
    return true;
}

std::string AbsolutePath(const std::string& path, const std::string& base)
{
#ifdef _WIN32
    // The system's own rule, without looking at the disk: "C:x" and "\\x"
    // need more than one folder to be made whole. The present folder is
    // `base` while a run plans.
    std::error_code error;
    const fs::path absolute = fs::absolute(FsPath(path), error);
    (void)base;
    return error ? path : PathBytes(absolute);
#else
    if (path.empty() || path.front() == '/') return path;
    std::string_view rest = path;
    while (rest.substr(0, 2) == "./") rest.remove_prefix(2);
    return base + (base.back() == '/' ? "" : "/") + std::string(rest);
#endif
}

std::string CurrentFolder()
{
    std::error_code error;
    const fs::path folder = fs::current_path(error);
    if (error) throw JournalError("the present folder cannot be found: " + error.message());
    return PathBytes(folder);
}

std::string FileIdText(const platform::FileId& id)
{
    char text[40];
    char* end = std::to_chars(text, text + 20, id.volume, 16).ptr;
    *end++ = ':';
    end = std::to_chars(end, text + sizeof text, id.index, 16).ptr;
    return std::string(text, end);
}

// ---- Reading ---------------------------------------------------------------------

namespace {

// The check value a line of `format` carries and the one it should carry,
// chained to `check`; `line` loses its check member.
bool CheckMatches(int format, std::string_view text, json& line, const std::string& check, std::string& sealed)
{
    sealed = line.at("check").get<std::string>();
    line.erase("check");
    if (format == 1) return HashText(Fnv1a64(line.dump(), Fnv1a64(check))) == sealed;
    return text.size() > kSealedStart && text.substr(0, kCheckStart.size()) == kCheckStart &&
           text.substr(kCheckStart.size(), 16) == sealed &&
           HashText(Fnv1a64(text.substr(kSealedStart), Fnv1a64(check))) == sealed;
}

}  // namespace

Journal ReadJournal(const std::string& file)
{
    std::error_code error;
    if (fs::is_directory(FsPath(file), error)) throw JournalError(text::SanitizeUtf8(file) + " is a folder, not a journal");
    std::ifstream in(FsPath(file), std::ios::binary);
    if (!in) throw JournalError(Where(file) + "it cannot be read");
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) throw JournalError(Where(file) + "it cannot be read");
    const std::string_view opening(text.data(), std::min(text.size(), kCheckStart.size()));
    if (opening != kCheckStart.substr(0, opening.size()))
        throw JournalError(text::SanitizeUtf8(file) + " is not a journal");

    Journal journal;
    journal.file = file;
    std::string check;
    std::size_t number = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        ++number;
        const std::string where = Where(file) + "line " + std::to_string(number) + ": ";
        const auto end = text.find('\n', at);
        const bool inPlan = number == 1 || journal.changes.size() < journal.header.planned;
        if (end == std::string::npos) {
            // A run stopped while it wrote its results leaves the last of
            // them cut off; each file's own state tells what that line would
            // have. A run stopped while it wrote its plan changed nothing.
            if (!inPlan) break;
            throw PlanCutOff(where + "the line is cut off: its run stopped before its first change");
        }
        const std::string_view lineText(text.data() + at, end - at);
        at = end + 1;
        try {
            json line = json::parse(lineText);
            if (number == 1) journal.header.format = line.at("format").get<int>();
            std::string sealed;
            if (!CheckMatches(journal.header.format, lineText, line, check, sealed))
                throw JournalError("its check value does not match (the journal was edited or lines are missing)");
            check = sealed;
            const std::string type = line.at("type").get<std::string>();
            if (number == 1) {
                if (type != "header") throw JournalError("the journal does not begin with its header");
                if (journal.header.format != 1 && journal.header.format != kFormat)
                    throw JournalError("format " + std::to_string(journal.header.format) +
                                       " is not known (a newer sonrik-tag wrote it)");
                journal.header.command = line.at("command").get<std::vector<std::string>>();
                journal.header.started = line.at("started").get<std::string>();
                journal.header.planned = line.at("planned").get<std::size_t>();
            } else if (type == "plan") {
                if (!inPlan || line.at("seq").get<std::size_t>() != journal.changes.size())
                    throw JournalError("a planned change out of place");
                journal.changes.push_back(ChangeFromJson(line));
            } else if (inPlan) {
                throw JournalError("the plan ends early");
            } else if (type == "result") {
                const auto seq = line.at("seq").get<std::size_t>();
                if (seq >= journal.changes.size() || journal.results.count(seq))
                    throw JournalError("a result for no planned change");
                Result result;
                result.outcome = OutcomeFromName(line.at("outcome").get<std::string>());
                if (!line.at("left").is_null()) result.left = line.at("left").get<std::string>();
                journal.results[seq] = result;
            } else if (type == "undone") {
                journal.undone.push_back({line.at("time").get<std::string>(), line.at("reverted").get<std::size_t>(),
                                          line.at("left").get<std::size_t>()});
            } else {
                throw JournalError("unknown line type '" + type + "'");
            }
        } catch (const JournalError& e) {
            throw JournalError(where + e.what());
        } catch (const json::exception&) {
            throw JournalError(where + "the line is not what a journal holds (the journal was edited)");
        }
    }
    if (number == 0) throw PlanCutOff(Where(file) + "it is empty: its run stopped before its first change");
    journal.wholeBytes = std::min(at, text.size());
    journal.lastCheck = check;
    if (journal.changes.size() < journal.header.planned)
        throw PlanCutOff(Where(file) + "the plan ends early: its run stopped before its first change");
    return journal;
}

bool ChangedNothing(const Journal& journal)
{
    if (journal.results.size() < journal.changes.size()) return false;
    return std::all_of(journal.results.begin(), journal.results.end(),
                       [](const auto& r) { return r.second.outcome == Outcome::NotDone; });
}

// ---- Writing ---------------------------------------------------------------------

struct Writer::Sink {
    std::unique_ptr<AppendFile> file;
    // Result lines not yet written: they go out in pieces, since a run
    // killed before they reach the file is undone from the files' states.
    std::string pending;
    static constexpr std::size_t kPiece = 64 * 1024;

    void WritePending()
    {
        file->Write(pending);
        pending.clear();
    }
};

Writer::Writer(std::string file) : file_(std::move(file)), sink_(std::make_unique<Sink>()) {}

Writer::~Writer() { Finish(); }

void Writer::Plan(Change change) { changes_.push_back(std::move(change)); }

void Writer::Commit(std::vector<std::string> command)
{
    try {
        const fs::path path = FsPath(file_);
        if (path.has_parent_path()) fs::create_directories(path.parent_path());
        std::string text;
        SealLine(MembersOf({{"type", "header"},
                            {"format", kFormat},
                            {"command", std::move(command)},
                            {"started", UtcNow()},
                            {"planned", changes_.size()}}),
                 check_, text);
        sink_->file = std::make_unique<AppendFile>(file_, true);
        // Written in pieces, so the plan of a long run is never whole in memory.
        constexpr std::size_t kPlanPiece = 256 * 1024;
        text.reserve(kPlanPiece + 4096);
        for (std::size_t i = 0; i < changes_.size(); ++i) {
            SealLine(ChangeMembers(changes_[i], i), check_, text);
            // Written; what a result needs of the change is kept.
            std::string().swap(changes_[i].area);
            std::string().swap(changes_[i].then);
            if (text.size() >= kPlanPiece) {
                sink_->file->Write(text);
                text.clear();
            }
        }
        sink_->file->Write(text);
        sink_->file->Sync();
    } catch (const std::exception& e) {
        if (sink_->file) {
            // A plan cut short tells undo nothing: the run changes nothing.
            sink_->file.reset();
            std::error_code ignored;
            fs::remove(FsPath(file_), ignored);
        }
        throw JournalError(Where(file_) + "it cannot be written: " + e.what());
    }
}

void Writer::Record(std::size_t index, const Result& result)
{
    if (!sink_->file) throw JournalError(Where(file_) + "the journal was not begun");
    LineText line("result");
    line.Int("seq", static_cast<std::int64_t>(index)).String("outcome", OutcomeName(result.outcome));
    if (result.left)
        line.String("left", *result.left);
    else
        line.Null("left");
    try {
        SealLine(std::move(line).Members(), check_, sink_->pending);
        // A file left damaged is told at once: only its line lets undo
        // recognise the state the run left it in.
        if (result.outcome == Outcome::Damaged || sink_->pending.size() >= Sink::kPiece) sink_->WritePending();
    } catch (const std::exception& e) {
        throw JournalError(Where(file_) + "it cannot be written: " + e.what());
    }
}

void Writer::Finish() noexcept
{
    if (!sink_ || !sink_->file) return;
    try {
        // Written, not synced: the plan was, and a result lost to a crash is
        // read off the file itself when the run is undone.
        sink_->WritePending();
    } catch (const std::exception&) {
        // Each line went out whole; a lost end costs only results.
    }
    sink_->file.reset();
}

void AppendUndone(const Journal& journal, std::size_t reverted, std::size_t left)
{
    try {
        const fs::path path = FsPath(journal.file);
        if (fs::file_size(path) > journal.wholeBytes) {
            platform::detail::CheckFileCall(platform::FileCall::Truncate);
            fs::resize_file(path, journal.wholeBytes);
        }
        AppendFile file(journal.file, false);
        std::string check = journal.lastCheck;
        const json members{{"type", "undone"}, {"time", UtcNow()}, {"reverted", reverted}, {"left", left}};
        std::string text;
        if (journal.header.format == 1) {
            // Sealed as format 1 sealed every line.
            check = HashText(Fnv1a64(members.dump(), Fnv1a64(check)));
            text = std::string(kCheckStart) + check + "\"," + members.dump().substr(1) + '\n';
        } else {
            SealLine(MembersOf(members), check, text);
        }
        file.Write(text);
        file.Sync();
    } catch (const std::exception& e) {
        throw JournalError(Where(journal.file) + "it cannot be written: " + e.what());
    }
}

// ---- Where journals live --------------------------------------------------------

std::string JournalFolder()
{
    if (std::string dir = GetEnv("SONRIK_STATE_DIR"); !dir.empty()) return dir;
#ifdef _WIN32
    if (const std::string local = GetEnv("LOCALAPPDATA"); !local.empty()) return PathBytes(FsPath(local) / "sonrik");
    throw JournalError("neither SONRIK_STATE_DIR nor LOCALAPPDATA is set, so there is no folder for journals");
#else
    if (const std::string state = GetEnv("XDG_STATE_HOME"); !state.empty()) return state + "/sonrik";
    if (const std::string home = GetEnv("HOME"); !home.empty()) return home + "/.local/state/sonrik";
    throw JournalError("neither SONRIK_STATE_DIR, XDG_STATE_HOME nor HOME is set, so there is no folder for journals");
#endif
}

std::string UtcNow()
{
    const auto now = std::chrono::system_clock::now();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm utc{};
#ifdef _WIN32
    // The C runtime's gmtime keeps its result per thread (gmtime_s is not
    // in every system's runtime).
    utc = *std::gmtime(&seconds);
#else
    gmtime_r(&seconds, &utc);
#endif
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900, utc.tm_mon + 1,
                  utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, static_cast<int>(ms));
    return text;
}

std::string NewJournalPath(const std::string& folder)
{
    // 2024-05-01T12:00:00.123Z -> 20240501T120000123Z
    std::string stamp;
    for (const char c : UtcNow())
        if (c != '-' && c != ':' && c != '.') stamp += c;
#ifdef _WIN32
    const int pid = ::_getpid();
#else
    const int pid = static_cast<int>(::getpid());
#endif
    return PathBytes(FsPath(folder) / (stamp + "-" + std::to_string(pid) + std::string(kExtension)));
}

std::vector<std::string> ListJournals(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(FsPath(folder), error), end; !error && it != end; it.increment(error))
        if (it->path().extension() == kExtension && it->is_regular_file(error)) names.push_back(PathBytes(it->path()));
    std::sort(names.rbegin(), names.rend());
    return names;
}

}  // namespace sonrik::journal
