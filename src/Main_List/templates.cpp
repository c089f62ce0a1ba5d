#include "Main_List/templates.h"

#include "platform/platform.h"
#include "sonrik/history_file.h"
#include "text/text.h"
#include "twID3/twID3.h"

#include <algorithm>
#include <array>
#include <exception>
#include <iterator>
#include <memory>
#include <unordered_map>

namespace sonrik::list {

namespace {

constexpr std::string_view kMp3 = ".mp3";
constexpr std::string_view kPathDelimiters = "\\/";
constexpr std::string_view kNameDelimiters = "\\/:";
#ifdef _WIN32
constexpr char kSystemDelimiter = '\\';
#else
constexpr char kSystemDelimiter = '/';
#endif

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Device names are ASCII words whatever the code page.
bool SameAsciiText(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return AsciiUpper(x) == AsciiUpper(y); });
}

bool IsForbidden(char c)
{
    constexpr std::string_view kForbidden = "\":*,\\/?<>|$=";
    return static_cast<unsigned char>(c) < 32 || kForbidden.find(c) != std::string_view::npos;
}

// A placeholder by the name that is compared (from '<' up to, without, '>').
struct Placeholder {
    std::string_view name;
    TFieldKind kind;
    bool makesName;  // used for tag values to file names
};
constexpr std::array<Placeholder, 7> kPlaceholders = {{
    {"<TITLE", fkTitle, true},
    {"<ARTIST", fkArtist, true},
    {"<ALBUM", fkAlbum, true},
    {"<TRACK NUM", fkTrack, true},
    {"<COMMENT", fkComment, true},
    {"<GENRE", fkGenre, true},
    {"<YEAR", fkYear, false},
}};

const Placeholder* FindPlaceholder(std::string_view name)
{
    const auto it = std::find_if(kPlaceholders.begin(), kPlaceholders.end(),
                                 [name](const Placeholder& p) { return p.name == name; });
    return it == kPlaceholders.end() ? nullptr : &*it;
}

// Both names spell the record's own file: a rename in letter case only. The
// file system decides, by its own rules of letter case.
bool IsOwnRespelling(const NameFiles& files, const std::string& target, const std::string& own)
{
    return target != own && files.sameEntry(target, own);
}

}  // namespace

// ---- Text operations ---------------------------------------------------------

std::string TextBefore(std::string_view text, std::string_view separator)
{
    if (separator.empty()) return std::string(text);
    return std::string(text.substr(0, text.find(separator)));
}

std::string StripForbiddenChars(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    std::copy_if(text.begin(), text.end(), std::back_inserter(result), [](char c) { return !IsForbidden(c); });
    return result;
}

bool EndsWithContent(std::string_view text)
{
    return !text.empty() && std::string_view(" -_&").find(text.back()) == std::string_view::npos;
}

std::string AppendPart(std::string name, std::string_view part)
{
    if (part.empty())
        name += ' ';
    else
        name += part;
    return name;
}

bool IsWholeNumber(std::string_view text)
{
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) text.remove_prefix(1);
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::optional<std::uint8_t> TrackNumberValue(std::string_view text)
{
    if (!IsWholeNumber(text)) return std::nullopt;
    const bool negative = text.front() == '-';
    if (text.front() == '+' || negative) text.remove_prefix(1);
    unsigned value = 0;
    for (const char c : text) {
        value = value * 10 + static_cast<unsigned>(c - '0');
        if (value > 255) return std::nullopt;  // stops before any overflow
    }
    if (negative && value != 0) return std::nullopt;
    return static_cast<std::uint8_t>(value);
}

std::optional<std::uint8_t> GenreNumber(std::string_view name)
{
    const auto& names = twID3::GenreNames;
    const auto it = std::find_if(names.begin(), names.end(),
                                 [name](std::string_view genre) { return text::SameIgnoringCase(genre, name); });
    if (it == names.end()) return std::nullopt;
    return static_cast<std::uint8_t>(it - names.begin());
}

bool IsReservedDeviceName(std::string_view name)
{
    // Windows looks at the name before its first dot, without trailing blanks.
    std::string_view base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
    for (const std::string_view device : {"CON", "PRN", "AUX", "NUL"})
        if (SameAsciiText(base, device)) return true;
    if (base.size() != 4 || !(SameAsciiText(base.substr(0, 3), "COM") || SameAsciiText(base.substr(0, 3), "LPT")))
        return false;
    const auto digit = static_cast<unsigned char>(base[3]);
    // The superscript digits of code page 1252 count as digits there.
    return (digit >= '1' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
}

std::string JoinPath(std::string_view folder, std::string_view name)
{
    std::string path(folder);
    if (!folder.empty() && kNameDelimiters.find(folder.back()) == std::string_view::npos) {
        const auto last = folder.find_last_of(kPathDelimiters);
        path += last == std::string_view::npos ? kSystemDelimiter : folder[last];
    }
    path += name;
    return path;
}

std::string FileNameOf(std::string_view path)
{
    const auto last = path.find_last_of(kNameDelimiters);
    return std::string(last == std::string_view::npos ? path : path.substr(last + 1));
}

std::string FolderOf(std::string_view path)
{
    const auto last = path.find_last_of(kNameDelimiters);
    if (last == std::string_view::npos) return {};
    const std::string_view withDelimiter = path.substr(0, last + 1);
    const std::string_view without = path.substr(0, last);
    if (path[last] == ':' || without.empty() || without.back() == ':') return std::string(withDelimiter);
    return std::string(without);
}

bool HasMp3Extension(std::string_view path)
{
    const std::string name = FileNameOf(path);
    const auto dot = name.rfind('.');
    return dot != std::string::npos && text::SameIgnoringCase(std::string_view(name).substr(dot), kMp3);
}

std::string CurrentFileName(const TFTag& tag)
{
    std::string name = FileNameOf(tag.FilePath);
    if (HasMp3Extension(name)) name.resize(name.size() - kMp3.size());
    return name;
}

std::string RecordFolder(const TFTag& tag) { return FolderOf(tag.FilePath); }

// ---- Context ---------------------------------------------------------------------

NameFiles SystemNameFiles()
{
    return {[](const std::string& name) { return platform::FileExists(name); },
            [](const std::string& a, const std::string& b) { return platform::SameFileEntry(a, b); },
            [](const std::string& folder) -> NameFiles::FolderLookup {
                auto files = std::make_shared<const platform::FolderFiles>(folder);
                return [files](const std::string& path) { return files->Contains(path); };
            }};
}

// How many times each path stands in the records, as `FilePath` or `NewPath`.
struct TemplateContext::PathIndex {
    std::unordered_map<std::string, int> counts;
    // Each folder's look-up, read when its first name is checked; empty when
    // the folder could not be read.
    std::unordered_map<std::string, NameFiles::FolderLookup> folders;

    void add(const std::string& path)
    {
        if (!path.empty()) ++counts[path];
    }
    void remove(const std::string& path)
    {
        if (path.empty()) return;
        const auto it = counts.find(path);
        if (it != counts.end() && --it->second == 0) counts.erase(it);
    }
    int count(const std::string& path) const
    {
        const auto it = counts.find(path);
        return it == counts.end() ? 0 : it->second;
    }
};

TemplateContext::TemplateContext(TTagArray& tags, NameFiles files) : tags_(tags), files_(std::move(files)) {}

TemplateContext::~TemplateContext() = default;

bool TemplateContext::IsNameTaken(const std::string& path, std::size_t self) const
{
    if (path.empty()) return false;
    const TFTag* own = self < tags_.size() ? &tags_[self] : nullptr;
    if (index_) {
        int others = index_->count(path);
        if (own) others -= (own->FilePath == path) + (own->NewPath == path);
        return others > 0;
    }
    for (const TFTag& tag : tags_)
        if (&tag != own && (tag.FilePath == path || tag.NewPath == path)) return true;
    return false;
}

bool TemplateContext::FileExists(const std::string& folder, const std::string& path) const
{
    if (!index_ || !files_.folderFiles) return files_.fileExists(path);
    auto [folderFiles, added] = index_->folders.try_emplace(folder);
    if (added) {
        try {
            folderFiles->second = files_.folderFiles(folder);
        } catch (const std::exception&) {
            // An unreadable folder may still let its files be looked up by name.
        }
    }
    return folderFiles->second ? folderFiles->second(path) : files_.fileExists(path);
}

void TemplateContext::SetNewPath(std::size_t index, std::string path)
{
    TFTag& tag = tags_.at(index);
    if (index_) {
        index_->remove(tag.NewPath);
        index_->add(path);
    }
    tag.NewPath = std::move(path);
}

TemplateContext::TestPass::TestPass(TemplateContext& context) : context_(context)
{
    auto index = std::make_unique<PathIndex>();
    index->counts.reserve(context.tags_.size() * 2);
    for (const TFTag& tag : context.tags_) {
        index->add(tag.FilePath);
        index->add(tag.NewPath);
    }
    context.index_ = std::move(index);
}

TemplateContext::TestPass::~TestPass() { context_.index_.reset(); }

// ---- Tag values to a file name -----------------------------------------------------

TRowStatus CheckNewName(const TemplateContext& context, std::size_t index, std::string_view folder,
                        std::string_view name)
{
    if (name.empty() || IsReservedDeviceName(name)) return stTestError;
    const std::string target = JoinPath(folder, std::string(name) + std::string(kMp3));
    const auto& tags = context.tags();
    const bool onDisk = context.FileExists(std::string(folder), target) &&
                        !(index < tags.size() && IsOwnRespelling(context.files(), target, tags[index].FilePath));
    if (onDisk || context.IsNameTaken(target, index)) return stFileExists;
    return EndsWithContent(name) ? stTestOk : stTestError;
}

TRowStatus MakeNewName(TemplateContext& context, std::size_t index, std::string_view templ)
{
    try {
        TFTag& tag = context.tags().at(index);
        std::string name;
        std::string placeholder;
        bool open = false;
        for (const char ch : templ) {
            if (ch == '<') open = true;
            if (ch == '>' && open) open = false;
            if (open) {
                placeholder += AsciiUpper(ch);
            } else if (!placeholder.empty()) {
                if (const Placeholder* p = FindPlaceholder(placeholder); p && p->makesName)
                    name = AppendPart(std::move(name), *FieldText(tag, p->kind));
                placeholder.clear();
            } else {
                name = AppendPart(std::move(name), std::string_view(&ch, 1));
            }
        }
        name = StripForbiddenChars(name);
        const TRowStatus result = CheckNewName(context, index, RecordFolder(tag), name);
        tag.RenameReady = result == stTestOk;
        tag.NewName = tag.RenameReady ? std::move(name) : CurrentFileName(tag);
        return result;
    } catch (const std::exception&) {
        return stTestError;
    }
}

TRowStatus TestRename(TemplateContext& context, std::size_t index, std::string_view templ)
{
    TFTag& tag = context.tags().at(index);
    tag.Status = MakeNewName(context, index, templ);
    // A record that fails keeps no target: Apply would not rename it, so its
    // target of an earlier pass must not hold a name from the others.
    context.SetNewPath(index, tag.Status == stTestOk ? JoinPath(RecordFolder(tag), tag.NewName + std::string(kMp3))
                                                     : std::string());
    return tag.Status;
}

void TestAllRenames(TemplateContext& context, std::string_view templ)
{
    const TemplateContext::TestPass pass(context);
    for (std::size_t i = 0; i < context.tags().size(); ++i) TestRename(context, i, templ);
}

TypedName CommitNewName(TemplateContext& context, std::size_t index, std::string_view text)
{
    TypedName typed;
    typed.text = StripForbiddenChars(text);
    if (!EndsWithContent(typed.text)) return typed;  // empty too: the editor stays open
    TFTag& tag = context.tags().at(index);
    typed.accepted = true;
    typed.status = CheckNewName(context, index, RecordFolder(tag), typed.text);
    tag.NewName = typed.text;
    tag.Status = typed.status;
    tag.RenameReady = typed.status == stTestOk;
    context.SetNewPath(index, tag.RenameReady ? JoinPath(RecordFolder(tag), typed.text + std::string(kMp3)) : std::string());
    return typed;
}

// ---- File name to tag values -------------------------------------------------------

TRowStatus StoreField(TFTag& tag, std::uint8_t kind, std::string_view value, bool emptyOnly)
{
    if (value.empty()) return stNotEnoughInfo;
    std::string* text = FieldText(tag, kind);
    if (!text) return stNoChanges;
    std::string stored(value);
    if (kind == fkTrack && !TrackNumberValue(value)) return stTestError;
    if (kind == fkGenre) {
        const auto genre = GenreNumber(value);
        if (!genre) return stTestError;
        stored = twID3::GenreNames[*genre];
    }
    // A file without a track number reads as track 0 (the record has no
    // other way to say "none"), so for "empty fields only" 0 counts as empty.
    const bool empty = text->empty() || (kind == fkTrack && *text == "0");
    if (!emptyOnly || empty) {
        *text = std::move(stored);
        *FieldMark(tag, kind) = true;
    }
    return stTestOk;
}

TRowStatus FillFromName(TemplateContext& context, std::size_t index, std::string_view templ)
{
    try {
        TFTag& tag = context.tags().at(index);
        std::string rest = CurrentFileName(tag);
        if (context.underscoreBySpaces) std::replace(rest.begin(), rest.end(), '_', ' ');

        TRowStatus result = stTestError;
        bool refused = false;
        // Literal text in front of the first recognised placeholder names no
        // field: its piece is skipped and nothing is stored.
        std::optional<TFieldKind> kind;
        auto store = [&](std::string_view value) {
            result = kind ? StoreField(tag, *kind, value, context.emptyOnly) : stNoChanges;
            refused = refused || result == stTestError;
        };

        std::string placeholder, separator, previous;
        bool open = false;
        for (const char ch : templ) {
            if (ch == '<') open = true;
            if (ch == '>' && open) open = false;
            if (open) {
                if (!separator.empty()) {
                    // The piece of the placeholder before this separator.
                    if (!previous.empty() && rest.starts_with(previous)) rest.erase(0, previous.size());
                    const std::string value = TextBefore(rest, separator);
                    rest.erase(0, value.size());
                    store(value);
                    previous = std::move(separator);
                    separator.clear();
                }
                placeholder += AsciiUpper(ch);
            } else if (!placeholder.empty()) {
                if (const Placeholder* p = FindPlaceholder(placeholder)) kind = p->kind;
                placeholder.clear();
            } else {
                separator += ch;
            }
        }
        if (!previous.empty() && !rest.empty()) {
            // The piece of the last placeholder: after the separator that
            // precedes it, up to that separator's next occurrence.
            std::string_view value;
            if (const auto at = rest.find(previous); at != std::string::npos) {
                value = std::string_view(rest).substr(at + previous.size());
                value = value.substr(0, value.find(previous));
            }
            store(value);
        }
        return refused ? stTestError : result;
    } catch (const std::exception&) {
        return stTestError;
    }
}

// ---- The template list ------------------------------------------------------------

std::vector<std::string> DefaultTemplates()
{
    return {"<ARTIST> - <TITLE>", "<ALBUM> - <TITLE>", "<ARTIST>-<ALBUM> - <TITLE>", "<TRACK NUM>. <TITLE>"};
}

std::vector<std::string> LoadTemplates(const std::string& path)
{
    auto templates = ReadHistorySection(path, history::kTemplates);
    return templates ? std::move(*templates) : DefaultTemplates();
}

void SaveTemplates(const std::string& path, const std::vector<std::string>& templates)
{
    ReplaceHistorySection(path, HistorySection{history::kTemplates, templates});
}

bool AddTemplate(std::vector<std::string>& templates, std::string_view text)
{
    if (text.empty() || TemplateIndex(templates, text) >= 0) return false;
    templates.emplace_back(text);
    return true;
}

int TemplateIndex(const std::vector<std::string>& templates, std::string_view wanted)
{
    const auto it = std::find_if(templates.begin(), templates.end(),
                                 [wanted](const std::string& t) { return text::SameIgnoringCase(t, wanted); });
    return it == templates.end() ? -1 : static_cast<int>(it - templates.begin());
}

std::string TemplateAt(const std::vector<std::string>& templates, int position)
{
    if (position < 0 || static_cast<std::size_t>(position) >= templates.size()) return {};
    return templates[static_cast<std::size_t>(position)];
}

}  // namespace sonrik::list
