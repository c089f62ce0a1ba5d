#include "batch/templates.h"

#include "platform/platform.h"
#include "sonrik/history_file.h"
#include "text/text.h"
#include "twID3/twID3.h"

#include <algorithm>
#include <array>
#include <exception>
#include <iterator>
#include <map>
#include <memory>
#include <unordered_map>

namespace sonrik::batch {

namespace {

constexpr std::string_view kMp3 = ".mp3";
#ifdef _WIN32
constexpr char kSystemDelimiter = '\\';
#else
constexpr char kSystemDelimiter = '/';
#endif

// The characters that end a folder, drive letters' ':' included.
std::string_view NameDelimiters(PathStyle style) { return style == PathStyle::Windows ? "\\/:" : "/"; }

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

// A template as a row of literal texts and placeholders. A placeholder runs
// from a '<' to the next '>' (a second '<' is part of it); a '>' outside one
// is literal text. A placeholder that no '>' closes is still a piece.
struct TemplatePiece {
    bool placeholder = false;
    bool closed = false;
    std::string text;      // literal text, or the name compared ("<TITLE")
    std::string_view raw;  // as written in the template
    std::size_t at = 0;    // position in the template
};

std::vector<TemplatePiece> SplitTemplate(std::string_view templ)
{
    std::vector<TemplatePiece> pieces;
    for (std::size_t i = 0; i < templ.size(); ++i) {
        const char ch = templ[i];
        const bool inPlaceholder = !pieces.empty() && pieces.back().placeholder && !pieces.back().closed;
        const bool inLiteral = !pieces.empty() && !pieces.back().placeholder;
        if (!inPlaceholder && (ch == '<' || !inLiteral)) pieces.push_back({ch == '<', false, {}, {}, i});
        TemplatePiece& piece = pieces.back();
        piece.raw = templ.substr(piece.at, i + 1 - piece.at);
        if (piece.placeholder && ch == '>')
            piece.closed = true;
        else
            piece.text += piece.placeholder ? AsciiUpper(ch) : ch;
    }
    return pieces;
}

}  // namespace

struct TemplateContext::SplitCache {
    std::string templ;
    std::vector<TemplatePiece> pieces;  // their `raw` views point into `templ`
};

// The pieces of `templ`, cut once for all the records of a test.
struct TemplateSplit {
    static const std::vector<TemplatePiece>& Of(const TemplateContext& context, std::string_view templ)
    {
        auto& cache = context.split_;
        if (!cache || cache->templ != templ) {
            cache = std::make_unique<TemplateContext::SplitCache>();
            cache->templ = templ;
            cache->pieces = SplitTemplate(cache->templ);
        }
        return cache->pieces;
    }
};

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
    if (base.size() < 4 || !(SameAsciiText(base.substr(0, 3), "COM") || SameAsciiText(base.substr(0, 3), "LPT")))
        return false;
    // The superscript digits count as digits: one byte in code page 1252,
    // two in the UTF-8 names of the command line.
    std::string_view number = base.substr(3);
    if (number.size() == 2 && number[0] == '\xC2') number.remove_prefix(1);
    if (number.size() != 1) return false;
    const auto digit = static_cast<unsigned char>(number[0]);
    return (digit >= '1' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
}

std::string JoinPath(std::string_view folder, std::string_view name, PathStyle style)
{
    std::string path(folder);
    if (!folder.empty() && NameDelimiters(style).find(folder.back()) == std::string_view::npos) {
        const auto last = folder.find_last_of("\\/");
        path += style == PathStyle::Posix             ? '/'
                : last == std::string_view::npos ? kSystemDelimiter
                                                 : folder[last];
    }
    path += name;
    return path;
}

std::string FileNameOf(std::string_view path, PathStyle style)
{
    const auto last = path.find_last_of(NameDelimiters(style));
    return std::string(last == std::string_view::npos ? path : path.substr(last + 1));
}

std::string FolderOf(std::string_view path, PathStyle style)
{
    const auto last = path.find_last_of(NameDelimiters(style));
    if (last == std::string_view::npos) return {};
    const std::string_view withDelimiter = path.substr(0, last + 1);
    const std::string_view without = path.substr(0, last);
    const bool drive =
        style == PathStyle::Windows && (path[last] == ':' || (!without.empty() && without.back() == ':'));
    return std::string(drive || without.empty() ? withDelimiter : without);
}

bool HasMp3Extension(std::string_view path, PathStyle style)
{
    const std::string name = FileNameOf(path, style);
    const auto dot = name.rfind('.');
    return dot != std::string::npos && text::SameIgnoringCase(std::string_view(name).substr(dot), kMp3);
}

std::string CurrentFileName(const TFTag& tag, PathStyle style)
{
    std::string name = FileNameOf(tag.FilePath, style);
    if (HasMp3Extension(name, style)) name.resize(name.size() - kMp3.size());
    return name;
}

std::string RecordFolder(const TFTag& tag, PathStyle style) { return FolderOf(tag.FilePath, style); }

// ---- Context ---------------------------------------------------------------------

NameFiles SystemNameFiles()
{
    return {[](const std::string& name) { return platform::FileExists(name); },
            [](const std::string& a, const std::string& b) { return platform::SameFileEntry(a, b); },
            [](const std::string& folder) -> NameFiles::FolderLookup {
                auto files = std::make_shared<const platform::FolderFiles>(folder);
                return [files](const std::string& path) { return files->Contains(path); };
            },
            [](const std::string& folder, const std::string& name) { return platform::NameFits(folder, name); },
            [](const std::string& folder) { return platform::FolderWritable(folder); }};
}

// How many times each path stands in the records, as `FilePath` or `NewPath`.
struct TemplateContext::PathIndex {
    std::unordered_map<std::string, int> counts;
    // Each folder's look-up, read when its first name is checked; empty when
    // the folder could not be read.
    std::unordered_map<std::string, NameFiles::FolderLookup> folders;
    // Whether each folder takes new names, asked once.
    std::unordered_map<std::string, bool> writable;

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

bool TemplateContext::FolderWritable(const std::string& folder) const
{
    if (!files_.folderWritable) return true;
    if (!index_) return files_.folderWritable(folder);
    auto [found, added] = index_->writable.try_emplace(folder, true);
    if (added) found->second = files_.folderWritable(folder);
    return found->second;
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

void TemplateContext::SetFilePath(std::size_t index, std::string path)
{
    TFTag& tag = tags_.at(index);
    if (index_) {
        index_->remove(tag.FilePath);
        index_->add(path);
    }
    tag.FilePath = std::move(path);
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

// ---- Template check ----------------------------------------------------------------

std::optional<TemplateProblem> CheckTemplate(std::string_view templ, TemplateUse use)
{
    const std::vector<TemplatePiece> pieces = SplitTemplate(templ);
    bool recognised = false, cutAt = false;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const TemplatePiece& piece = pieces[i];
        if (!piece.placeholder) continue;
        const std::string written(piece.raw);
        if (!piece.closed)
            return TemplateProblem{TemplateFault::Unclosed, "the '<' at position " + std::to_string(piece.at + 1) +
                                                                " is never closed by a '>'"};
        const Placeholder* known = FindPlaceholder(piece.text);
        if (!known) {
            std::string names;
            for (const Placeholder& p : kPlaceholders) names += (names.empty() ? "" : ", ") + std::string(p.name) + ">";
            return TemplateProblem{TemplateFault::Unknown,
                                   "unknown placeholder " + written + " (known: " + names + ")"};
        }
        if (use == TemplateUse::Rename && !known->makesName)
            return TemplateProblem{TemplateFault::NotInNames, written + " puts nothing into a file name"};
        recognised = true;
        cutAt = cutAt || (i > 0 && !pieces[i - 1].placeholder);
    }
    if (!recognised)
        return TemplateProblem{TemplateFault::NoPlaceholder,
                               "the template has no placeholder such as <ARTIST> or <TITLE>"};
    if (use == TemplateUse::Fill && !cutAt)
        return TemplateProblem{TemplateFault::NothingToCutAt,
                               "the template has no text before a placeholder to cut a file name at"};
    return std::nullopt;
}

// ---- Tag values to a file name -----------------------------------------------------

NameProblem NameProblemOf(std::string_view name)
{
    if (name.empty()) return NameProblem::Empty;
    if (IsReservedDeviceName(name)) return NameProblem::DeviceName;
    return EndsWithContent(name) ? NameProblem::None : NameProblem::BadEnding;
}

std::string_view NameProblemText(NameProblem problem)
{
    switch (problem) {
    case NameProblem::Empty: return "the new name is empty";
    case NameProblem::DeviceName: return "the new name is the name of a device";
    case NameProblem::BadEnding: return "the new name ends in a blank, '-', '_' or '&'";
    case NameProblem::TooLong: return "the new name is longer than the file system allows";
    case NameProblem::FolderNotWritable: return "the folder cannot be written: the system would refuse the rename";
    case NameProblem::None: break;
    }
    return {};
}

namespace {

// The check of a new name against the records and against `exists`, the
// disk as the caller sees it: a test pass's listing, or the files of an Apply.
NameCheck CheckNameOn(const TemplateContext& context, std::size_t index, std::string_view folder,
                      std::string_view name, const std::function<bool(const std::string&)>& exists,
                      const std::function<bool(const std::string&, const std::string&)>& sameEntry)
{
    const NameProblem problem = NameProblemOf(name);
    if (problem == NameProblem::Empty || problem == NameProblem::DeviceName) return {stTestError, problem};
    const std::string fileName = std::string(name) + std::string(kMp3);
    const std::string folderText(folder);
    if (context.files().nameFits && !context.files().nameFits(folderText, fileName))
        return {stTestError, NameProblem::TooLong};
    const std::string target = JoinPath(folder, fileName, context.pathStyle);
    const auto& tags = context.tags();
    const bool onDisk = exists(target) && !(index < tags.size() && target != tags[index].FilePath &&
                                            sameEntry(target, tags[index].FilePath));
    if (onDisk || context.IsNameTaken(target, index)) return {stFileExists, NameProblem::None};
    if (problem != NameProblem::None) return {stTestError, problem};
    if (!context.FolderWritable(folderText)) return {stTestError, NameProblem::FolderNotWritable};
    return {stTestOk, NameProblem::None};
}

// The name `templ` makes of the record's values, cleaned of forbidden characters.
std::string NameFromTemplate(const TemplateContext& context, const TFTag& tag, std::string_view templ)
{
    std::string name;
    for (const TemplatePiece& piece : TemplateSplit::Of(context, templ)) {
        if (!piece.placeholder) {
            name += piece.text;
            continue;
        }
        const Placeholder* p = piece.closed ? FindPlaceholder(piece.text) : nullptr;
        if (!p || !p->makesName) continue;
        const std::string& value = *NameText(tag, p->kind);
        const auto track = p->kind == fkTrack && context.trackWidth > 0 ? TrackNumberValue(value) : std::nullopt;
        if (!track) {
            name = AppendPart(std::move(name), value);
            continue;
        }
        const std::string digits = std::to_string(*track);
        const auto width = static_cast<std::size_t>(context.trackWidth);
        name += std::string(width > digits.size() ? width - digits.size() : 0, '0') + digits;
    }
    return StripForbiddenChars(name);
}

// The path of the record's new name in its folder.
std::string NewPathOf(const TemplateContext& context, const TFTag& tag, std::string_view name)
{
    return JoinPath(RecordFolder(tag, context.pathStyle), std::string(name) + std::string(kMp3), context.pathStyle);
}

}  // namespace

NameCheck CheckName(const TemplateContext& context, std::size_t index, std::string_view folder, std::string_view name)
{
    const std::string folderText(folder);
    return CheckNameOn(
        context, index, folder, name, [&](const std::string& path) { return context.FileExists(folderText, path); },
        context.files().sameEntry);
}

TRowStatus CheckNewName(const TemplateContext& context, std::size_t index, std::string_view folder,
                        std::string_view name)
{
    return CheckName(context, index, folder, name).status;
}

TRowStatus MakeNewName(TemplateContext& context, std::size_t index, std::string_view templ)
{
    return TestRenameWithReason(context, index, templ).check.status;
}

RenameTest TestRenameWithReason(TemplateContext& context, std::size_t index, std::string_view templ)
{
    RenameTest test;
    try {
        TFTag& tag = context.tags().at(index);
        test.name = NameFromTemplate(context, tag, templ);
        test.check = CheckName(context, index, RecordFolder(tag, context.pathStyle), test.name);
        tag.RenameReady = test.check.status == stTestOk;
        tag.NewName = tag.RenameReady ? test.name : CurrentFileName(tag, context.pathStyle);
    } catch (const std::exception&) {
        test.check = {stTestError, NameProblem::None};
    }
    return test;
}

TRowStatus TestRename(TemplateContext& context, std::size_t index, std::string_view templ)
{
    TFTag& tag = context.tags().at(index);
    tag.Status = MakeNewName(context, index, templ);
    // A record that fails keeps no target: Apply would not rename it, so its
    // target of an earlier pass must not hold a name from the others.
    context.SetNewPath(index, tag.Status == stTestOk ? NewPathOf(context, tag, tag.NewName) : std::string());
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
    typed.status = CheckNewName(context, index, RecordFolder(tag, context.pathStyle), typed.text);
    tag.NewName = typed.text;
    tag.Status = typed.status;
    tag.RenameReady = typed.status == stTestOk;
    context.SetNewPath(index, tag.RenameReady ? NewPathOf(context, tag, typed.text) : std::string());
    return typed;
}

// ---- Renaming ----------------------------------------------------------------------

RenameFiles SystemRenameFiles(PathStyle style)
{
    // Each folder is read once for every name asked in it (under Wine a name
    // that is not there costs a walk over the whole folder), and the renames
    // made through these files are kept in what was read.
    auto folders = std::make_shared<std::map<std::string, std::optional<platform::FolderFiles>>>();
    const auto listing = [folders, style](const std::string& path) -> platform::FolderFiles* {
        auto [folder, added] = folders->try_emplace(FolderOf(path, style));
        if (added) {
            try {
                folder->second.emplace(folder->first);
            } catch (const std::exception&) {
                // An unreadable folder may still let its files be looked up by name.
            }
        }
        return folder->second ? &*folder->second : nullptr;
    };
    return {[listing](const std::string& name) {
                const platform::FolderFiles* files = listing(name);
                return files ? files->Contains(name) : platform::FileExists(name);
            },
            [](const std::string& a, const std::string& b) { return platform::SameFileEntry(a, b); },
            [listing](const std::string& from, const std::string& to) {
                platform::RenameFile(from, to);
                if (platform::FolderFiles* files = listing(from)) files->Remove(from);
                if (platform::FolderFiles* files = listing(to)) files->Add(to);
            },
            kNativePathStyle == PathStyle::Posix};
}

namespace {

std::string RefusalText(const std::exception& error)
{
    if (const auto* io = dynamic_cast<const IoError*>(&error))
        return io->systemText() + " (OS error " + std::to_string(io->systemNumber()) + ")";
    return error.what();
}

}  // namespace

RenameOutcome RenameToNewPath(const RenameFiles& files, const std::string& from, const std::string& to, PathStyle style,
                              std::string* temporaryPath, std::string* refusal)
{
    const auto refused = [refusal](const std::exception& e) {
        if (refusal) *refusal = RefusalText(e);
        return RenameOutcome::Failed;
    };
    try {
        if (from == to) return RenameOutcome::TargetExists;
        if (files.refusesOwnName) {
            // Looked up only after a refusal: a look-up per file would cost
            // as much as the rename.
            try {
                files.rename(from, to);
                return RenameOutcome::Renamed;
            } catch (const std::exception& e) {
                if (!files.exists(to)) return refused(e);
            }
        } else if (!files.exists(to)) {
            files.rename(from, to);
            return RenameOutcome::Renamed;
        }
        if (!files.sameEntry(from, to)) return RenameOutcome::TargetExists;
        // The system found the target in the file itself (it ignores letter
        // case): go round it, through a name beside the file (its folder
        // spelled as in `from`).
        const std::string name = FileNameOf(from, style);
        const std::string folder = from.substr(0, from.size() - name.size());
        std::string temporary;
        for (int n = 0; temporary.empty() || files.exists(temporary); ++n)
            temporary = folder + "~" + name + "." + std::to_string(n) + ".tmp";
        files.rename(from, temporary);
        try {
            files.rename(temporary, to);
        } catch (const std::exception& e) {
            try {
                files.rename(temporary, from);
            } catch (const std::exception&) {
                // Nothing more can be done: the file keeps the temporary name.
                if (temporaryPath) *temporaryPath = temporary;
                refused(e);
                return RenameOutcome::LeftAtTemporary;
            }
            return refused(e);
        }
        return RenameOutcome::Renamed;
    } catch (const std::exception& e) {
        return refused(e);
    }
}

TRowStatus ApplyRename(TemplateContext& context, std::size_t index, const RenameFiles& files, std::string* refusal)
{
    TFTag& tag = context.tags().at(index);
    if (!tag.RenameReady) return tag.Status;
    try {
        // The test's check again, on the disk as it is now; where the rename
        // refuses a taken name itself, the disk is left to it.
        const auto onDisk = files.refusesOwnName ? [](const std::string&) { return false; } : files.exists;
        const NameCheck check = CheckNameOn(context, index, RecordFolder(tag, context.pathStyle), tag.NewName,
                                            onDisk, files.sameEntry);
        if (check.status != stTestOk) return tag.Status = check.status;
    } catch (const std::exception&) {
        return tag.Status = stNoChanges;
    }
    std::string temporary;
    switch (RenameToNewPath(files, tag.FilePath, tag.NewPath, context.pathStyle, &temporary, refusal)) {
    case RenameOutcome::TargetExists: return tag.Status = stFileExists;
    case RenameOutcome::Failed: return tag.Status = stNoChanges;
    case RenameOutcome::LeftAtTemporary: context.SetFilePath(index, temporary); return tag.Status = stNoChanges;
    case RenameOutcome::Renamed: break;
    }
    context.SetFilePath(index, tag.NewPath);
    return tag.Status = stRenamed;
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

namespace {

// FillFromName on one record with the context's options; with `unused`, the
// text of the name that no piece took, from the end of the last piece on.
TRowStatus FillRecordFromName(const TemplateContext& context, TFTag& tag, std::string_view templ,
                              std::string* unused = nullptr)
{
    std::string rest = CurrentFileName(tag, context.pathStyle);
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

    std::string separator, previous;
    for (const TemplatePiece& piece : TemplateSplit::Of(context, templ)) {
        if (!piece.placeholder) {
            separator += piece.text;
            continue;
        }
        if (!separator.empty()) {
            // The piece of the placeholder before this separator.
            if (!previous.empty() && rest.starts_with(previous)) rest.erase(0, previous.size());
            const std::string value = TextBefore(rest, separator);
            rest.erase(0, value.size());
            store(value);
            previous = std::move(separator);
            separator.clear();
        }
        if (const Placeholder* p = piece.closed ? FindPlaceholder(piece.text) : nullptr) kind = p->kind;
    }
    if (!previous.empty() && !rest.empty()) {
        // The piece of the last placeholder: after the separator that
        // precedes it, up to that separator's next occurrence.
        std::string_view value;
        std::size_t end = 0;
        if (const auto at = rest.find(previous); at != std::string::npos) {
            value = std::string_view(rest).substr(at + previous.size());
            value = value.substr(0, value.find(previous));
            end = at + previous.size() + value.size();
        }
        store(value);
        if (unused) *unused = rest.substr(end);
    }
    return refused ? stTestError : result;
}

}  // namespace

TRowStatus FillFromName(TemplateContext& context, std::size_t index, std::string_view templ)
{
    try {
        return FillRecordFromName(context, context.tags().at(index), templ);
    } catch (const std::exception&) {
        return stTestError;
    }
}

FillPreview PreviewFill(const TemplateContext& context, std::size_t index, std::string_view templ)
{
    FillPreview preview;
    try {
        const TFTag& tag = context.tags().at(index);
        TFTag filled = tag;
        preview.status = FillRecordFromName(context, filled, templ, &preview.unused);
        for (std::uint8_t kind = 0; kind < fkStatus; ++kind)
            if (*FieldMark(filled, kind))
                preview.changes.push_back({TFieldKind(kind), *FieldText(tag, kind), *FieldText(filled, kind)});
    } catch (const std::exception&) {
        preview = {};
    }
    return preview;
}

// ---- Writing the marked fields ---------------------------------------------------

AttributeFiles SystemAttributeFiles() { return {platform::GetFileAttributeWord, platform::SetFileAttributeWord}; }

bool SetMarkedFields(twID3::TtwID3v1& v1, const TFTag& tag)
{
    const auto track = TrackNumberValue(tag.TrackText);
    if (tag.TrackSet && !track) return false;
    if (tag.TitleSet) v1.SetTitle(tag.TitleText);
    if (tag.ArtistSet) v1.SetArtist(tag.ArtistText);
    if (tag.AlbumSet) v1.SetAlbum(tag.AlbumText);
    if (tag.GenreSet)
        if (const auto genre = GenreNumber(tag.GenreText)) v1.SetGenreID(*genre);
    if (tag.YearSet) v1.SetYear(tag.YearText);
    if (tag.CommentSet) v1.SetComment(tag.CommentText);
    if (tag.TrackSet) v1.SetTrackNo(*track);
    return true;
}

TagWrite ApplyFields(twID3::TtwID3& id3, TFTag& tag, ReadOnlyPolicy policy, const AttributeFiles& files,
                     const WriteSteps& steps)
{
    TagWrite write;
    if (tag.Status != stTestOk) return write;
    const auto settle = [&](TRowStatus status) {
        tag.Status = status;
        if (steps.settled) steps.settled();
        return write;
    };
    // Checked before the file is touched: a track the record cannot hold
    // writes nothing.
    if (tag.TrackSet && !TrackNumberValue(tag.TrackText)) return settle(stTestError);
    try {
        id3.LoadFromFile(tag.FilePath);
        if (steps.loaded) steps.loaded(id3);
    } catch (const std::exception& e) {
        // The tag object would still hold the previous file's values.
        write.error = e.what();
        return settle(stWriteError);
    }
    SetMarkedFields(id3.ID3v1(), tag);
    bool marked = false;
    for (std::uint8_t kind = 0; kind < fkStatus; ++kind) marked = marked || *FieldMark(tag, kind);
    if (!marked) return settle(stNoChanges);

    platform::FileAttributes attributes = 0;
    try {
        attributes = files.get(tag.FilePath);
    } catch (const std::exception&) {
        // Attributes that cannot be read count as those of a writable file;
        // the write that follows says whether it was.
    }
    write.readOnly = (attributes & platform::kAttributeReadOnly) != 0;
    if (write.readOnly) {
        if (policy == ReadOnlyPolicy::Leave || (steps.beforeRemove && !steps.beforeRemove(tag.FilePath))) {
            write.leftAlone = true;
            return settle(tag.Status);
        }
        try {
            files.set(tag.FilePath, attributes & ~platform::kAttributeReadOnly);
        } catch (const std::exception&) {
            // Not reported here: the write that follows fails and says so.
        }
    }
    TRowStatus status = stWriteError;
    try {
        id3.SaveToFile(tag.FilePath);
        // A save that completed without success wrote nothing usable.
        if (id3.Success() == twID3::id3Success) status = stTagsRecorded;
        else write.error = twID3::StateName(id3.Success());
    } catch (const std::exception& e) {
        write.error = e.what();
    }
    settle(status);
    if (write.readOnly && policy == ReadOnlyPolicy::WriteAndRestore) {
        if (steps.beforeRestore) steps.beforeRestore();
        try {
            files.set(tag.FilePath, attributes);
        } catch (const std::exception&) {
            write.restoreFailed = true;
        }
    }
    return write;
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

}  // namespace sonrik::batch
