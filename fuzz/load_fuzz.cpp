// libFuzzer target over the load path: the input is a whole file. It is loaded,
// then saved in several ways and loaded again. Any violation aborts:
//  - a load of a file that holds a full record raises, or changes the file;
//  - a save changes a byte in front of the tag area, or writes anything but
//    its block and record from there;
//  - a save refused with an error leaves the file changed;
//  - the file loaded again gives other values than the ones saved.
// The tag area is worked out here from the bytes alone, not by asking the
// library, so a fault in its search cannot hide itself.

#include "platform/errors.h"
#include "twID3/twID3.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

namespace {

namespace fs = std::filesystem;
using namespace sonrik::twID3;

constexpr std::string_view kBegin = "LYRICSBEGIN";
constexpr std::string_view kEndV1 = "LYRICSEND";
constexpr std::string_view kEndV2 = "LYRICS200";
constexpr std::size_t kSizeDigits = 6;
// How far in front of its end marker (v1) or size digits (v2) a block can start.
constexpr std::size_t kReachV1 = Lyrics3v1LyricsLimit + kBegin.size();
constexpr std::size_t kReachV2 = Lyrics3v2BlockLimit;

void Check(bool ok, const char* what)
{
    if (ok) return;
    std::fprintf(stderr, "sonrik_fuzz_load: %s\n", what);
    std::abort();
}

// One file in a folder of its own, made once per process (in memory where the
// system offers it) and removed at exit.
class Scratch {
public:
    Scratch()
    {
        const fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        std::string pattern = (base / "sonrik-fuzz-XXXXXX").string();
        Check(::mkdtemp(pattern.data()) != nullptr, "cannot make a scratch folder");
        dir_ = pattern;
        file_ = (dir_ / "input.mp3").string();
    }
    ~Scratch()
    {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    const std::string& file() const { return file_; }

private:
    fs::path dir_;
    std::string file_;
};

void WriteFile(const std::string& name, std::string_view bytes)
{
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    Check(out.good(), "cannot write the scratch file");
}

std::string ReadFile(const std::string& name)
{
    std::ifstream in(name, std::ios::binary | std::ios::ate);
    std::string bytes(static_cast<std::size_t>(in.tellg()), '\0');
    in.seekg(0);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

bool HasRecord(std::string_view file)
{
    return file.size() >= ID3v1Size && file.substr(file.size() - ID3v1Size, 3) == "TAG";
}

// May a save of `old` start writing at `pos`? At the end of a file without a
// record; else at its record, or at a "LYRICSBEGIN" that the end marker
// directly in front of the record can reach.
bool InTagArea(std::string_view old, std::size_t pos)
{
    if (!HasRecord(old)) return pos == old.size();
    const std::size_t record = old.size() - ID3v1Size;
    if (pos == record) return true;
    if (record < kEndV2.size()) return false;
    const std::size_t marker = record - kEndV2.size();
    const std::string_view end = old.substr(marker, kEndV2.size());
    std::size_t blockEnd = marker;  // where the start marker and fields end
    std::size_t reach = kReachV1;
    if (end == kEndV2) {
        if (marker < kSizeDigits) return false;
        blockEnd = marker - kSizeDigits;
        reach = kReachV2;
    } else if (end != kEndV1) {
        return false;
    }
    return pos + kBegin.size() <= blockEnd && blockEnd - pos <= reach && old.substr(pos, kBegin.size()) == kBegin;
}

// Drops trailing spaces and zeros, as a record field is read.
std::string Trimmed(std::string text)
{
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.pop_back();
    return text;
}

struct Record {
    std::string title, artist, album, year, comment;
    unsigned genre = 0, track = 0;
    bool v11 = false;
    bool operator==(const Record&) const = default;
};

Record RecordOf(const TtwID3v1& v1)
{
    return {v1.Title(), v1.Artist(), v1.Album(), v1.Year(), v1.Comment(), v1.GenreID(), v1.TrackNo(), v1.UseID3v11()};
}

// What a load gives back after these values were saved.
Record ExpectedAfterSave(const TtwID3v1& v1)
{
    Record r = RecordOf(v1);
    constexpr std::size_t kV11Comment = 28;
    if (r.v11 && r.comment.size() > kV11Comment) r.comment = Trimmed(r.comment.substr(0, kV11Comment));
    r.comment = Trimmed(r.comment);
    // A short comment leaves zeros in bytes 125 and 126: read back as v1.1, track 0.
    if (!r.v11 && r.comment.size() <= kV11Comment) r.v11 = true;
    return r;
}

struct Lyrics3Values {
    LineList lyrics, infos, images;
    std::string author, album, artist, title;
    bool timestamp = false;
    bool v2 = false;
    bool operator==(const Lyrics3Values&) const = default;
};

Lyrics3Values Lyrics3Of(const TtwLyrics3& l3)
{
    return {l3.Lyrics(),  l3.Infos(), l3.Images(), l3.Author(),       l3.Album(),
            l3.Artist(), l3.Title(), l3.UseTimestamp(), l3.UseLyrics3v2()};
}

// What a load gives back after a block of these values was saved. Version 1
// keeps only the lyrics; its blocks have no size, so lyrics that hold a start
// marker themselves cannot be told apart from a block (nullopt: not checked).
std::optional<Lyrics3Values> ExpectedLyrics3(const TtwLyrics3& l3)
{
    if (l3.UseLyrics3v2()) return Lyrics3Of(l3);
    if (LinesToText(l3.Lyrics()).find(kBegin) != std::string::npos) return std::nullopt;
    Lyrics3Values v;
    v.lyrics = l3.Lyrics();
    return v;
}

enum class Lyrics3Choice { AsLoaded, Off, Version1, Version2 };

struct Variant {
    Lyrics3Choice lyrics3;
    bool inputAsLyrics;  // big lyrics from the input reach the format's limits
    bool setTrack;       // SetTrackNo turns the record into v1.1
};

constexpr Variant kVariants[] = {
    {Lyrics3Choice::AsLoaded, false, false}, {Lyrics3Choice::Off, false, true},
    {Lyrics3Choice::Version1, false, false}, {Lyrics3Choice::Version2, false, false},
    {Lyrics3Choice::Version1, true, false},  {Lyrics3Choice::Version2, true, true},
};

void ApplyChanges(TtwID3v1& v1, const Variant& variant, std::string_view input)
{
    v1.SetTitle(v1.Title());  // a change through a setter, as an editor makes it
    if (variant.setTrack) v1.SetTrackNo(v1.TrackNo());
    TtwLyrics3& l3 = v1.Lyrics3();
    if (variant.inputAsLyrics) l3.SetLyrics(TextToLines(input));
    if (variant.lyrics3 != Lyrics3Choice::AsLoaded) v1.SetUseLyrics3(variant.lyrics3 != Lyrics3Choice::Off);
    if (variant.lyrics3 == Lyrics3Choice::Version1) l3.SetUseLyrics3v2(false);
    if (variant.lyrics3 == Lyrics3Choice::Version2) l3.SetUseLyrics3v2(true);
}

// `lyrics3`: the values of the block saved, or nullopt when there is nothing
// to check (no block saved, or one that cannot be told apart from its lyrics).
void CheckReload(const std::string& name, const Record& record, const std::optional<Lyrics3Values>& lyrics3)
{
    TtwID3 tag;
    tag.LoadFromFile(name);
    Check(tag.Success() == id3Success, "a saved file loads without its record");
    Check(RecordOf(tag.ID3v1()) == record, "the record loaded again differs from the one saved");
    if (!lyrics3) return;
    Check(tag.ID3v1().UseLyrics3(), "the Lyrics3 block saved is not found again");
    Check(Lyrics3Of(tag.ID3v1().Lyrics3()) == *lyrics3, "the Lyrics3 values loaded again differ");
}

void RoundTrip(const std::string& name, std::string_view input, const Variant& variant)
{
    WriteFile(name, input);
    TtwID3 tag;
    try {
        tag.LoadFromFile(name);
    } catch (const sonrik::Error&) {
        Check(input.size() < ID3v1Size, "a load of a file with room for a record raised an error");
        return;
    }
    Check(ReadFile(name) == input, "a load changed the file");

    TtwID3v1& v1 = tag.ID3v1();
    ApplyChanges(v1, variant, input);

    const bool withBlock = v1.UseLyrics3();
    std::string block;
    bool refusable = false;
    try {
        if (withBlock) block = v1.Lyrics3().BuildBlock();
    } catch (const sonrik::Error&) {
        refusable = true;
    }

    try {
        tag.Save();
    } catch (const sonrik::Error&) {
        Check(ReadFile(name) == input, "a refused save changed the file");
        Check(refusable, "a save raised an error for a block that can be built");
        return;
    }
    Check(!refusable, "a save wrote a block the format cannot hold");
    Check(tag.Success() == id3Success, "a save on a healthy disk did not succeed");

    const std::string now = ReadFile(name);
    const RawRecord& raw = v1.RawTag();
    const std::string tail = block + std::string(raw.begin(), raw.end());
    Check(now.size() >= tail.size(), "the saved file is shorter than its tags");
    const std::size_t pos = now.size() - tail.size();
    Check(InTagArea(input, pos), "the save wrote outside the tag area");
    Check(std::string_view(now).substr(0, pos) == input.substr(0, pos),
          "the save changed a byte in front of the tag area");
    Check(std::string_view(now).substr(pos) == tail, "the save wrote other bytes than its block and record");

    CheckReload(name, ExpectedAfterSave(v1),
                withBlock ? ExpectedLyrics3(v1.Lyrics3()) : std::nullopt);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const Scratch scratch;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    for (const Variant& variant : kVariants) RoundTrip(scratch.file(), input, variant);
    return 0;
}
