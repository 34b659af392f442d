// plumeo-stop-trials: many sessions against the in-process word processor, each stopped at a
// random moment from another thread, or by several stops racing each other.
//
//   plumeo-stop-trials [--trials N] [--seed S] [--jobs J] [--race-every K] [--simulator]
//                      [--progress]

#include "tests/trials/SimulatorTarget.h"
#include "tests/trials/StopTrials.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>
#include <thread>

namespace {

void usage() {
    std::cerr << "usage: plumeo-stop-trials [--trials N] [--seed S] [--jobs J] "
                 "[--race-every K] [--simulator] [--progress]\n"
                 "  every Kth trial races several stops (default 3; 0: none)\n"
                 "  --simulator: each job drives its own simulated Word through the platform\n"
                 "  layer instead of the in-process word processor\n";
}

} // namespace

int main(int argc, char** argv) {
    using namespace plumeo::trials;
    RunOptions options;
    options.trials = 10000;
    options.jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    bool progress = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        const auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                usage();
                std::exit(2);
            }
            return argv[++i];
        };
        try {
            if (argument == "--trials")
                options.trials = std::stoi(value());
            else if (argument == "--seed")
                options.seed = std::stoull(value());
            else if (argument == "--jobs")
                options.jobs = std::max(1, std::stoi(value()));
            else if (argument == "--race-every")
                options.raceEvery = std::max(0, std::stoi(value()));
            else if (argument == "--simulator") {
                options.makeTarget = simulatorTargets();
                if (!options.makeTarget) {
                    std::cerr << "this build has no simulator\n";
                    return 2;
                }
            } else if (argument == "--progress")
                progress = true;
            else {
                usage();
                return 2;
            }
        } catch (const std::exception&) {
            usage();
            return 2;
        }
    }
    // Loud at the moment it happens, not only in the summary.
    options.onTrappedPost = [](const std::string& what) {
        std::cerr << "VIOLATION: " << what << "\n";
    };
    int done = 0;
    options.onTrial = [&](const TrialResult& result) {
        ++done;
        if (!result.problems.empty())
            std::cerr << "trial seed " << result.seed << ": " << result.problems.front() << "\n";
        if (progress && done % 500 == 0)
            std::cerr << done << " / " << options.trials << "\n";
    };

    const RunSummary summary = runStopTrials(options);
    std::cout << formatSummary(summary, options);
    const bool clean =
        summary.withProblems().empty() && summary.postsAfterStop(TrialKind::single) == 0 &&
        summary.postsAfterStop(TrialKind::race) == 0 &&
        summary.trappedPosts(TrialKind::single) == 0 && summary.trappedPosts(TrialKind::race) == 0;
    return clean ? 0 : 1;
}
