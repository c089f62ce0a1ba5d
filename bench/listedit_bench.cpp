// The list editor's two tests through its window on the headless backend,
// over 1,000 and 10,000 real tagged files: "TAG to file name" (a new name for
// every file, checked against the disk and every other record) and "File
// name to TAG" (tag values cut out of every name). Each iteration is what the
// user's click on Test runs: the whole page built again with a row per file.
// Ten times the files should cost about ten times the time.

#include "Main_List/list_editor.h"
#include "ui/headless/headless.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using sonrik::TAListEditor;
using sonrik::ui::headless::HeadlessBackend;
using sonrik::ui::headless::User;

std::string Record(const std::string& title, const std::string& artist, int track)
{
    std::string r(128, '\0');
    r.replace(0, 3, "TAG");
    r.replace(3, title.size(), title);
    r.replace(33, artist.size(), artist);
    r[126] = static_cast<char>(track);
    return r;
}

// A folder of `count` songs and a list file naming them, made once per size.
class SongFolder {
public:
    explicit SongFolder(int count)
        : path_(fs::path(SONRIK_BENCH_DIR) / ("list-files-" + std::to_string(::getpid()) + "-" + std::to_string(count)))
    {
        fs::create_directories(path_);
        const std::string audio(400, 'a');
        std::ofstream list(ListFile(), std::ios::binary);
        for (int i = 0; i < count; ++i) {
            const std::string artist = "Artist " + std::to_string(i % 97);
            // Every tenth song has the title of the next one: its new name clashes.
            const std::string title = "Title " + std::to_string(i % 10 == 0 ? i + 1 : i);
            const fs::path song = path_ / (std::to_string(i) + " - " + artist + " - Song_" + std::to_string(i) + ".mp3");
            std::ofstream(song, std::ios::binary) << audio << Record(title, artist, i % 256);
            list << song.string() << "\r\n";
        }
    }
    ~SongFolder()
    {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    std::string ListFile() const { return (path_ / "list.m3u").string(); }
    std::string ModuleFile() const { return (path_ / "Sonrik.dll").string(); }
    // Each run starts from the default templates and options.
    void ForgetSettings() const
    {
        fs::remove(path_ / "sonrik.txt");
        fs::remove(path_ / "moduls.ini");
    }

private:
    fs::path path_;
};

// Every file of the list selected, as a user does: a click on the first row
// and a Shift+click on the last.
void SelectAllRows(User& user, TAListEditor& window)
{
    user.ClickRow(window.TagBox, 0);
    user.ClickRow(window.TagBox, window.TagBox.Count() - 1, sonrik::ui::ssShift);
}

// The folder of `state.range(0)` songs, made once per size (the library runs
// each benchmark several times), with the settings forgotten.
const SongFolder& SharedFolder(benchmark::State& state)
{
    static std::map<std::int64_t, std::unique_ptr<SongFolder>> folders;
    auto& made = folders[state.range(0)];
    if (!made) made = std::make_unique<SongFolder>(static_cast<int>(state.range(0)));
    made->ForgetSettings();
    return *made;
}

// Opens the editor on the folder's list and runs `act` while it is up; each
// benchmark's item is a file.
template <typename Act>
void WithEditor(benchmark::State& state, const SongFolder& folder, Act act)
{
    HeadlessBackend backend;
    TAListEditor window(backend, folder.ModuleFile());
    window.FileListPath = folder.ListFile();
    window.Create();
    backend.WhileModal([&](User& user) { act(user, window, backend); });
    window.ShowModal(0);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// Selects every file, goes to `page` and then times the Test button there.
void PageTest(benchmark::State& state, int page)
{
    WithEditor(state, SharedFolder(state), [&](User& user, TAListEditor& window, HeadlessBackend& backend) {
        SelectAllRows(user, window);
        user.SelectTab(window.AFilesPage, page);
        const std::string templates[] = {"<TRACK NUM> - <ARTIST> - <TITLE>", "<track num> - <artist> - <title>"};
        int next = 0;
        if (window.CurrentPage() != page || !backend.ErrorBoxes().empty()) {
            state.SkipWithError("the page was not reached");
            return;
        }
        for (auto _ : state) {
            user.ReplaceText(window.OptionBox, templates[next ^= 1]);  // a changed template offers Test again
            user.Click(window.BTTest);
            benchmark::DoNotOptimize(window.TagBox.Item(window.TagBox.Count() - 1));
        }
        state.counters["rows"] = window.TagBox.Count();
    });
}

// Leaving the file list: every selected file's tags read into a record, then
// the first test.
void LoadAndTest(benchmark::State& state)
{
    WithEditor(state, SharedFolder(state), [&](User& user, TAListEditor& window, HeadlessBackend&) {
        for (auto _ : state) {
            user.SelectTab(window.AFilesPage, TAListEditor::FileListPage);
            SelectAllRows(user, window);
            user.SelectTab(window.AFilesPage, TAListEditor::TagToNamePage);
            benchmark::DoNotOptimize(window.TagCount());
        }
    });
}

// Apply on "TAG to file name": every tested file renamed on disk and in the
// list. Iterations take two templates in turn, so each renames every file;
// the files are the benchmark's own, as it renames them.
void ApplyRenames(benchmark::State& state)
{
    const SongFolder folder(static_cast<int>(state.range(0)));
    WithEditor(state, folder, [&](User& user, TAListEditor& window, HeadlessBackend&) {
        SelectAllRows(user, window);
        user.SelectTab(window.AFilesPage, TAListEditor::TagToNamePage);
        const std::string templates[] = {"<TRACK NUM> - <TITLE>", "<TRACK NUM> - <ARTIST> - <TITLE>"};
        int next = 0;
        for (auto _ : state) {
            state.PauseTiming();
            user.ReplaceText(window.OptionBox, templates[next ^= 1]);
            user.Click(window.BTTest);
            state.ResumeTiming();
            user.Click(window.BTApply);
        }
    });
}

void TagToFileName(benchmark::State& state) { PageTest(state, TAListEditor::TagToNamePage); }
void FileNameToTag(benchmark::State& state) { PageTest(state, TAListEditor::NameToTagPage); }

BENCHMARK(TagToFileName)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(FileNameToTag)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(LoadAndTest)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(ApplyRenames)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
