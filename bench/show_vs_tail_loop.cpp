// Whole-process time of `sonrik-tag show --json` over 1,000 tagged files,
// against the least any reader can do, in two shapes of file:
//   - tags at the end only (64 KB of audio, a Lyrics3 v2.00 block and the
//     record): a plain loop that opens each file, reads its last 137 bytes
//     (the record and the marker in front of it) and closes it;
//   - an ID3v2.3 tag at the start as well, with a few text frames and a
//     100 KB picture, as real files carry: the same loop reading the tag's
//     header and text frames first (one read of 4 KB, where they stand).
// The goal is to stay within 1.5 times the plain loop in both.
//
//   sonrik_bench_show                 make the files, time both, print the figures
//   sonrik_bench_show tail FILE...    the plain loop itself (run by the above)
//   sonrik_bench_show head FILE...    the loop reading head and tail
//
// The files are made in bench-show-PID beside the program and removed at
// exit. Each run starts a new process, as a user's command does; A and B run
// in turn so that a drifting machine moves both alike, and the medians are
// printed.

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

constexpr std::size_t kHead = 4096;

// With `head`, the ID3v2 header and the text frames in front of the picture
// are read too, and counted only when the tag is there.
int Loop(int count, char** names, bool head)
{
    int tagged = 0;
    char tail[kTail];
    static char start[kHead];
    for (int i = 0; i < count; ++i) {
        const int fd = ::open(names[i], O_RDONLY | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat st {};
        if (::fstat(fd, &st) == 0 && st.st_size >= static_cast<off_t>(kTail) &&
            (!head || (::pread(fd, start, kHead, 0) == static_cast<ssize_t>(kHead) && std::memcmp(start, "ID3", 3) == 0)) &&
            ::pread(fd, tail, kTail, st.st_size - static_cast<off_t>(kTail)) == static_cast<ssize_t>(kTail) &&
            std::memcmp(tail + kTail - 128, "TAG", 3) == 0)
            ++tagged;
        ::close(fd);
    }
    std::printf("%d tagged\n", tagged);
    return tagged == count ? 0 : 1;
}

std::string SyncSafe(std::size_t n)
{
    return {static_cast<char>(n >> 21 & 0x7F), static_cast<char>(n >> 14 & 0x7F), static_cast<char>(n >> 7 & 0x7F),
            static_cast<char>(n & 0x7F)};
}

// An ID3v2.3 tag: title, artist, album, track and year in ISO-8859-1, then a
// JPEG-sized picture, then padding.
std::string ID3v2Head(int i)
{
    std::string body;
    const auto frame = [&](const char* id, const std::string& data) {
        const std::size_t n = data.size();
        body += id;
        body += {static_cast<char>(n >> 24), static_cast<char>(n >> 16), static_cast<char>(n >> 8), static_cast<char>(n)};
        body += std::string(2, '\0') + data;
    };
    const auto text = [&](const char* id, const std::string& value) { frame(id, std::string(1, '\0') + value); };
    text("TIT2", "A Title Longer Than The Record Holds, Number " + std::to_string(i));
    text("TPE1", "The Artist");
    text("TALB", "The Album");
    text("TRCK", std::to_string(i % 20 + 1) + "/20");
    text("TYER", "2024");
    frame("APIC", std::string("\0image/jpeg\0\3\0", 15) + std::string(100 * 1024, '\xA5'));
    body += std::string(2048, '\0');
    return std::string("ID3\3\0\0", 6) + SyncSafe(body.size()) + body;
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
    if (argc >= 2 && std::string(argv[1]) == "tail") return Loop(argc - 2, argv + 2, false);
    if (argc >= 2 && std::string(argv[1]) == "head") return Loop(argc - 2, argv + 2, true);

    const fs::path self = fs::canonical("/proc/self/exe");
    const fs::path dir = self.parent_path() / ("bench-show-" + std::to_string(::getpid()));
    std::printf("%d files, %d runs, medians of whole-process wall time\n", kFiles, kRuns);
    const std::string audio(64 * 1024, '\x55');
    for (const bool id3v2 : {false, true}) {
        fs::create_directories(dir);
        std::vector<std::string> names;
        for (int i = 0; i < kFiles; ++i) {
            names.push_back((dir / ("song-" + Padded(static_cast<std::size_t>(i), 4) + ".mp3")).string());
            std::ofstream(names.back(), std::ios::binary) << (id3v2 ? ID3v2Head(i) : std::string()) << audio << Tags(i);
        }
        std::vector<std::string> show = {SONRIK_TAG_PROGRAM, "show", "--json"};
        std::vector<std::string> loop = {self.string(), id3v2 ? "head" : "tail"};
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

        std::printf("%s\n", id3v2 ? "with an ID3v2 tag and a 100 KB picture at the start"
                                  : "tags at the end only");
        std::printf("  sonrik-tag show --json  %8.2f ms\n", Median(a) * 1e3);
        std::printf("  %-22s %8.2f ms\n", id3v2 ? "open, read 4K+137, close" : "open, read 137, close", Median(b) * 1e3);
        std::printf("  ratio (pair by pair)    %8.2f  (goal: at most 1.5)\n", Median(ratio));
    }
    return 0;
}
