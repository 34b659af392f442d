// plumeo-sim: a stand-in for the macOS desktop and Microsoft Word, served on a local socket.

#include "sim/server/SimServer.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

plumeo::sim::SimServer* runningServer = nullptr;

void onSignal(int) {
    if (runningServer) {
        runningServer->stop();
    }
}

std::string ownExecutable(const char* argv0) {
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (length > 0) {
        return std::string(path, static_cast<std::size_t>(length));
    }
    return argv0;
}

void usage() {
    std::fputs(
        "usage: plumeo-sim [--socket PATH] [--no-word] [--documents N] [--exit-with-parent]\n"
        "                  [--events-per-second R] [--latency-ms L]\n",
        stderr);
}

} // namespace

int main(int argc, char** argv) {
    using namespace plumeo;
    std::string socketPath = simproto::socketPathFromEnvironment();
    bool launchWord = true;
    bool watchParent = false;
    int documents = 0;
    sim::SimConfig config;
    config.desktopPid = static_cast<int>(getpid());
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "--word-process") {
            return sim::runWordProcess();
        }
        if (argument == "--socket" && hasValue) {
            socketPath = argv[++i];
        } else if (argument == "--exit-with-parent") {
            watchParent = true;
        } else if (argument == "--no-word") {
            launchWord = false;
        } else if (argument == "--documents" && hasValue) {
            documents = std::atoi(argv[++i]);
        } else if (argument == "--events-per-second" && hasValue) {
            config.wordEventsPerSecond = std::atof(argv[++i]);
        } else if (argument == "--latency-ms" && hasValue) {
            config.wordLatencySeconds = std::atof(argv[++i]) / 1000.0;
        } else {
            usage();
            return 2;
        }
    }

    if (watchParent) {
        // A test run that dies must not leave its simulator behind.
        sim::endWithParent(SIGTERM);
    }
    sim::ChildProcessHost processes(ownExecutable(argv[0]));
    sim::SimService service(config, processes);
    if (launchWord) {
        service.withWorld([&](sim::SimWorld& world) {
            if (world.launchWord()) {
                world.activate(*world.wordPid());
                for (int i = 0; i < documents; ++i) {
                    world.newDocument();
                }
            }
        });
    }
    try {
        sim::SimServer server(service, socketPath);
        runningServer = &server;
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
        std::signal(SIGPIPE, SIG_IGN);
        server.run();
        runningServer = nullptr;
    } catch (const simproto::SimError& error) {
        std::fprintf(stderr, "plumeo-sim: %s\n", error.what());
        return 1;
    }
    service.withWorld([](sim::SimWorld& world) { world.quitWord(); });
    if (watchParent) {
        // A test's private directory: gone with the socket, even when the test itself died.
        const auto slash = socketPath.rfind('/');
        if (slash != std::string::npos && slash > 0) {
            rmdir(socketPath.substr(0, slash).c_str());
        }
    }
    return 0;
}
