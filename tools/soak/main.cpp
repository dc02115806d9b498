// fileprotect_soak: several processes share the rule store, the cache file
// and a named lock through FileProtect.dll while the parent kills some of
// them; at the end it proves from their journals that nothing acknowledged
// was lost or doubled. "fileprotect_soak worker ..." is the worker side,
// started by the parent only.
#include <windows.h>

#include <CLI/CLI.hpp>

#include <cstdio>
#include <exception>

#include "Soak.h"

namespace {

int Main(int argc, char** argv) {
    CLI::App app{"Soak FileProtect.dll under load and kills; the last line sums it up."};
    SoakOptions options;
    app.add_option("--seconds", options.seconds, "how long the workers run")
        ->check(CLI::Range(1, 7 * 24 * 3600))
        ->capture_default_str();
    app.add_option("--workers", options.workers, "worker processes at any time")
        ->check(CLI::Range(1, 64))
        ->capture_default_str();
    app.add_option("--kill-every", options.killEvery, "seconds between kills (0: none)")
        ->check(CLI::Range(0.0, 3600.0))
        ->capture_default_str();
    const CLI::IsMember areas({"all", "counts", "lists", "cache", "lock"});
    app.add_option("--focus", options.focus, "mix only one area's operations")
        ->check(areas)
        ->capture_default_str();
    CLI::Option* seedOption =
        app.add_option("--seed", options.seed, "repeats a run's random choices (default: new)");

    int workerId = 0;
    uint32_t parentId = 0;
    uint64_t workerSeed = 0;
    std::string workerFocus = "all";
    CLI::App* worker = app.add_subcommand("worker", "one worker (started by the parent)");
    worker->group("");  // not listed in --help
    worker->add_option("--id", workerId)->required();
    worker->add_option("--parent", parentId)->required();
    worker->add_option("--seed", workerSeed)->required();
    worker->add_option("--focus", workerFocus)->check(areas);

    CLI11_PARSE(app, argc, argv);
    if (worker->parsed()) return RunWorker(SoakRun(parentId), workerId, workerSeed, workerFocus);
    if (!seedOption->count())
        options.seed = static_cast<uint64_t>(NowMicros()) ^ (uint64_t{GetCurrentProcessId()} << 40);
    return RunSoak(options);
}

}  // namespace

int main(int argc, char** argv) {
    // Nothing is expected to throw but running out of memory; say so rather
    // than end without a word.
    try {
        return Main(argc, argv);
    } catch (const std::exception& error) {
        fprintf(stderr, "soak: %s\n", error.what());
    } catch (...) {
        fprintf(stderr, "soak: unexpected exception\n");
    }
    return 2;
}
