#include "cli/args.h"

#include "twID3/twID3.h"

#include <algorithm>
#include <array>
#include <charconv>

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
    std::vector<PendingText> texts;
    bool anyValue = false;  // set: something to change was given
};

using Apply = void (*)(Pending&, std::string_view option, std::string_view value);

struct OptionSpec {
    std::string_view name;
    bool takesValue;
    bool forShow;
    bool forSet;
    Apply apply;
};

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

template <bool Value>
void V11(Pending& p, std::string_view, std::string_view)
{
    p.invocation.id3v1.useID3v11 = Value;
    p.anyValue = true;
}

template <bool Value>
void Timestamp(Pending& p, std::string_view, std::string_view)
{
    p.invocation.lyrics3.useTimestamp = Value;
    p.anyValue = true;
}

void Lyrics3Version1(Pending& p, std::string_view, std::string_view)
{
    p.invocation.lyrics3.version1 = true;
    p.anyValue = true;
}

void NoLyrics3(Pending& p, std::string_view, std::string_view)
{
    p.invocation.lyrics3.remove = true;
    p.anyValue = true;
}

void Json(Pending& p, std::string_view, std::string_view) { p.invocation.json = true; }

void CodePageOption(Pending& p, std::string_view, std::string_view value)
{
    p.codePage = std::string(value);
}

constexpr std::size_t kId3v1TextLimit = 30;
constexpr std::size_t kYearLimit = 4;

constexpr std::array kOptions = {
    OptionSpec{"--json", false, true, false, Json},
    OptionSpec{"--codepage", true, true, true, CodePageOption},
    OptionSpec{"--title", true, false, true, Id3v1Text<&Id3v1Values::title, kId3v1TextLimit>},
    OptionSpec{"--artist", true, false, true, Id3v1Text<&Id3v1Values::artist, kId3v1TextLimit>},
    OptionSpec{"--album", true, false, true, Id3v1Text<&Id3v1Values::album, kId3v1TextLimit>},
    OptionSpec{"--year", true, false, true, Id3v1Text<&Id3v1Values::year, kYearLimit>},
    OptionSpec{"--comment", true, false, true, Id3v1Text<&Id3v1Values::comment, kId3v1TextLimit>},
    OptionSpec{"--genre", true, false, true, Genre},
    OptionSpec{"--track", true, false, true, Track},
    OptionSpec{"--v11", false, false, true, V11<true>},
    OptionSpec{"--no-v11", false, false, true, V11<false>},
    OptionSpec{"--lyrics-file", true, false, true, Lyrics3File<&Lyrics3Values::lyricsFile>},
    OptionSpec{"--infos-file", true, false, true, Lyrics3File<&Lyrics3Values::infosFile>},
    OptionSpec{"--images-file", true, false, true, Lyrics3File<&Lyrics3Values::imagesFile>},
    OptionSpec{"--l3-title", true, false, true, Lyrics3Text<&Lyrics3Values::title>},
    OptionSpec{"--l3-artist", true, false, true, Lyrics3Text<&Lyrics3Values::artist>},
    OptionSpec{"--l3-album", true, false, true, Lyrics3Text<&Lyrics3Values::album>},
    OptionSpec{"--author", true, false, true, Lyrics3Text<&Lyrics3Values::author>},
    OptionSpec{"--timestamp", false, false, true, Timestamp<true>},
    OptionSpec{"--no-timestamp", false, false, true, Timestamp<false>},
    OptionSpec{"--lyrics3-v1", false, false, true, Lyrics3Version1},
    OptionSpec{"--no-lyrics3", false, false, true, NoLyrics3},
};

std::string_view CommandName(Command command)
{
    return command == Command::Show ? "show" : command == Command::Set ? "set" : "genres";
}

const OptionSpec& FindOption(std::string_view name, Command command)
{
    const auto* it = std::find_if(kOptions.begin(), kOptions.end(),
                                  [&](const OptionSpec& o) { return o.name == name; });
    const bool fits = it != kOptions.end()
                      && ((command == Command::Show && it->forShow) || (command == Command::Set && it->forSet));
    if (!fits)
        throw UsageError("unknown option " + std::string(name) + " for " + std::string(CommandName(command)));
    return *it;
}

std::optional<Command> ParseCommand(std::string_view word)
{
    if (word == "help" || word == "--help" || word == "-h") return Command::Help;
    if (word == "--version") return Command::Version;
    if (word == "genres") return Command::Genres;
    if (word == "show") return Command::Show;
    if (word == "set") return Command::Set;
    return std::nullopt;
}

// Options may stand anywhere among the files; "--" ends them.
// Returns false when --help was asked for.
bool ParseWords(Pending& p, std::span<const std::string> words)
{
    const Command command = p.invocation.command;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string_view word = words[i];
        if (optionsEnded || word.size() < 2 || word[0] != '-') {
            p.invocation.files.emplace_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        if (word == "--help" || word == "-h") return false;
        if (word[1] != '-') throw UsageError("unknown option " + std::string(word));

        const auto equals = word.find('=');
        const std::string_view name = word.substr(0, equals);
        const OptionSpec& option = FindOption(name, command);
        std::string_view value;
        if (equals != std::string_view::npos) {
            if (!option.takesValue) throw UsageError("option " + std::string(name) + " takes no value");
            value = word.substr(equals + 1);
        } else if (option.takesValue) {
            if (i + 1 == words.size()) throw UsageError("option " + std::string(name) + " needs a value");
            value = words[++i];
        }
        option.apply(p, option.name, value);
    }
    return true;
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
        if (text.target == &p.invocation.id3v1.comment && p.invocation.id3v1.trackNo) limit = 28;
        if (bytes.size() > limit) {
            p.invocation.warnings.push_back(std::string(text.option) + " is " + std::to_string(bytes.size())
                                            + " bytes long; the tag keeps its first " + std::to_string(limit));
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
    const auto command = ParseCommand(args[0]);
    if (!command) throw UsageError("unknown command '" + args[0] + "'");

    Pending p;
    p.invocation.command = *command;
    p.invocation.codePage = &ChooseCodePage(p, settings);
    if (*command == Command::Help || *command == Command::Version) return p.invocation;

    if (!ParseWords(p, args.subspan(1))) {
        p.invocation.command = Command::Help;
        return p.invocation;
    }
    p.invocation.codePage = &ChooseCodePage(p, settings);  // --codepage is known now

    if (*command == Command::Genres) {
        if (!p.invocation.files.empty()) throw UsageError("genres takes no arguments");
        return p.invocation;
    }
    if (p.invocation.files.empty()) throw UsageError(std::string(CommandName(*command)) + ": no files given");
    ConvertTexts(p, settings);
    if (*command == Command::Set) CheckSetCombinations(p);
    return p.invocation;
}

}  // namespace sonrik::cli
