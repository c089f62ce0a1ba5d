// Load and save of tagged files of 100 KB, 10 MB and 100 MB, with and without
// a Lyrics3 block. Besides the time, each benchmark reports the bytes the
// process read and wrote per operation (from /proc/self/io), which must not
// grow with the size of the file: only the tag area is ever touched, and the
// search for a block with a broken size field looks back a bounded distance.
//
// Saves of an ID3v2 tag at the start: one that fits the tag's padding, which
// is written in place and should cost about what an ID3v1 save costs, and
// one that outgrows it, for which the whole file is written anew beside the
// old one (goal for 10 MB: under 0.2 s).

#include "twID3/id3v2_write.h"
#include "twID3/twID3.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;
using sonrik::twID3::TtwID3;

struct IoCounters {
    std::int64_t rchar = 0, wchar = 0;
};

IoCounters ReadIoCounters()
{
    std::ifstream in("/proc/self/io");
    std::map<std::string, std::int64_t> values;
    std::string key;
    std::int64_t value = 0;
    while (in >> key >> value) values[key] = value;
    return {values["rchar:"], values["wchar:"]};
}

std::string Padded(std::size_t n, int width)
{
    std::string digits = std::to_string(n);
    return std::string(static_cast<std::size_t>(width) - digits.size(), '0') + digits;
}

std::string Record()
{
    std::string r = "TAG";
    for (const char* field : {"Benchmark title", "Benchmark artist", "Benchmark album"}) {
        r += field;
        r.resize(r.size() + 30 - std::string(field).size(), '\0');
    }
    r += "2024";
    r += "Comment";
    r.resize(125, '\0');
    r += '\0';  // ID3v1.1: track 5, genre 17
    r += '\5';
    r += '\21';
    return r;
}

// About 4 KB of lyrics, each line ending in CR LF as a save writes them, so a
// save writes back exactly the block that was there.
std::string Lyrics()
{
    std::string text;
    for (int i = 0; i < 128; ++i) text += "la la la, line " + Padded(static_cast<std::size_t>(i), 3) + " of the song\r\n";
    return text;
}

std::string V2Block(const std::string& sizeDigits = "")
{
    const std::string lyrics = Lyrics();
    std::string block = "LYRICSBEGININD0000210LYR" + Padded(lyrics.size(), 5) + lyrics + "AUT00006Sonrik";
    return block + (sizeDigits.empty() ? Padded(block.size(), 6) : sizeDigits) + "LYRICS200";
}

struct Case {
    const char* name;
    std::string tags;       // the last bytes of the file
    std::string brokenSize; // v2 size digits that a save mends; written back after each save
};

std::vector<Case> Cases()
{
    return {
        {"record", Record(), ""},
        {"lyrics_v2", V2Block() + Record(), ""},
        {"lyrics_v1", "LYRICSBEGIN" + Lyrics() + "LYRICSEND" + Record(), ""},
        // A size that points at no "LYRICSBEGIN": the block is found by the
        // bounded backward search.
        {"lyrics_v2_broken_size", V2Block("000123") + Record(), "000123"},
    };
}

struct Size {
    const char* name;
    std::int64_t bytes;
};
constexpr Size kSizes[] = {{"100KB", 100'000}, {"10MB", 10'000'000}, {"100MB", 100'000'000}};

// The files: sparse audio, the tags at the end; removed at exit.
class BenchFiles {
public:
    explicit BenchFiles(const fs::path& base) : dir_(base / ("bench-files-" + std::to_string(::getpid())))
    {
        fs::create_directories(dir_);
    }
    ~BenchFiles()
    {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    BenchFiles(const BenchFiles&) = delete;
    BenchFiles& operator=(const BenchFiles&) = delete;

    std::string make(const Case& c, const Size& s) const
    {
        const std::string name = (dir_ / (std::string(c.name) + "-" + s.name + ".mp3")).string();
        { std::ofstream(name, std::ios::binary); }
        fs::resize_file(name, static_cast<std::uintmax_t>(s.bytes) - c.tags.size());
        std::ofstream(name, std::ios::binary | std::ios::app).write(c.tags.data(), static_cast<std::streamsize>(c.tags.size()));
        return name;
    }

private:
    fs::path dir_;
};

// Reading /proc/self/io counts as reading too: what one reading costs.
std::int64_t CounterReadCost()
{
    const IoCounters first = ReadIoCounters();
    return ReadIoCounters().rchar - first.rchar;
}

void Report(benchmark::State& state, const IoCounters& before, std::int64_t extraWrites)
{
    static const std::int64_t readCost = CounterReadCost();
    const IoCounters after = ReadIoCounters();
    state.counters["bytes_read"] = benchmark::Counter(static_cast<double>(after.rchar - before.rchar - readCost),
                                                      benchmark::Counter::kAvgIterations);
    state.counters["bytes_written"] = benchmark::Counter(
        static_cast<double>(after.wchar - before.wchar - extraWrites), benchmark::Counter::kAvgIterations);
}

void BM_Load(benchmark::State& state, std::string file)
{
    TtwID3 tag;
    const IoCounters before = ReadIoCounters();
    for (auto _ : state) {
        tag.LoadFromFile(file);
        benchmark::DoNotOptimize(tag.Success());
    }
    Report(state, before, 0);
}

// Puts the broken size digits back, so every save finds the same file.
void Rebreak(const std::string& file, const Case& c)
{
    std::fstream out(file, std::ios::binary | std::ios::in | std::ios::out);
    out.seekp(static_cast<std::streamoff>(fs::file_size(file) - 128 - 9 - 6));
    out.write(c.brokenSize.data(), 6);
}

void BM_Save(benchmark::State& state, std::string file, const Case& c)
{
    TtwID3 tag;
    tag.LoadFromFile(file);
    tag.ID3v1().SetTitle(tag.ID3v1().Title());
    const auto sizeBefore = fs::file_size(file);
    const IoCounters before = ReadIoCounters();
    for (auto _ : state) {
        tag.Save();
        if (!c.brokenSize.empty()) {
            state.PauseTiming();
            Rebreak(file, c);
            state.ResumeTiming();
        }
    }
    const auto restoreWrites = static_cast<std::int64_t>(c.brokenSize.size() * state.iterations());
    Report(state, before, restoreWrites);
    if (tag.Success() != sonrik::twID3::id3Success || fs::file_size(file) != sizeBefore)
        state.SkipWithError("the save did not write back the same tags");
}

// An ID3v2.3 tag of a few text frames and 1 KB of padding, then audio.
std::string ID3v2Head()
{
    std::string body;
    for (const auto& [id, text] : {std::pair<std::string, std::string>{"TIT2", "Benchmark title"},
                                   {"TPE1", "Benchmark artist"}, {"TALB", "Benchmark album"}}) {
        const std::size_t n = text.size() + 1;
        body += id + std::string{0, 0, static_cast<char>(n >> 8), static_cast<char>(n)} + std::string(3, '\0') + text;
    }
    body += std::string(1024, '\0');
    const std::size_t n = body.size();
    return std::string("ID3\3\0\0", 6) + std::string{static_cast<char>(n >> 21 & 0x7F), static_cast<char>(n >> 14 & 0x7F),
                                                        static_cast<char>(n >> 7 & 0x7F), static_cast<char>(n & 0x7F)} +
           body;
}

std::string MakeID3v2File(const fs::path& dir, const Size& s)
{
    const std::string name = (dir / (std::string("id3v2-") + s.name + ".mp3")).string();
    std::ofstream(name, std::ios::binary) << ID3v2Head() << std::string(static_cast<std::size_t>(s.bytes), '\x55')
                                          << Record();
    return name;
}

// A title that fits the padding, changed on every save.
void BM_SaveID3v2InPlace(benchmark::State& state, std::string file)
{
    sonrik::twID3::ID3v2Changes changes;
    bool odd = false;
    for (auto _ : state) {
        changes.title = (odd = !odd) ? "Benchmark title A" : "Benchmark title B";
        if (!sonrik::twID3::SaveID3v2(file, changes).inPlace) {
            state.SkipWithError("the save did not fit in place");
            break;
        }
    }
}

// A comment larger than the padding: the file is written anew each time,
// from the untouched `original` put back outside the timing.
void BM_SaveID3v2Rewrite(benchmark::State& state, std::string file, std::string original)
{
    sonrik::twID3::ID3v2Changes changes;
    changes.comment = std::string(4096, 'c');
    for (auto _ : state) {
        state.PauseTiming();
        fs::copy_file(original, file, fs::copy_options::overwrite_existing);
        state.ResumeTiming();
        if (sonrik::twID3::SaveID3v2(file, changes).inPlace) {
            state.SkipWithError("the save did not rewrite the file");
            break;
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

    const BenchFiles files(SONRIK_BENCH_DIR);
    static const std::vector<Case> cases = Cases();
    for (const Case& c : cases) {
        for (const Size& s : kSizes) {
            const std::string file = files.make(c, s);
            const std::string suffix = std::string("/") + c.name + "/" + s.name;
            benchmark::RegisterBenchmark(("Load" + suffix).c_str(), BM_Load, file);
            benchmark::RegisterBenchmark(("Save" + suffix).c_str(), BM_Save, file, c);
        }
    }
    std::vector<std::string> id3v2Files;
    for (const Size& s : {kSizes[0], kSizes[1]}) {
        const std::string file = MakeID3v2File(SONRIK_BENCH_DIR, s), original = file + ".orig";
        fs::copy_file(file, original, fs::copy_options::overwrite_existing);
        id3v2Files.insert(id3v2Files.end(), {file, original});
        benchmark::RegisterBenchmark((std::string("SaveID3v2/in_place/") + s.name).c_str(), BM_SaveID3v2InPlace, file);
        benchmark::RegisterBenchmark((std::string("SaveID3v2/rewrite/") + s.name).c_str(), BM_SaveID3v2Rewrite, file,
                                     original)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RunSpecifiedBenchmarks();
    for (const auto& file : id3v2Files) fs::remove(file);
    benchmark::Shutdown();
    return 0;
}
