#include "cli/args.h"

#include "cli/system.h"
#include "cli/usage.h"
#include "platform/platform.h"
#include "text/utf8.h"
#include "twID3/twID3.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>
#include <charconv>

#ifndef SONRIK_VERSION
#define SONRIK_VERSION "unknown"
#endif

namespace sonrik::cli {

namespace {

using twID3::GenreCount;
using twID3::GenreNames;

// A text value as typed, converted to tag bytes once --codepage is known.
struct PendingText {
    std::string_view option;
    std::string value;
    std::optional<std::string>* target;
    std::size_t limit;  // bytes the tag keeps
};

struct Pending {
    Invocation invocation;
    std::optional<std::string> codePage;
    std::optional<std::string> templ;  // as typed, converted once the code page is known
    std::vector<PendingText> texts;
    bool anyValue = false;  // set: something to change was given
};

// Takes one option's value; a flag's value is "true" or "false" (its "--no-" form).
using Apply = void (*)(Pending&, std::string_view option, std::string_view value);

struct OptionEntry {
    std::string_view names;     // as CLI11 takes them; "!--no-x" is the "false" form of a flag
    std::string_view typeName;  // empty for a flag
    std::string_view help;
    unsigned commands;  // the kCommand bits of the commands that take it
    Apply apply;
};

constexpr unsigned kShow = 1, kSet = 2, kRename = 4, kFill = 8, kUndo = 16, kV2ToV1 = 32;
constexpr unsigned kFileCommands = kShow | kSet | kRename | kFill | kV2ToV1;
constexpr unsigned kChanging = kSet | kRename | kFill | kV2ToV1;

void AddText(Pending& p, std::string_view option, std::string_view value,
             std::optional<std::string>* target, std::size_t limit)
{
    std::erase_if(p.texts, [&](const PendingText& t) { return t.target == target; });
    p.texts.push_back({option, std::string(value), target, limit});
    p.anyValue = true;
}

template <auto Member, std::size_t Limit>
void Id3v1Text(Pending& p, std::string_view option, std::string_view value)
{
    AddText(p, option, value, &(p.invocation.id3v1.*Member), Limit);
}

template <auto Member>
void Lyrics3Text(Pending& p, std::string_view option, std::string_view value)
{
    AddText(p, option, value, &(p.invocation.lyrics3.*Member), twID3::Lyrics3TextLimit);
}

template <auto Member>
void Lyrics3File(Pending& p, std::string_view, std::string_view value)
{
    p.invocation.lyrics3.*Member = std::string(value);
    p.anyValue = true;
}

void Genre(Pending& p, std::string_view option, std::string_view value)
{
    const auto id = ParseGenre(value);
    if (!id) {
        throw UsageError(std::string(option) + ": '" + std::string(value)
                         + "' is neither a genre name nor a number from 0 to 147"
                           " (sonrik-tag genres lists them)");
    }
    p.invocation.id3v1.genreId = *id;
    p.anyValue = true;
}

void Track(Pending& p, std::string_view option, std::string_view value)
{
    const auto number = ParseNumber(value, 255);
    if (!number)
        throw UsageError(std::string(option) + ": '" + std::string(value) + "' is not a number from 0 to 255");
    p.invocation.id3v1.trackNo = static_cast<std::uint8_t>(*number);
    p.anyValue = true;
}

template <auto Member>
void SetFlag(Pending& p, std::string_view, std::string_view value)
{
    p.invocation.*Member = value == "true";
}

// The "--no-" form of a flag given as an option of its own, so that help
// shows each form with its own meaning.
template <auto Member>
void ClearFlag(Pending& p, std::string_view, std::string_view value)
{
    if (value == "true") p.invocation.*Member = false;
}

template <auto Member>
void Id3v1Flag(Pending& p, std::string_view, std::string_view value)
{
    p.invocation.id3v1.*Member = value == "true";
    p.anyValue = true;
}

template <auto Member>
void Lyrics3Flag(Pending& p, std::string_view, std::string_view value)
{
    p.invocation.lyrics3.*Member = value == "true";
    p.anyValue = true;
}

void CodePageOption(Pending& p, std::string_view, std::string_view value) { p.codePage = std::string(value); }

void ListOption(Pending& p, std::string_view, std::string_view value) { p.invocation.lists.emplace_back(value); }

void TemplateOption(Pending& p, std::string_view, std::string_view value) { p.templ = std::string(value); }

void TrackDigits(Pending& p, std::string_view option, std::string_view value)
{
    const auto number = ParseNumber(value, 9);
    if (!number || *number == 0)
        throw UsageError(std::string(option) + ": '" + std::string(value) + "' is not a number from 1 to 9");
    p.invocation.trackDigits = static_cast<int>(*number);
}

void ReadOnlyOption(Pending& p, std::string_view option, std::string_view value)
{
    using batch::ReadOnlyPolicy;
    if (value == "leave")
        p.invocation.readOnly = ReadOnlyPolicy::Leave;
    else if (value == "remove")
        p.invocation.readOnly = ReadOnlyPolicy::MakeWritable;
    else if (value == "restore")
        p.invocation.readOnly = ReadOnlyPolicy::WriteAndRestore;
    else
        throw UsageError(std::string(option) + ": '" + std::string(value) + "' is none of leave, remove, restore");
}

void JournalOption(Pending& p, std::string_view, std::string_view value)
{
    p.invocation.journalFile = std::string(value);
}

constexpr std::size_t kId3v1TextLimit = 30;
constexpr std::size_t kYearLimit = 4;
constexpr std::size_t kId3v1CommentWithTrack = 28;

constexpr std::array kOptions = {
    OptionEntry{"--json", "", "one JSON array with an object per file", kShow | kRename | kFill | kUndo | kV2ToV1,
               SetFlag<&Invocation::json>},
    OptionEntry{"--codepage", "N", "the code page of the tag's text (see sonrik-tag --help)", kFileCommands,
               CodePageOption},
    OptionEntry{"-r,--recursive", "", "take the MP3 files of subfolders too, all the way down", kFileCommands,
               SetFlag<&Invocation::recursive>},
    OptionEntry{"--list", "LISTFILE",
               "take the MP3 files named by a player's list file (one path a line; a relative one is taken from "
               "the list file's folder)",
               kFileCommands, ListOption},
    OptionEntry{"--any-name", "", "take files named on the command line whatever their names end in (else only .mp3)",
               kFileCommands, SetFlag<&Invocation::anyName>},
    OptionEntry{"-t,--template", "TEMPLATE", "the file-name template, such as \"<ARTIST> - <TITLE>\"",
               kRename | kFill, TemplateOption},
    OptionEntry{"--apply", "", "carry the tested plan out (without it nothing is changed)",
               kRename | kFill | kV2ToV1,
               SetFlag<&Invocation::apply>},
    OptionEntry{"--track-digits", "N", "write track numbers with N digits, with leading zeros (07)", kRename,
               TrackDigits},
    OptionEntry{"--underscores", "", "read '_' in names as a blank (on unless --no-underscores)", kFill,
               SetFlag<&Invocation::underscores>},
    OptionEntry{"--no-underscores", "", "keep '_' in names as it is", kFill, ClearFlag<&Invocation::underscores>},
    OptionEntry{"--empty-only,!--overwrite", "", "fill only empty fields (the default), or overwrite them",
               kFill | kV2ToV1, SetFlag<&Invocation::emptyOnly>},
    OptionEntry{"--lyrics", "", "also the lyrics into the Lyrics3 lyrics and the lyricist into its author", kV2ToV1,
               SetFlag<&Invocation::lyrics>},
    OptionEntry{"--readonly", "leave|remove|restore",
               "read-only files: leave them (the default), write them and leave them writable, or write them and "
               "make them read-only again",
               kChanging, ReadOnlyOption},
    OptionEntry{"--journal", "FILE", "write the run's journal to FILE (a new file)", kChanging, JournalOption},
    OptionEntry{"--no-journal", "", "write no journal: the run cannot be undone", kChanging,
               SetFlag<&Invocation::noJournal>},
    OptionEntry{"--list", "", "list the journals, newest first", kUndo, SetFlag<&Invocation::listJournals>},
    OptionEntry{"--title", "T", "title (30 bytes kept)", kSet, Id3v1Text<&Id3v1Values::title, kId3v1TextLimit>},
    OptionEntry{"--artist", "A", "artist (30 bytes kept)", kSet, Id3v1Text<&Id3v1Values::artist, kId3v1TextLimit>},
    OptionEntry{"--album", "A", "album (30 bytes kept)", kSet, Id3v1Text<&Id3v1Values::album, kId3v1TextLimit>},
    OptionEntry{"--year", "Y", "year (4 bytes kept)", kSet, Id3v1Text<&Id3v1Values::year, kYearLimit>},
    OptionEntry{"--comment", "C", "comment (30 bytes kept, 28 with a track number)", kSet,
               Id3v1Text<&Id3v1Values::comment, kId3v1TextLimit>},
    OptionEntry{"--genre", "NAME|NUMBER", "a name from 'sonrik-tag genres' (any letter case) or 0 to 147", kSet,
               Genre},
    OptionEntry{"--track", "N", "0 to 255; makes the tag ID3v1.1", kSet, Track},
    OptionEntry{"--v11,!--no-v11", "", "write the tag as ID3v1.1 or as ID3v1.0", kSet,
               Id3v1Flag<&Id3v1Values::useID3v11>},
    OptionEntry{"--lyrics-file", "F", "the Lyrics3 lyrics: the lines of a text file, its bytes as they are", kSet,
               Lyrics3File<&Lyrics3Values::lyricsFile>},
    OptionEntry{"--infos-file", "F", "the Lyrics3 information lines, from a text file", kSet,
               Lyrics3File<&Lyrics3Values::infosFile>},
    OptionEntry{"--images-file", "F", "the Lyrics3 image lines, from a text file", kSet,
               Lyrics3File<&Lyrics3Values::imagesFile>},
    OptionEntry{"--l3-title", "T", "Lyrics3 title (250 bytes kept)", kSet, Lyrics3Text<&Lyrics3Values::title>},
    OptionEntry{"--l3-artist", "A", "Lyrics3 artist (250 bytes kept)", kSet, Lyrics3Text<&Lyrics3Values::artist>},
    OptionEntry{"--l3-album", "A", "Lyrics3 album (250 bytes kept)", kSet, Lyrics3Text<&Lyrics3Values::album>},
    OptionEntry{"--author", "A", "Lyrics3 author (250 bytes kept)", kSet, Lyrics3Text<&Lyrics3Values::author>},
    OptionEntry{"--timestamp,!--no-timestamp", "", "whether the lyrics carry time stamps", kSet,
               Lyrics3Flag<&Lyrics3Values::useTimestamp>},
    OptionEntry{"--lyrics3-v1", "", "write the Lyrics3 tag as version 1 (lyrics only)", kSet,
               Lyrics3Flag<&Lyrics3Values::version1>},
    OptionEntry{"--no-lyrics3", "", "remove the Lyrics3 tag", kSet, Lyrics3Flag<&Lyrics3Values::remove>},
};

// The long name of an option, for messages.
std::string_view OptionName(const OptionEntry& entry)
{
    const std::string_view names = entry.names.substr(entry.names.find("--"));
    return names.substr(0, names.find(','));
}

// Every value given is passed on, in order, so that of an option given twice
// the last value counts (but --list takes every one).
void AddOption(CLI::App& command, const OptionEntry& entry, Pending& p)
{
    const std::string names(entry.names);
    const std::string help(entry.help);
    if (entry.typeName.empty()) {
        command
            .add_flag_function(
                names, [&p, &entry](std::int64_t count) { entry.apply(p, OptionName(entry), count > 0 ? "true" : "false"); },
                help)
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
        return;
    }
    const auto applyEach = [&p, &entry](const std::vector<std::string>& values) {
        for (const auto& value : values) entry.apply(p, OptionName(entry), value);
    };
    command.add_option_function<std::vector<std::string>>(names, applyEach, help)
        ->type_name(std::string(entry.typeName))
        ->expected(1)
        ->allow_extra_args(false)  // one value each time, the words after it are paths
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}

const text::CodePage& ChooseCodePage(const Pending& p, const ParseSettings& settings)
{
    if (!p.codePage) {
        if (const text::CodePage* cp = text::CodePage::Find(settings.defaultCodePage)) return *cp;
        return *text::CodePage::Find(1252);
    }
    const auto number = ParseNumber(*p.codePage, 99999);
    const text::CodePage* cp = number ? text::CodePage::Find(*number) : nullptr;
    if (cp == nullptr) {
        std::string known;
        for (const unsigned n : text::CodePage::Numbers()) known += (known.empty() ? "" : ", ") + std::to_string(n);
        throw UsageError("--codepage: '" + *p.codePage + "' is not a supported code page (use one of "
                         + known + ")");
    }
    return *cp;
}

void ConvertTexts(Pending& p, const ParseSettings& settings)
{
    const text::CodePage& cp = *p.invocation.codePage;
    for (const PendingText& text : p.texts) {
        std::string bytes = text.value;
        if (settings.argumentsAreUtf8) {
            try {
                bytes = cp.Encode(text.value);
            } catch (const text::EncodeError& e) {
                throw UsageError(std::string(text.option) + ": " + e.what());
            }
        }
        std::size_t limit = text.limit;
        // Beside a track number (given, or the file's own as ID3v1.1) the
        // record holds 28 bytes of comment.
        const bool comment = text.target == &p.invocation.id3v1.comment;
        if (comment && p.invocation.id3v1.trackNo) limit = kId3v1CommentWithTrack;
        if (bytes.size() > limit) {
            std::string warning = std::string(text.option) + " is " + std::to_string(bytes.size())
                                  + " bytes long; the tag keeps its first " + std::to_string(limit);
            if (comment && limit == kId3v1TextLimit && p.invocation.id3v1.useID3v11 != false)
                warning += " (" + std::to_string(kId3v1CommentWithTrack) + " in a file whose tag has a track number)";
            p.invocation.warnings.push_back(std::move(warning));
        }
        *text.target = std::move(bytes);
    }
}

void CheckSetCombinations(const Pending& p)
{
    const Id3v1Values& v1 = p.invocation.id3v1;
    const Lyrics3Values& l3 = p.invocation.lyrics3;
    if (!p.anyValue) throw UsageError("set: no value to set was given");
    if (v1.trackNo && v1.useID3v11 == false)
        throw UsageError("--track and --no-v11 contradict each other (a track number needs ID3v1.1)");

    const bool v2Values = l3.infosFile || l3.imagesFile || l3.title || l3.artist || l3.album || l3.author
                          || l3.useTimestamp == true;
    if (l3.version1 && v2Values) {
        throw UsageError("--lyrics3-v1 cannot be combined with --infos-file, --images-file, --l3-title, "
                         "--l3-artist, --l3-album, --author or --timestamp: a version 1 block holds lyrics only");
    }
    const bool lyrics3Values = v2Values || l3.lyricsFile || l3.useTimestamp || l3.version1;
    if (l3.remove && lyrics3Values)
        throw UsageError("--no-lyrics3 removes the Lyrics3 tag and cannot be combined with Lyrics3 values");
}

std::pair<Command, unsigned> CommandOf(std::string_view name)
{
    if (name == "show") return {Command::Show, kShow};
    if (name == "set") return {Command::Set, kSet};
    if (name == "rename") return {Command::Rename, kRename};
    if (name == "fill") return {Command::Fill, kFill};
    if (name == "undo") return {Command::Undo, kUndo};
    if (name == "v2-to-v1") return {Command::V2ToV1, kV2ToV1};
    return {Command::Genres, 0};
}

// A journal named on the command line goes into a folder that is there: a
// mistyped folder is not made silently.
void CheckJournalFile(const std::string& file)
{
    const std::string where = "--journal " + ArgumentToUtf8(file) + ": ";
    if (platform::FolderExists(file)) throw UsageError(where + "is a folder; name a new file");
    const std::string folder = batch::FolderOf(file, kNativePathStyle);
    if (!folder.empty() && !platform::FolderExists(folder))
        throw UsageError(where + "there is no folder " + ArgumentToUtf8(folder));
}

// The template of rename or fill: given, and one the engine can use.
void CheckTemplateOption(Pending& p, Command which)
{
    if (which != Command::Rename && which != Command::Fill) return;
    const std::string_view name = which == Command::Rename ? "rename" : "fill";
    if (!p.templ) throw UsageError(std::string(name) + ": no template given (-t TEMPLATE)");
    // Templates are matched against and put into file names, which are
    // UTF-8: bytes that are none would become U+FFFD in a name.
    if (!text::IsValidUtf8(*p.templ)) throw UsageError("-t: the template is not valid UTF-8 text");
    p.invocation.templ = *p.templ;
    const auto use = which == Command::Rename ? batch::TemplateUse::Rename : batch::TemplateUse::Fill;
    if (const auto problem = batch::CheckTemplate(p.invocation.templ, use))
        throw UsageError("-t \"" + p.invocation.templ + "\": " + problem->message);
}

// The program and its commands as CLI11 sees them; options write into `p`.
struct Parser {
    CLI::App app;
    CLI::App* help = nullptr;
    std::string helpTopic;
    std::vector<std::pair<CLI::App*, Command>> commands;

    // `chosen`: the command named on the command line; only its options are
    // set up (each costs CLI11 some work at every start), all for help.
    Parser(Pending& p, std::string_view chosen)
    {
        const CommandText& program = ProgramText();
        app.name(std::string(program.name));
        app.description(std::string(program.summary));
        app.footer(std::string(program.footer));
        app.set_version_flag("--version", "sonrik-tag " SONRIK_VERSION);
        // Unknown words are collected, not refused, so that the refusal can
        // name them in our own terms (see CheckLeftOver).
        app.allow_extras();
        // One command a run: after it, a command's name is just a path
        // ("show set" shows the file "set") or the topic of help.
        app.require_subcommand(0, 1);
        for (const CommandText& text : CommandTexts()) {
            CLI::App* command = app.add_subcommand(std::string(text.name), std::string(text.summary));
            command->footer(std::string(text.footer));
            if (text.name == "help") {
                help = command;
                command->add_option("COMMAND", helpTopic, "the command to tell about");
                continue;
            }
            const auto [which, bit] = CommandOf(text.name);
            commands.emplace_back(command, which);
            if (which == Command::Genres) continue;
            if (which == Command::Undo) {
                command->add_option("JOURNAL", p.invocation.paths, "the journal of the run to undo (default: the latest)")
                    ->type_name("JOURNAL")
                    ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
            } else {
                command->add_option("PATH", p.invocation.paths, "MP3 files, and folders for the MP3 files in them")
                    ->type_name("PATH")
                    ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
            }
            if (chosen != "help" && chosen != text.name) continue;
            for (const OptionEntry& entry : kOptions)
                if (entry.commands & bit) AddOption(*command, entry, p);
        }
    }

    // Words CLI11 did not take: an unknown option, a command or an argument too many.
    void CheckLeftOver(const CLI::App& command, std::string_view name) const
    {
        const std::vector<std::string> left = command.remaining();
        if (left.empty()) return;
        const auto option = std::find_if(left.begin(), left.end(), [](const std::string& w) { return w[0] == '-'; });
        if (option != left.end()) {
            throw UsageError("unknown option " + *option
                             + (name.empty() ? std::string() : " for " + std::string(name)));
        }
        if (name.empty()) throw UsageError("unknown command '" + left.front() + "'");
        throw UsageError(std::string(name) + " takes no arguments");
    }
};

// The words as CLI11 takes them (from the back), with two things of its
// version 2.1 set right before it sees them. The words after the first "--"
// are set aside as paths: it gives a "--" back to the program's level once
// the command's positional argument holds a value, and would refuse the rest.
// "--name=" is "--name" with an empty value: it would take the next word.
std::vector<std::string> PrepareWords(std::span<const std::string> args, std::vector<std::string>& paths)
{
    auto end = std::find(args.begin(), args.end(), "--");
    if (end != args.begin() && end != args.end()) paths.assign(end + 1, args.end());
    if (end == args.begin()) end = args.end();
    std::vector<std::string> words;
    for (auto it = args.begin(); it != end; ++it) {
        const bool emptyValue = it->size() > 3 && it->starts_with("--") && it->find('=') == it->size() - 1;
        words.push_back(emptyValue ? it->substr(0, it->size() - 1) : *it);
        if (emptyValue) words.emplace_back();
    }
    std::reverse(words.begin(), words.end());
    return words;
}

}  // namespace

std::optional<unsigned> ParseNumber(std::string_view text, unsigned max)
{
    unsigned value = 0;
    const char* end = text.data() + text.size();
    if (text.empty() || text[0] == '+' || text[0] == '-') return std::nullopt;
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc{} || ptr != end || value > max) return std::nullopt;
    return value;
}

std::optional<std::uint8_t> ParseGenre(std::string_view text)
{
    if (const auto number = ParseNumber(text, GenreCount - 1)) return static_cast<std::uint8_t>(*number);
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    const auto sameName = [&](std::string_view name) {
        return name.size() == text.size()
               && std::equal(name.begin(), name.end(), text.begin(),
                             [&](char a, char b) { return lower(a) == lower(b); });
    };
    const auto* it = std::find_if(GenreNames.begin(), GenreNames.end(), sameName);
    if (it == GenreNames.end()) return std::nullopt;
    return static_cast<std::uint8_t>(it - GenreNames.begin());
}

Invocation ParseArguments(std::span<const std::string> args, const ParseSettings& settings)
{
    if (args.empty()) throw UsageError("no command given");
    Pending p;
    // The program takes no option of its own in front of its command but
    // --help and --version: the first other word names the command.
    const auto named = std::find_if(args.begin(), args.end(), [](const std::string& a) { return a.empty() || a[0] != '-'; });
    Parser parser(p, named == args.end() ? std::string_view("help") : std::string_view(*named));
    std::vector<std::string> pathsAfterMark;
    std::vector<std::string> words = PrepareWords(args, pathsAfterMark);
    try {
        parser.app.parse(words);
    } catch (const CLI::CallForHelp&) {
        p.invocation.command = Command::Help;
        p.invocation.helpText = parser.app.help() + "\n";
        return p.invocation;
    } catch (const CLI::CallForVersion& e) {
        p.invocation.command = Command::Version;
        p.invocation.helpText = e.what() + std::string("\n");
        return p.invocation;
    } catch (const CLI::ParseError& e) {
        throw UsageError(e.what());
    }
    parser.CheckLeftOver(parser.app, {});
    if (parser.help->parsed()) {
        p.invocation.command = Command::Help;
        const CLI::App* topic = &parser.app;
        try {
            if (!parser.helpTopic.empty()) topic = parser.app.get_subcommand(parser.helpTopic);
        } catch (const CLI::OptionNotFound&) {
            throw UsageError("unknown command '" + parser.helpTopic + "'");
        }
        // A command's usage line names the program too.
        p.invocation.helpText = (topic == &parser.app ? topic->help() : topic->help(topic->get_parent()->get_name()))
                                + "\n";
        return p.invocation;
    }
    const auto chosen = std::find_if(parser.commands.begin(), parser.commands.end(),
                                     [](const auto& c) { return c.first->parsed(); });
    if (chosen == parser.commands.end()) throw UsageError("no command given");
    const auto [command, which] = *chosen;
    parser.CheckLeftOver(*command, command->get_name());
    p.invocation.command = which;
    p.invocation.paths.insert(p.invocation.paths.end(), pathsAfterMark.begin(), pathsAfterMark.end());
    p.invocation.codePage = &ChooseCodePage(p, settings);
    for (const auto& arg : args) p.invocation.commandLine.push_back(ArgumentToUtf8(arg));
    p.invocation.commandLine.insert(p.invocation.commandLine.begin(), "sonrik-tag");
    if (which == Command::Genres) {
        if (!pathsAfterMark.empty()) throw UsageError("genres takes no arguments");
        return p.invocation;
    }
    if (which == Command::Undo) {
        if (p.invocation.paths.size() > 1) throw UsageError("undo takes one journal");
        if (p.invocation.listJournals && !p.invocation.paths.empty())
            throw UsageError("undo --list takes no journal");
        return p.invocation;
    }
    if (p.invocation.noJournal && p.invocation.journalFile)
        throw UsageError("--journal and --no-journal contradict each other");
    if (p.invocation.journalFile) CheckJournalFile(*p.invocation.journalFile);
    CheckTemplateOption(p, which);
    if (p.invocation.paths.empty() && p.invocation.lists.empty())
        throw UsageError(command->get_name() + ": no files given");
    ConvertTexts(p, settings);
    if (which == Command::Set) CheckSetCombinations(p);
    return p.invocation;
}

}  // namespace sonrik::cli
