// plumeo-session: types a UTF-8 article into the simulated Word at its insertion point and
// verifies it by reading back. Exit status 0 only for a verified result.

#include "app/session/HeadlessSession.h"
#include "app/session/LocalSimulator.h"
#include "app/session/SessionCommandLine.h"
#include "core/text/PreparationError.h"
#include "core/text/Utf16.h"
#include "mac/backend/MainLoop.h"
#include "mac/backend/sim/SimBackend.h"
#include "mac/backend/sim/SimControl.h"

#include <csignal>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>

namespace {

constexpr int exitUsage = 2;
constexpr int exitSetup = 3;

volatile std::sig_atomic_t interrupted = 0;

void onInterrupt(int) {
    interrupted = 1;
}

void installInterruptHandler() {
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

std::u16string readArticle(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw plumeo::CommandLineError("无法读取文章文件：" + path);
    const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    try {
        std::u16string article = plumeo::toUtf16(bytes);
        // The newline that ends a text file's last line is not an empty paragraph to type.
        if (!article.empty() && article.back() == u'\n')
            article.pop_back();
        if (!article.empty() && article.back() == u'\r')
            article.pop_back();
        return article;
    } catch (const plumeo::Utf8Error& error) {
        throw plumeo::CommandLineError("文章文件不是有效的 UTF-8（字节 " +
                                       std::to_string(error.byteOffset()) + "）：" + path);
    }
}

int runSession(const plumeo::SessionCommandLine& commandLine, const std::u16string& article) {
    std::unique_ptr<plumeo::LocalSimulator> simulator;
    std::string socketPath =
        commandLine.socketPath.value_or(plumeo::simproto::socketPathFromEnvironment());
    if (commandLine.simulator == plumeo::SimulatorSource::ownProcess) {
        simulator = std::make_unique<plumeo::LocalSimulator>();
        socketPath = simulator->socketPath();
        std::cout << "已启动模拟器：" << socketPath << '\n';
    }
    plumeo::SimControl control(socketPath);
    if (simulator || commandLine.autoCorrect == plumeo::AutoCorrectPolicy::allOff)
        plumeo::readySimulatedWord(control, commandLine.autoCorrect);

    plumeo::HeadlessSessionOptions options;
    options.settings = plumeo::sessionSettings(commandLine);
    options.seed = commandLine.seed.value_or(0);
    options.cancelRequested = [] { return interrupted != 0; };
    auto backend = std::make_shared<plumeo::SimBackend>(socketPath);
    // The main thread turns the run loop, as macOS needs; the session runs beside it.
    return plumeo::runBesideMainLoop(*backend, [&] {
        plumeo::HeadlessSession session(backend, options);
        session.prepare(article);
        const plumeo::SessionPhase phase = session.run();

        // Read past the reader under test: the simulator's own copy of the document.
        const std::u16string document = control.documentText(session.documentName());
        const std::u16string expected = session.engine()->expectedFinalDocument();
        std::cout << "模拟器中的文档长度：" << plumeo::utf16Count(document) << "（预期 "
                  << plumeo::utf16Count(expected) << "，均含最后的段落标记）"
                  << (document == expected ? "，内容一致" : "，内容不同") << '\n';
        return plumeo::HeadlessSession::exitCode(phase);
    });
}

} // namespace

int main(int argc, char** argv) {
    plumeo::SessionCommandLine commandLine;
    std::u16string article;
    try {
        commandLine =
            plumeo::parseSessionCommandLine(std::vector<std::string>(argv + 1, argv + argc));
        if (commandLine.showHelp) {
            std::cout << plumeo::sessionUsage();
            return 0;
        }
        article = readArticle(commandLine.articlePath);
    } catch (const plumeo::CommandLineError& error) {
        std::cerr << "plumeo-session：" << error.what() << '\n' << plumeo::sessionUsage();
        return exitUsage;
    }
    installInterruptHandler();
    try {
        return runSession(commandLine, article);
    } catch (const plumeo::PreparationError& error) {
        std::cerr << "plumeo-session：文章无法输入：" << error.description() << '\n';
    } catch (const plumeo::simproto::SimError& error) {
        std::cerr << "plumeo-session：无法连接模拟器：" << error.what() << '\n';
    } catch (const std::exception& error) {
        std::cerr << "plumeo-session：" << error.what() << '\n';
    }
    return exitSetup;
}
