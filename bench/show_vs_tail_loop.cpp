// Whole-process time of `sonrik-tag show --json` over 1,000 tagged files,
// against the least any reader can do: a plain loop that opens each file,
// reads its last 137 bytes (the record and the marker in front of it) and
// closes it. The goal is to stay within twice the plain loop.
//
//   sonrik_bench_show                 make the files, time both, print the figures
//   sonrik_bench_show tail FILE...    the plain loop itself (run by the above)
//
// The files (64 KB of audio, a Lyrics3 v2.00 block and the record) are made in
// bench-show-PID beside the program and removed at exit. Each run starts a new
// process, as a user's command does; A and B run in turn so that a drifting
// machine moves both alike, and the medians are printed.

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "whole_process.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 1000;
constexpr int kRuns = 11;
constexpr std::size_t kTail = 137;

int TailLoop(int count, char** names)
{
    int tagged = 0;
    char tail[kTail];
    for (int i = 0; i < count; ++i) {
        const int fd = ::open(names[i], O_RDONLY | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat st {};
        if (::fstat(fd, &st) == 0 && st.st_size >= static_cast<off_t>(kTail) &&
            ::pread(fd, tail, kTail, st.st_size - static_cast<off_t>(kTail)) == static_cast<ssize_t>(kTail) &&
            std::memcmp(tail + kTail - 128, "TAG", 3) == 0)
            ++tagged;
        ::close(fd);
    }
    std::printf("%d tagged\n", tagged);
    return tagged == count ? 0 : 1;
}

std::string Padded(std::size_t n, std::size_t width)
{
    std::string digits = std::to_string(n);
    return std::string(width - std::min(width, digits.size()), '0') + digits;
}

std::string Tags(int i)
{
    std::string lyrics;
    for (int line = 0; line < 12; ++line) lyrics += "la la la, line " + Padded(static_cast<std::size_t>(line), 2) + "\r\n";
    std::string block = "LYRICSBEGININD0000210LYR" + Padded(lyrics.size(), 5) + lyrics + "AUT00006Sonrik";
    block += Padded(block.size(), 6) + "LYRICS200";
    std::string record = "TAG" + ("Title " + std::to_string(i));
    record.resize(128, '\0');
    return block + record;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && std::string(argv[1]) == "tail") return TailLoop(argc - 2, argv + 2);

    const fs::path self = fs::canonical("/proc/self/exe");
    const fs::path dir = self.parent_path() / ("bench-show-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::vector<std::string> names;
    const std::string audio(64 * 1024, '\x55');
    for (int i = 0; i < kFiles; ++i) {
        names.push_back((dir / ("song-" + Padded(static_cast<std::size_t>(i), 4) + ".mp3")).string());
        std::ofstream(names.back(), std::ios::binary) << audio << Tags(i);
    }

    std::vector<std::string> show = {SONRIK_TAG_PROGRAM, "show", "--json"};
    std::vector<std::string> loop = {self.string(), "tail"};
    show.insert(show.end(), names.begin(), names.end());
    loop.insert(loop.end(), names.begin(), names.end());

    TimeRun(show);  // warm-up: the files into the page cache
    TimeRun(loop);
    std::vector<double> a, b, ratio;
    for (int run = 0; run < kRuns; ++run) {
        a.push_back(TimeRun(show));
        b.push_back(TimeRun(loop));
        ratio.push_back(a.back() / b.back());
    }
    fs::remove_all(dir);

    std::printf("%d files, %d runs, medians of whole-process wall time\n", kFiles, kRuns);
    std::printf("  sonrik-tag show --json  %8.2f ms\n", Median(a) * 1e3);
    std::printf("  open, read 137, close   %8.2f ms\n", Median(b) * 1e3);
    std::printf("  ratio (pair by pair)    %8.2f  (goal: at most 2)\n", Median(ratio));
    return 0;
}
