// Whole-process times of sonrik-tag's rename and fill over 10,000 tagged
// files: the previews against `show --json` over the same files (goal: within
// 1.5 times, and under a second), and `rename --apply` with its journal
// against the least a rename from tags does: a small C program that opens
// each file, reads its last 128 bytes, closes it and renames it (goal: within
// 1.3 times; rename_floor.c). A plain loop of rename(2) calls, which reads no
// tag, is shown beside them for the figures.
//
//   sonrik_bench_changes                  make the files, time all, print the figures
//   sonrik_bench_changes rename DIR A B   the plain loop: DIR/A-NNNNN... to B (run by the above)
//
// The files are "Band NNNNN - Song.mp3" (8 KB of audio and an ID3v1.1
// record whose artist is "Artist NNNNN"), made in bench-changes-PID beside
// the program and removed at exit. Each timed run is a new process; A and B
// run in turn, and the medians are printed. Between two apply runs the
// files get their names back, outside the timing.
#include "whole_process.h"

#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 10000;
constexpr int kRuns = 11;

std::string Number(int i)
{
    char text[8];
    std::snprintf(text, sizeof text, "%05d", i);
    return text;
}

std::string OldName(int i) { return "Band " + Number(i) + " - Song.mp3"; }
std::string NewName(int i) { return "Artist " + Number(i) + " - Title.mp3"; }

int RenameLoop(const std::string& dir, bool forward)
{
    for (int i = 0; i < kFiles; ++i) {
        const std::string from = dir + "/" + (forward ? OldName(i) : NewName(i));
        const std::string to = dir + "/" + (forward ? NewName(i) : OldName(i));
        if (std::rename(from.c_str(), to.c_str()) != 0) {
            std::perror(from.c_str());
            return 1;
        }
    }
    return 0;
}

struct Pair {
    std::vector<double> a, b, ratio;
    void Add(double x, double y)
    {
        a.push_back(x);
        b.push_back(y);
        ratio.push_back(x / y);
    }
    void Print(const char* what, const char* against, const char* goal) const
    {
        std::printf("  %-36s %8.1f ms\n  %-36s %8.1f ms\n  %-36s %8.2f  (goal: %s)\n\n", what, Median(a) * 1e3,
                    against, Median(b) * 1e3, "ratio (pair by pair)", Median(ratio), goal);
    }
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::string(argv[1]) == "rename") return RenameLoop(argv[2], std::strcmp(argv[3], "forward") == 0);

    const fs::path self = fs::canonical("/proc/self/exe");
    const fs::path dir = self.parent_path() / ("bench-changes-" + std::to_string(::getpid()));
    fs::create_directories(dir / "state");
    ::setenv("SONRIK_STATE_DIR", (dir / "state").c_str(), 1);
    const std::string audio(8 * 1024, '\x55');
    for (int i = 0; i < kFiles; ++i) {
        std::string record = "TAG" + std::string("Title") + std::string(25, '\0');
        record += "Artist " + Number(i) + std::string(18, '\0');
        record += std::string(30, '\0') + "2001" + std::string(28, '\0') + '\0' + static_cast<char>(i % 200 + 1) + '\x0c';
        std::ofstream(dir / OldName(i), std::ios::binary) << audio << record;
    }
    const std::string program = SONRIK_TAG_PROGRAM;
    const std::string folder = dir.string();
    const std::vector<std::string> show = {program, "show", "--json", folder};
    const std::vector<std::string> rename = {program, "rename", "-t", "<ARTIST> - <TITLE>", folder};
    const std::vector<std::string> renameJson = {program, "rename", "--json", "-t", "<ARTIST> - <TITLE>", folder};
    const std::vector<std::string> fill = {program, "fill", "--overwrite", "-t", "<ARTIST> - <TITLE>", folder};
    const std::vector<std::string> apply = {program, "rename", "--apply", "-t", "<ARTIST> - <TITLE>", folder};
    const std::vector<std::string> loop = {self.string(), "rename", folder, "forward"};
    const std::vector<std::string> floor = {SONRIK_RENAME_FLOOR, folder, std::to_string(kFiles), "forward"};
    const std::vector<std::string> back = {self.string(), "rename", folder, "back"};

    TimeRun(show);  // warm-up: the files into the page cache
    Pair renamePreview, renameJsonPreview, fillPreview, applyRun, applyFloor;
    for (int run = 0; run < kRuns; ++run) {
        const double s = TimeRun(show);
        renamePreview.Add(TimeRun(rename), s);
        renameJsonPreview.Add(TimeRun(renameJson), s);
        fillPreview.Add(TimeRun(fill), s);
        const double applied = TimeRun(apply);
        TimeRun(back);
        const double looped = TimeRun(loop);
        TimeRun(back);
        const double floored = TimeRun(floor);
        TimeRun(back);
        applyFloor.Add(applied, floored);
        applyRun.Add(applied, looped);
        for (const auto& journal : fs::directory_iterator(dir / "state")) fs::remove(journal.path());
    }
    fs::remove_all(dir);

    std::printf("%d files, %d runs, medians of whole-process wall time\n\n", kFiles, kRuns);
    renamePreview.Print("sonrik-tag rename (preview, lines)", "sonrik-tag show --json", "at most 1.5, under 1 s");
    renameJsonPreview.Print("sonrik-tag rename --json (preview)", "sonrik-tag show --json", "at most 1.5, under 1 s");
    fillPreview.Print("sonrik-tag fill --overwrite (preview)", "sonrik-tag show --json", "at most 1.5, under 1 s");
    applyFloor.Print("sonrik-tag rename --apply (journal)", "C: open, read 128 bytes, close, rename", "at most 1.3");
    applyRun.Print("sonrik-tag rename --apply (journal)", "rename(2) loop, no tag read", "none: for the figures");
    return 0;
}
