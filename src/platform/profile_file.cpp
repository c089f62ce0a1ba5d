#include "platform/profile_file.h"

#include "platform/platform.h"

#include <algorithm>
#include <vector>

namespace sonrik::platform::profile {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kLineEnd = "\r\n";
constexpr int kInvalidParameter = 87;  // ERROR_INVALID_PARAMETER

// The system's parser also skips Ctrl-Z, the old end-of-file mark.
bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == '\x1a';
}

std::string_view TrimLeft(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    return s;
}

std::string_view TrimRight(std::string_view s)
{
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::string_view Trim(std::string_view s) { return TrimLeft(TrimRight(s)); }

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

// A C caller's string ends at its first NUL.
std::string_view UpToNul(std::string_view s) { return s.substr(0, s.find('\0')); }

// One line of the file: its bytes [begin, end) and where the next line starts.
struct Line {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t next = 0;
    bool terminated() const { return next != end; }
};

enum class Kind { Blank, Header, Key };

struct Entry {
    Kind kind = Kind::Blank;
    std::string_view name;                   // section name or key name
    std::optional<std::string_view> value;   // keys written with '='
};

Entry Parse(std::string_view raw)
{
    const std::string_view s = Trim(raw);
    if (s.empty()) return {};
    if (s.front() == '[') {
        if (const auto close = s.rfind(']'); close != std::string_view::npos)
            return {Kind::Header, Trim(s.substr(1, close - 1)), std::nullopt};
    }
    const auto eq = s.find('=');
    if (eq == std::string_view::npos) return {Kind::Key, s, std::nullopt};
    return {Kind::Key, TrimRight(s.substr(0, eq)), TrimLeft(s.substr(eq + 1))};
}

// The text split into lines and parsed once.
class Document {
public:
    explicit Document(std::string_view text) : text_(text)
    {
        std::size_t pos = text.substr(0, kUtf8Bom.size()) == kUtf8Bom ? kUtf8Bom.size() : 0;
        start_ = pos;
        while (pos < text.size()) {
            const auto stop = text.find_first_of("\r\n", pos);
            Line line{pos, stop == std::string_view::npos ? text.size() : stop, 0};
            line.next = line.end;
            if (line.end < text.size())
                line.next += text.compare(line.end, 2, kLineEnd) == 0 ? 2 : 1;
            lines_.push_back(line);
            entries_.push_back(Parse(text.substr(line.begin, line.end - line.begin)));
            pos = line.next;
        }
    }

    // A section's lines: [first, last). `header` is the header line, or none
    // for the lines in front of the first header.
    struct Section {
        std::optional<std::size_t> header;
        std::size_t first = 0;
        std::size_t last = 0;
    };

    std::optional<Section> findSection(std::string_view name) const
    {
        Section current{std::nullopt, 0, 0};
        bool wanted = name.empty();  // the leading section has the empty name
        for (std::size_t i = 0; i < entries_.size(); ++i) {
            if (entries_[i].kind != Kind::Header) continue;
            if (wanted) return Section{current.header, current.first, i};
            current = Section{i, i + 1, 0};
            wanted = SameName(entries_[i].name, name);
        }
        if (wanted) return Section{current.header, current.first, entries_.size()};
        return std::nullopt;
    }

    std::optional<std::size_t> findKey(const Section& section, std::string_view key) const
    {
        for (std::size_t i = section.first; i < section.last; ++i)
            if (entries_[i].kind == Kind::Key && SameName(entries_[i].name, key)) return i;
        return std::nullopt;
    }

    // Where new lines go: a position, and whether the line in front of it
    // still needs its line end.
    struct Insertion {
        std::size_t at = 0;
        bool breakFirst = false;
    };

    // A new key of the section goes after its last non-blank line.
    Insertion keyInsertion(const Section& section) const
    {
        for (std::size_t i = section.last; i > section.first; --i) {
            if (entries_[i - 1].kind != Kind::Blank) return after(i - 1);
        }
        return section.header ? after(*section.header) : Insertion{start_, false};
    }

    // A new section goes at the very end, on a line of its own.
    Insertion sectionInsertion() const
    {
        return lines_.empty() ? Insertion{text_.size(), false} : after(lines_.size() - 1);
    }

    const Entry& entry(std::size_t i) const { return entries_[i]; }
    const Line& line(std::size_t i) const { return lines_[i]; }

private:
    Insertion after(std::size_t i) const { return {lines_[i].next, !lines_[i].terminated()}; }

    std::string_view text_;
    std::size_t start_ = 0;
    std::vector<Line> lines_;
    std::vector<Entry> entries_;
};

// What the read call hands back: quotes taken off a value enclosed in a
// matching pair, then cut to the buffer.
std::string Delivered(std::string_view value)
{
    value = UpToNul(value);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::string(value.substr(0, kMaxProfileValueLength));
}

// The read call drops trailing spaces of the default, but never its first character.
std::string_view TrimDefault(std::string_view value)
{
    value = UpToNul(value);
    while (value.size() > 1 && value.back() == ' ') value.remove_suffix(1);
    return value;
}

void CheckWritable(std::string_view section, std::string_view key, std::string_view value)
{
    constexpr std::string_view breaks("\r\n\0", 3);
    const bool broken = section.find_first_of(breaks) != std::string_view::npos ||
                        key.find_first_of(breaks) != std::string_view::npos ||
                        value.find_first_of(breaks) != std::string_view::npos ||
                        key.find('=') != std::string_view::npos;
    if (broken) throw IoError(kInvalidParameter);
}

std::string Spliced(std::string_view text, std::size_t from, std::size_t to, std::string_view with)
{
    std::string out;
    out.reserve(text.size() + with.size());
    out.append(text.substr(0, from)).append(with).append(text.substr(to));
    return out;
}

std::string Inserted(std::string_view text, const Document::Insertion& where, std::string_view lines)
{
    std::string with = where.breakFirst ? std::string(kLineEnd) : std::string();
    with.append(lines);
    return Spliced(text, where.at, where.at, with);
}

std::string KeyLine(std::string_view name, std::string_view value)
{
    std::string line(name);
    line.append("=").append(value).append(kLineEnd);
    return line;
}

// The file's bytes; throws IoError when it cannot be read (code 2 when missing).
std::string FileText(const std::string& file)
{
    File in = File::open(file, OpenMode::Read);
    std::string text(static_cast<std::size_t>(in.size()), '\0');
    text.resize(in.read(text.data(), text.size()));
    return text;
}

}  // namespace

std::string ValueIn(std::string_view text, std::string_view section, std::string_view key,
                    std::string_view defaultValue)
{
    const Document doc(text);
    if (const auto sec = doc.findSection(Trim(UpToNul(section)))) {
        if (const auto at = doc.findKey(*sec, Trim(UpToNul(key))); at && doc.entry(*at).value)
            return Delivered(*doc.entry(*at).value);
    }
    return Delivered(TrimDefault(defaultValue));
}

std::optional<std::string> WithValue(std::string_view text, std::string_view section,
                                     std::string_view key, std::string_view value)
{
    CheckWritable(section, key, value);
    // The system strips only the leading blanks of names it writes and of the value.
    const std::string_view newValue = TrimLeft(value);
    const Document doc(text);
    const auto sec = doc.findSection(Trim(section));
    if (!sec) {
        const std::string header = "[" + std::string(TrimLeft(section)) + "]" + std::string(kLineEnd);
        return Inserted(text, doc.sectionInsertion(), header + KeyLine(TrimLeft(key), newValue));
    }
    if (const auto found = doc.findKey(*sec, Trim(key))) {
        const Entry& entry = doc.entry(*found);
        if (entry.value == newValue) return std::nullopt;
        const Line& line = doc.line(*found);
        return Spliced(text, line.begin, line.next, KeyLine(entry.name, newValue));
    }
    return Inserted(text, doc.keyInsertion(*sec), KeyLine(TrimLeft(key), newValue));
}

std::string ReadString(const std::string& file, std::string_view section, std::string_view key,
                       std::string_view defaultValue)
{
    std::string text;
    try {
        text = FileText(file);
    } catch (const IoError&) {
        // Like the system: a file that cannot be read gives the default.
    }
    return ValueIn(text, section, key, defaultValue);
}

void WriteString(const std::string& file, std::string_view section, std::string_view key,
                 std::string_view value)
{
    CheckWritable(section, key, value);
    std::string text;
    try {
        text = FileText(file);
    } catch (const IoError& e) {
        // Only a missing file starts empty; one that exists but cannot be read
        // must not be replaced by a file holding our value alone.
        if (e.code() != ioerr::FileNotFound) throw;
    }
    if (const auto edited = WithValue(text, section, key, value))
        ReplaceFileContents(file, *edited);
}

}  // namespace sonrik::platform::profile
