// File-name templates such as "<ARTIST> - <TITLE>": new file names made from
// the records' tag values, tag values cut out of file names, the checks a new
// name must pass, and the list of templates kept in the history file.
//
// Nothing here knows a window: the list editor (and the command-line tool)
// hold the records and call these functions, the test as well as the Apply
// of one record (a rename, or a write of the marked fields). Texts are 8-bit
// ANSI strings, positions and letter case are byte-wise; letter case is folded
// for ASCII only unless a comment says otherwise.
#pragma once

#include "batch/record.h"
#include "platform/platform.h"
#include "sonrik/module_dir.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sonrik::twID3 {
class TtwID3;
class TtwID3v1;
}

namespace sonrik::batch {

// ---- Text operations ---------------------------------------------------------

// The text before the first occurrence of `separator` (exact search); the
// whole text when it does not occur. An empty separator occurs nowhere.
std::string TextBefore(std::string_view text, std::string_view separator);

// The text without '"', ':', '*', ',', '\', '/', '?', '<', '>', '|', '$', '='
// and without control characters (codes 0 to 31), none of which a file name
// can hold. Without the path delimiters no name can leave its folder.
std::string StripForbiddenChars(std::string_view text);

// True when the last character is none of ' ', '-', '_' and '&' (false for
// an empty text).
bool EndsWithContent(std::string_view text);

// `name` followed by `part`, or by a single space when `part` is empty.
std::string AppendPart(std::string name, std::string_view part);

// True for an optional '+' or '-' followed by one or more digits, and nothing else.
bool IsWholeNumber(std::string_view text);

// The track number written in `text` when it is a whole number from 0 to 255
// ("+7" and "007" are 7); nothing otherwise ("-3", "300", "1a", "").
std::optional<std::uint8_t> TrackNumberValue(std::string_view text);

// The number of a genre name of the genre table, letter case ignored; nothing
// for a name that is not in the table.
std::optional<std::uint8_t> GenreNumber(std::string_view name);

// True for a name that Windows takes for a device: CON, PRN, AUX, NUL,
// COM1-COM9 and LPT1-LPT9 in any letter case, alone or followed by an
// extension, blanks or dots ("con.mp3", "Lpt1.txt", "NUL ").
bool IsReservedDeviceName(std::string_view name);

// Paths, by one of two rules (PathStyle). Windows: '\' and '/' end a folder,
// and so does the ':' of a drive; the plug-in's paths come from its host and
// follow this rule on every build, which is why it is the default. POSIX:
// only '/' does, so a name may hold '\' and ':'; the command line passes
// kNativePathStyle, the rule of the system it runs on.

// `name` when `folder` is empty; `folder` + `name` when the folder ends with
// a delimiter (or a drive's ':'); otherwise the folder, a delimiter and the
// name. Windows: the delimiter the folder uses last, the system's one when it
// has none.
std::string JoinPath(std::string_view folder, std::string_view name, PathStyle style = PathStyle::Windows);

// The part of `path` after its last delimiter.
std::string FileNameOf(std::string_view path, PathStyle style = PathStyle::Windows);

// `path` up to its last delimiter, without it unless it is a drive's ':' or
// the folder is a root ("c:\", "\", "/"); empty when the path has none.
std::string FolderOf(std::string_view path, PathStyle style = PathStyle::Windows);

// The file name ends in ".mp3" in any letter case.
bool HasMp3Extension(std::string_view path, PathStyle style = PathStyle::Windows);

// The record's present name: the file name of `FilePath` without its ".mp3"
// extension, whatever its letter case.
std::string CurrentFileName(const TFTag& tag, PathStyle style = PathStyle::Windows);

// The folder of the record's `FilePath`.
std::string RecordFolder(const TFTag& tag, PathStyle style = PathStyle::Windows);

// ---- Records, options and file services ----------------------------------------

// The look-ups a name check makes on disk; a test passes its own.
struct NameFiles {
    std::function<bool(const std::string&)> fileExists;
    // Both names are spellings of one directory entry (see platform::SameFileEntry).
    std::function<bool(const std::string&, const std::string&)> sameEntry;
    // The fileExists of many paths in one folder (see platform::FolderFiles),
    // taken once per folder by a test pass. Throws when the folder cannot be
    // read; its paths are then asked one by one. Empty: always one by one.
    using FolderLookup = std::function<bool(const std::string& path)>;
    std::function<FolderLookup(const std::string& folder)> folderFiles;
    // Whether a file name (with its extension) is short enough for the
    // folder (see platform::NameFits). Empty: every name fits.
    std::function<bool(const std::string& folder, const std::string& name)> nameFits;
    // Whether the system lets files be renamed in the folder (see
    // platform::FolderWritable). Empty: every folder does.
    std::function<bool(const std::string& folder)> folderWritable;
};
NameFiles SystemNameFiles();

// The records of the list editor (held by reference: the caller owns them),
// the two options of the "File name to TAG" page and the file services, as
// the template functions need them.
class TemplateContext {
public:
    explicit TemplateContext(TTagArray& tags, NameFiles files = SystemNameFiles());
    ~TemplateContext();
    TemplateContext(const TemplateContext&) = delete;
    TemplateContext& operator=(const TemplateContext&) = delete;

    TTagArray& tags() { return tags_; }
    const TTagArray& tags() const { return tags_; }
    const NameFiles& files() const { return files_; }

    bool emptyOnly = true;           // "Replace empty fields only"
    bool underscoreBySpaces = true;  // "Replace underscore by spaces"
    // How the records' paths are cut into folder and name.
    PathStyle pathStyle = PathStyle::Windows;
    // Digits of a track number in a new name, with leading zeros ("07" from
    // track 7 with 2); 0 puts the track text in as the record holds it.
    int trackWidth = 0;

    static constexpr std::size_t kNoRecord = static_cast<std::size_t>(-1);

    // True when a record other than `self` has `FilePath` or `NewPath` exactly
    // equal to `path` (letter case counts). Within a test pass a look-up, else
    // a walk over the records.
    bool IsNameTaken(const std::string& path, std::size_t self = kNoRecord) const;

    // Whether `path`, a name in `folder`, is a file on the disk. Within a test
    // pass the folder is read once for all its names.
    bool FileExists(const std::string& folder, const std::string& path) const;

    // NameFiles::folderWritable of `folder`; within a test pass asked once a folder.
    bool FolderWritable(const std::string& folder) const;

    // Set the `NewPath` or the `FilePath` of record `index`; they keep a
    // running pass up to date.
    void SetNewPath(std::size_t index, std::string path);
    void SetFilePath(std::size_t index, std::string path);

    // One test over all records: the paths of the records are indexed once
    // when the pass begins, so each name check is a look-up, and each folder
    // is read once when its first name is checked. While a pass runs,
    // `FilePath` and `NewPath` change only through SetNewPath and
    // SetFilePath, and the files on the disk do not change (but for the
    // renames of ApplyRename, which asks its own RenameFiles).
    class TestPass {
    public:
        explicit TestPass(TemplateContext& context);
        ~TestPass();
        TestPass(const TestPass&) = delete;
        TestPass& operator=(const TestPass&) = delete;

    private:
        TemplateContext& context_;
    };

private:
    friend struct TemplateSplit;
    struct PathIndex;
    struct SplitCache;
    TTagArray& tags_;
    NameFiles files_;
    std::unique_ptr<PathIndex> index_;
    // The template last cut into pieces: a test cuts one template for every record.
    mutable std::unique_ptr<SplitCache> split_;
};

// ---- Template check ----------------------------------------------------------------

// What a template is used for: names from tags, or tags from names.
enum class TemplateUse { Rename, Fill };

enum class TemplateFault {
    Unclosed,        // a '<' that no '>' closes
    Unknown,         // a placeholder that is none of the recognised names
    NotInNames,      // <YEAR> in a template for names: it adds nothing to a name
    NoPlaceholder,   // no recognised placeholder at all
    NothingToCutAt,  // a fill template without text in front of a placeholder
};
struct TemplateProblem {
    TemplateFault fault;
    std::string message;  // English, naming the placeholder or the position
};

// The first problem of `templ` for `use`; nothing when it is usable. The list
// editor takes any template as it is (unknown placeholders add nothing); the
// command line refuses one with a problem.
std::optional<TemplateProblem> CheckTemplate(std::string_view templ, TemplateUse use);

// ---- Tag values to a file name (the "TAG to file name" page) -------------------

// Why a name cannot become the file's new name: the first four whatever the
// folder holds (NameProblemOf), the last two by what the folder takes.
enum class NameProblem { None, Empty, DeviceName, BadEnding, TooLong, FolderNotWritable };
NameProblem NameProblemOf(std::string_view name);
// "the new name is empty", ...; empty for None.
std::string_view NameProblemText(NameProblem problem);

// Whether `name` can become the new name of record `index` in `folder`:
// stTestOk (free), stFileExists (a file, or another record's path or target,
// has it) or stTestError (a NameProblem: empty, a device name, ending in a
// blank, '-', '_' or '&', too long for the folder, or a folder the system
// would not rename in). A name that differs from the file's present name in
// letter case only is free; the present name itself exists.
struct NameCheck {
    TRowStatus status = stTestError;
    NameProblem problem = NameProblem::None;
};
NameCheck CheckName(const TemplateContext& context, std::size_t index, std::string_view folder, std::string_view name);
TRowStatus CheckNewName(const TemplateContext& context, std::size_t index, std::string_view folder,
                        std::string_view name);

// Makes the record's new name from `templ`: sets `NewName` and `RenameReady`
// and gives the outcome of CheckNewName (stTestError on any error).
TRowStatus MakeNewName(TemplateContext& context, std::size_t index, std::string_view templ);

// The row test of the "TAG to file name" page for one record: `Status` :=
// MakeNewName, and `NewPath` := the full path of the new name when it is
// free, empty otherwise (a record that will not be renamed holds no target).
TRowStatus TestRename(TemplateContext& context, std::size_t index, std::string_view templ);

// TestRename, with what a report shows beside the status: the name the
// template made (also when it cannot be used, when `NewName` keeps the
// present name) and why it cannot be used.
struct RenameTest {
    NameCheck check;
    std::string name;
};
RenameTest TestRenameWithReason(TemplateContext& context, std::size_t index, std::string_view templ);

// TestRename for every record in order, in one test pass.
void TestAllRenames(TemplateContext& context, std::string_view templ);

// A new name typed into the cell of record `index`, cleaned of forbidden
// characters. Refused (`accepted` off, the record unchanged) when it is empty
// or ends in a blank, '-', '_' or '&'; otherwise taken: `NewName`, `Status`,
// `RenameReady` and `NewPath` (empty unless free) are set from CheckNewName.
struct TypedName {
    bool accepted = false;
    std::string text;  // the cleaned name
    TRowStatus status = stTestError;
};
TypedName CommitNewName(TemplateContext& context, std::size_t index, std::string_view text);

// ---- Renaming ----------------------------------------------------------------------

// The file operations a rename needs; a test passes its own.
struct RenameFiles {
    std::function<bool(const std::string&)> exists;
    // Both names spell one directory entry (platform::SameFileEntry).
    std::function<bool(const std::string&, const std::string&)> sameEntry;
    // Fails (throws) when the target exists.
    std::function<void(const std::string&, const std::string&)> rename;
    // `rename` also refuses the file's own name in another letter case where
    // the system ignores case: names need looking up only after a refusal.
    // Where it may not (under Wine such a rename "succeeds" and keeps the old
    // spelling), the target is looked up before each rename.
    bool refusesOwnName = false;
};
// The system's files. `exists` reads each folder (by `style`) once and keeps
// the renames made through `rename`, so take them for one run of renames:
// what others change in the folder meanwhile is not seen (a rename onto a
// file that came meanwhile is still refused, as Failed). `refusesOwnName`
// holds on POSIX systems.
RenameFiles SystemRenameFiles(PathStyle style = PathStyle::Windows);

enum class RenameOutcome {
    Renamed,
    TargetExists,
    Failed,           // the file is as it was
    LeftAtTemporary,  // both steps of a letter-case rename refused: the file has a temporary name
};

// Renames `from` to `to`. A target that is there already is TargetExists,
// unless it is only the same file spelt in another letter case (the system
// ignores case and finds the file itself): the file then goes to a free
// temporary name in its folder first and from there to `to` (and back to
// `from` when that second step fails). A refused rename is Failed and leaves
// the file as it was; when even the way back is refused, the outcome is
// LeftAtTemporary and `*temporary` (when given) the file's path now. Where
// the system refused, `*refusal` (when given) says why, as the system said
// it (UTF-8). Never throws.
RenameOutcome RenameToNewPath(const RenameFiles& files, const std::string& from, const std::string& to,
                              PathStyle style = PathStyle::Windows, std::string* temporary = nullptr,
                              std::string* refusal = nullptr);

// Apply of the "TAG to file name" page for record `index`: a record whose
// `RenameReady` is off is left alone. Otherwise its new name is checked again
// as the test checks it, against `files` as they are now, and the file is
// renamed to `NewPath` when the name is still free: `Status` := stRenamed
// (and `FilePath` := `NewPath`), stFileExists (the target is taken, never
// replaced) or stNoChanges (the system refused; `FilePath` := the file's
// temporary name when a letter-case rename could not go back either; with
// `refusal`, what the system said). Gives `Status`; never throws.
// Within a test pass, the records' look-up makes each check of a long run a
// look-up instead of a walk over all records.
TRowStatus ApplyRename(TemplateContext& context, std::size_t index, const RenameFiles& files,
                       std::string* refusal = nullptr);

// ---- File name to tag values (the "File name to TAG" page) ---------------------

// Stores `value` into the field `kind` of the record, marked to be written:
// stNotEnoughInfo for an empty value, stTestError for a track that is not a
// whole number from 0 to 255 or a genre that is not in the genre table (both
// stored as nothing), stNoChanges for the status column. With `emptyOnly` a
// field that holds text keeps it (still stTestOk). A genre is stored with the
// table's spelling.
TRowStatus StoreField(TFTag& tag, std::uint8_t kind, std::string_view value, bool emptyOnly);

// Cuts the record's present name at the literal text of `templ` and stores
// the pieces into the fields of its placeholders (StoreField, with the
// context's emptyOnly; '_' read as a blank with underscoreBySpaces). The
// outcome is that of the last piece stored, or stTestError when any piece was
// refused or the template has no two placeholders with text between them.
TRowStatus FillFromName(TemplateContext& context, std::size_t index, std::string_view templ);

// What FillFromName would do to record `index`, with the record left as it
// is: the outcome, and each field that Apply would then write (its mark on),
// in column order, with the value the record holds now and the one it would get.
struct FieldChange {
    TFieldKind kind;
    std::string now;
    std::string then;
};
struct FillPreview {
    TRowStatus status = stTestError;
    std::vector<FieldChange> changes;
    // The end of the name that the template's last piece left over (the name
    // "01 - A - T" cut by "<ARTIST> - <TITLE>" leaves " - T"): no field gets it.
    std::string unused;
};
FillPreview PreviewFill(const TemplateContext& context, std::size_t index, std::string_view templ);

// ---- Writing the marked fields ---------------------------------------------------

// A read-only file on Apply: left alone (it keeps its status, and the result
// says so), written and left writable, or written and given its attribute back.
enum class ReadOnlyPolicy { Leave, MakeWritable, WriteAndRestore };

// The attribute calls of a write; a test passes its own.
struct AttributeFiles {
    std::function<platform::FileAttributes(const std::string&)> get;
    std::function<void(const std::string&, platform::FileAttributes)> set;
};
AttributeFiles SystemAttributeFiles();

// Where a window waits, asks and repaints during a write; empty ones do nothing.
struct WriteSteps {
    // Before the read-only attribute of `path` is taken off; false leaves the
    // file alone, as Leave does.
    std::function<bool(const std::string& path)> beforeRemove;
    // Once `Status` holds the outcome, before the attribute is given back.
    std::function<void()> settled;
    // Before the attribute is given back.
    std::function<void()> beforeRestore;
    // Once the file is loaded, before the fields are set (the command line
    // gives a file without a tag a new one here).
    std::function<void(twID3::TtwID3&)> loaded;
};

struct TagWrite {
    bool readOnly = false;       // the file was read-only
    bool leftAlone = false;      // ... and was not written for that
    bool restoreFailed = false;  // its attribute could not be given back
    std::string error;           // stWriteError: why (UTF-8), when an error said so
};

// Sets exactly the marked fields of `tag` on `v1` in the order title,
// artist, album, genre (its number in the genre table), year, comment, track
// (its number): what a write of the record puts into the file. False, with
// nothing set, for a marked track that is no number from 0 to 255.
bool SetMarkedFields(twID3::TtwID3v1& v1, const TFTag& tag);

// Apply of the "File name to TAG" page for one record whose `Status` is
// stTestOk (any other is left alone): loads the file into `id3`, sets exactly
// the marked fields in the order title, artist, album, genre (its number in
// the genre table), year, comment, track (its number), and saves. `Status` :=
// stNoChanges (nothing marked, nothing written), stTestError (a marked track
// that is no number from 0 to 255: nothing touched), stTagsRecorded, or
// stWriteError (the load or the save failed, or the save ended without
// success; a failed save leaves the file as it was). A read-only file is
// handled by `policy`; its attribute is given back also after a failed write.
// `id3` is set up by the caller (the list editor: ID3v1 in use, as ID3v1.1,
// no Lyrics3 v2). Never throws.
TagWrite ApplyFields(twID3::TtwID3& id3, TFTag& tag, ReadOnlyPolicy policy,
                     const AttributeFiles& files = SystemAttributeFiles(), const WriteSteps& steps = {});

// ---- The template list ----------------------------------------------------------

// "<ARTIST> - <TITLE>", "<ALBUM> - <TITLE>", "<ARTIST>-<ALBUM> - <TITLE>", "<TRACK NUM>. <TITLE>".
std::vector<std::string> DefaultTemplates();

// The templates of section "[TAG_NAME]" of the history file at `path`; the
// defaults when the file or the section is missing. Read errors end the list
// where they happen and are not reported.
std::vector<std::string> LoadTemplates(const std::string& path);

// Moves section "[TAG_NAME]" to the end of the history file with `templates`
// (no section when there is none), leaving every other line as it was; the
// file is created when missing. Throws IoError, and the file is then as it was.
void SaveTemplates(const std::string& path, const std::vector<std::string>& templates);

// Appends a typed template unless it is empty or already listed (whole text,
// letter case ignored). True when it was appended.
bool AddTemplate(std::vector<std::string>& templates, std::string_view text);

// Position of `text` among the templates (whole text, letter case ignored),
// -1 when absent: the value kept under "OPTIONLIST".
int TemplateIndex(const std::vector<std::string>& templates, std::string_view text);

// The template at a stored "OPTIONLIST" position; empty when the position
// names none (negative or past the end).
std::string TemplateAt(const std::vector<std::string>& templates, int position);

}  // namespace sonrik::batch
