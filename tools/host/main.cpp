// sonrik-host: stands in for the audio player. It loads Sonrik.dll the way the
// player does (LoadLibraryA, exports by name) and drives it by command.
//
//   sonrik-host [--dll PATH] [query]
//
// query (the default) calls the three query exports and checks their results.
// The exit code is 0 when every check passed, 1 when one failed, 2 on a usage
// error or when the library or the host itself fails.
#include "plugin.h"
#include "queries.h"

#include <cstdio>
#include <exception>
#include <string>
#include <string_view>

namespace {

struct Options {
    std::string dll;             // empty: Sonrik.dll beside the host
    std::string command = "query";
};

[[noreturn]] void Usage(const std::string& problem)
{
    throw host::HostError(problem + "\nusage: sonrik-host [--dll PATH] [query]");
}

Options ParseArguments(int argc, char** argv)
{
    Options options;
    bool haveCommand = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--dll") {
            if (++i == argc)
                Usage("--dll needs a path");
            options.dll = argv[i];
        } else if (!arg.starts_with("-") && !haveCommand) {
            options.command = arg;
            haveCommand = true;
        } else {
            Usage("unexpected argument '" + std::string(arg) + "'");
        }
    }
    return options;
}

int RunQuery(const host::Plugin& plugin)
{
    std::printf("plug-in: %s\n", plugin.path().c_str());
    const int failed = host::CheckQueries(plugin);
    if (failed == 0) {
        std::printf("all query exports answered as expected\n");
        return 0;
    }
    std::printf("%d query export check(s) failed\n", failed);
    return 1;
}

int Run(const Options& options)
{
    if (options.command != "query")
        Usage("unknown command '" + options.command + "'");
    const host::Plugin plugin(options.dll.empty() ? host::DefaultPluginPath() : options.dll);
    return RunQuery(plugin);
}

}  // namespace

int main(int argc, char** argv)
{
    try {
        const int code = Run(ParseArguments(argc, argv));
        std::fflush(stdout);
        return code;
    } catch (const std::exception& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "sonrik-host: %s\n", error.what());
        return 2;
    }
}
