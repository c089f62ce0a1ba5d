// Load and save of tagged files of 100 KB, 10 MB and 100 MB, with and without
// a Lyrics3 block. Besides the time, each benchmark reports the bytes the
// process read and wrote per operation (from /proc/self/io), which must not
// grow with the size of the file: only the tag area is ever touched, and the
// search for a block with a broken size field looks back a bounded distance.

#include "twID3/twID3.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <unistd.h>
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
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
