// The list editor's two tests over 1,000 to 100,000 records: new names from
// tags ("TAG to file name", with a name check per record against the disk and
// against every other record) and tag values from names ("File name to TAG").
// The disk is an in-memory set, so the figures are those of the template
// logic; ten times the records must cost about ten times the time.

#include "batch/templates.h"

#include <benchmark/benchmark.h>

#include <string>
#include <unordered_set>

namespace {

using namespace sonrik::batch;

TTagArray Records(int count)
{
    TTagArray tags(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        TFTag& tag = tags[static_cast<std::size_t>(i)];
        tag.FilePath = "C:\\Music\\Album\\" + std::to_string(i) + " - Artist " + std::to_string(i % 97) + " - Title.mp3";
        tag.ArtistText = "Artist " + std::to_string(i % 97);
        tag.TitleText = "Title " + std::to_string(i);  // every tenth clashes with another record
        if (i % 10 == 0) tag.TitleText = "Title " + std::to_string(i + 1);
        tag.TrackText = std::to_string(i % 256);
    }
    return tags;
}

NameFiles Disk(const TTagArray& tags, std::unordered_set<std::string>& files)
{
    for (const TFTag& tag : tags) files.insert(tag.FilePath);
    return {[&files](const std::string& p) { return files.count(p) != 0; },
            [](const std::string& a, const std::string& b) { return a == b; },
            {}};
}

void RenameTest(benchmark::State& state)
{
    TTagArray tags = Records(static_cast<int>(state.range(0)));
    std::unordered_set<std::string> files;
    TemplateContext context(tags, Disk(tags, files));
    for (auto _ : state) {
        TestAllRenames(context, "<TRACK NUM>. <ARTIST> - <TITLE>");
        benchmark::DoNotOptimize(tags.back().Status);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void FillTest(benchmark::State& state)
{
    TTagArray tags = Records(static_cast<int>(state.range(0)));
    std::unordered_set<std::string> files;
    TemplateContext context(tags, Disk(tags, files));
    context.emptyOnly = false;
    for (auto _ : state) {
        for (std::size_t i = 0; i < tags.size(); ++i)
            tags[i].Status = FillFromName(context, i, "<TRACK NUM> - <ARTIST> - <TITLE>");
        benchmark::DoNotOptimize(tags.back().Status);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(RenameTest)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(FillTest)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
