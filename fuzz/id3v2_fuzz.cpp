// libFuzzer target over the ID3v2 reader: the input is a whole file, loaded
// through the tag file object as the editor loads one. Besides crashes,
// overruns and undefined behaviour, it aborts when:
//  - the load raises (only file calls may, and these do not fail), or the
//    ID3v1 record and Lyrics3 block load differently than without the head's bytes;
//  - a read gives both a tag and an error, or an error without a text;
//  - the tag or a frame lies outside the file, frames overlap or leave their
//    tag, or the padding is negative;
//  - a value is not valid UTF-8.

#include "platform/errors.h"
#include "text/utf8.h"
#include "twID3/twID3.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace {

namespace fs = std::filesystem;
using namespace sonrik::twID3;

void Check(bool ok, const char* what)
{
    if (ok) return;
    std::fprintf(stderr, "sonrik_fuzz_id3v2: %s\n", what);
    std::abort();
}

// One file in a folder of its own, made once per process and removed at exit.
class Scratch {
public:
    Scratch()
    {
        const fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        std::string pattern = (base / "sonrik-fuzz-id3v2-XXXXXX").string();
        Check(::mkdtemp(pattern.data()) != nullptr, "cannot make a scratch folder");
        dir_ = pattern;
    }
    ~Scratch()
    {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string Write(std::string_view name, std::string_view bytes) const
    {
        const std::string path = (dir_ / name).string();
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        Check(out.good(), "cannot write the scratch file");
        return path;
    }

private:
    fs::path dir_;
};

void CheckTag(const ID3v2Tag& tag, std::int64_t fileSize)
{
    Check(tag.offset >= 0 && tag.size >= 10 && tag.offset + tag.size <= fileSize, "the tag lies outside the file");
    Check(tag.padding >= 0, "negative padding");
    std::int64_t end = tag.offset + 10;
    for (const auto& frame : tag.frames) {
        Check(frame.offset >= end && frame.size > 0, "frames overlap or go backwards");
        end = frame.offset + frame.size;
        Check(end <= tag.offset + tag.size, "a frame leaves its tag");
    }
    for (const auto& field : ID3v2Fields)
        for (const auto& value : tag.*field.values) Check(sonrik::text::IsValidUtf8(value), "a value is not UTF-8");
}

struct TailValues {
    RawRecord record;
    bool lyrics3;
    LineList lyrics;
    bool operator==(const TailValues&) const = default;
};

TailValues Load(TtwID3& file, const std::string& path)
{
    try {
        file.LoadFromFile(path);
    } catch (const sonrik::Error&) {
        Check(false, "a load raised an error");
    }
    return {file.ID3v1().RawTag(), file.ID3v1().UseLyrics3(), file.ID3v1().Lyrics3().Lyrics()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const Scratch scratch;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    if (size < ID3v1Size) return 0;  // the tag file object refuses shorter files before any tag is read

    TtwID3 file;
    const TailValues tail = Load(file, scratch.Write("input.mp3", input));
    const ID3v2Read& read = file.ID3v2();
    Check(!(read.tag && !read.error.empty()), "a read gave a tag and an error");
    if (read.tag) CheckTag(*read.tag, static_cast<std::int64_t>(size));

    // The same file with its marker blanked holds no tag at its head: the
    // tags at its end must load as before (the record must not reach the marker).
    if (!input.starts_with("ID3") || size < ID3v1Size + 3) return 0;
    std::string blanked(input);
    blanked.replace(0, 3, "xxx");
    TtwID3 other;
    Check(Load(other, scratch.Write("blanked.mp3", blanked)) == tail, "the ID3v2 tag changed how the tags at the end load");
    return 0;
}
