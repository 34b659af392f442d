#include "app/entry/HeadlessJobs.h"

#include "app/entry/BackendChoice.h"
#include "app/entry/ReportWriter.h"
#include "app/selftest/SelfTestDesktop.h"
#include "app/selftest/Probes/BackgroundProbe.h"
#include "app/selftest/Probes/EmojiProbe.h"
#include "app/selftest/Probes/PageProbe.h"
#include "app/selftest/Probes/Probe.h"
#include "app/selftest/SelfTestHarness.h"
#include "app/selftest/TestDocumentCleanup.h"
#include "platform/backend/MainLoop.h"
#include "platform/backend/PlatformBackend.h"
#include "platform/input/Permissions.h"
#include "platform/script/WordBridge.h"

#include <QCoreApplication>
#include <chrono>
#include <functional>
#include <iostream>
#include <memory>
#include <sstream>
#include <thread>

namespace plumeo::entry {
namespace {

constexpr int permissionWaitSeconds = 600;

constexpr double promptHopSeconds = 30;

std::string permissionLine(const char* label, const PermissionState& state) {
    return std::string("- **") + label + "**：" + state.label();
}

int writeStatus(const HeadlessSwitch& headless, const std::shared_ptr<PlatformBackend>& backend) {
    ReportWriter report(headless.reportDirectory(), "status.md");
    report.line("# 权限状态 " + isoTimestamp());
    report.line(permissionLine("辅助功能", Permissions::accessibility(*backend)));
    report.line(permissionLine("发送键盘事件", Permissions::postEvents(*backend)));
    report.line(
        permissionLine("自动化（Word）", Permissions::automation(*backend, ConsentPrompt::never)));
    const bool running = WordBridge::isWordRunning(*backend);
    report.line(std::string("- **Word 运行中**：") + (running ? "true" : "false"));
    if (!running)
        return 0;
    try {
        WordBridge bridge(backend);
        const WordBridge::Environment environment = bridge.environment();
        report.line("- **Word 读取**：成功：版本 " + environment.wordVersion + "，文档数 " +
                    std::to_string(environment.documentCount));
    } catch (const ReadError& error) {
        report.line("- **Word 读取**：失败：" + error.description());
    } catch (const std::exception& error) {
        report.line(std::string("- **Word 读取**：失败：") + error.what());
    }
    return 0;
}

int requestPermissions(const HeadlessSwitch& headless,
                       const std::shared_ptr<PlatformBackend>& backend) {
    ReportWriter report(headless.reportDirectory(), "permissions.md");
    report.line("# 请求权限 " + isoTimestamp());
    // The permission prompts belong on the main thread.
    backend->runOnMainThread(
        [&] {
            if (!Permissions::requestAccessibility(*backend))
                Permissions::openAccessibilitySettings(*backend);
        },
        promptHopSeconds);
    for (int waited = 0; waited < permissionWaitSeconds; ++waited) {
        if (Permissions::accessibility(*backend).kind == PermissionState::Kind::granted)
            break;
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
    report.line(permissionLine("辅助功能", Permissions::accessibility(*backend)));
    report.line(permissionLine("发送键盘事件", Permissions::postEvents(*backend)));
    report.line(permissionLine("自动化（Word）",
                               Permissions::automation(*backend, ConsentPrompt::ifNeeded)));
    return 0;
}

selftest::ProbeOptions probeOptions(const HeadlessSwitch& headless,
                                    const std::vector<std::string>& arguments,
                                    const BackendHandle& handle) {
    selftest::ProbeOptions options;
    options.backend = handle.backend;
    options.directory = headless.reportDirectory();
    try {
        options.desktop = selftest::makeSelfTestDesktop(handle);
    } catch (const std::exception&) {
        // Without its own window the background probe says so in its report.
    }
    options.noEmoji = hasFlag(arguments, "--no-emoji");
    options.breaks = hasFlag(arguments, "--breaks");
    return options;
}

int runJob(const HeadlessSwitch& headless, const std::vector<std::string>& arguments,
           const BackendHandle& handle) {
    const std::shared_ptr<PlatformBackend>& backend = handle.backend;
    try {
        switch (headless.job) {
        case HeadlessJob::status:
            return writeStatus(headless, backend);
        case HeadlessJob::requestPermissions:
            return requestPermissions(headless, backend);
        case HeadlessJob::selftest: {
            selftest::SelfTestOptions options;
            options.quick = hasFlag(arguments, "--quick");
            if (const auto cases = optionValue(arguments, "--cases")) {
                std::stringstream list(*cases);
                for (std::string id; std::getline(list, id, ',');) {
                    if (!id.empty())
                        options.cases.insert(id);
                }
            }
            options.desktop = selftest::makeSelfTestDesktop(handle);
            selftest::SelfTestHarness harness(headless.values.front(), headless.reportDirectory(),
                                              backend, options);
            return harness.run();
        }
        case HeadlessJob::cleanupTestDocs:
            selftest::cleanUpTestDocuments(backend, headless.reportDirectory());
            return 0;
        case HeadlessJob::probe:
            selftest::runGeneralProbe(probeOptions(headless, arguments, handle));
            return 0;
        case HeadlessJob::probeBackground:
            selftest::runBackgroundProbe(probeOptions(headless, arguments, handle));
            return 0;
        case HeadlessJob::probePages:
            selftest::runPageProbe(probeOptions(headless, arguments, handle));
            return 0;
        case HeadlessJob::probeEmoji:
            selftest::runEmojiProbe(probeOptions(headless, arguments, handle));
            return 0;
        }
    } catch (const std::exception& error) {
        std::cerr << "plumeo：" << headless.name << " 失败：" << error.what() << '\n';
    }
    return 1;
}

} // namespace

int runHeadlessJob(const HeadlessSwitch& headless, int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    BackendHandle backend;
    try {
        backend = openBackend(backendOptions(arguments));
    } catch (const std::exception& error) {
        std::cerr << "plumeo：" << headless.name << " 失败：" << error.what() << '\n';
        return 1;
    }
    // The main thread turns the backend's run loop, claimed before the job starts, so that
    // the job's first hop to it already waits for it.
    return runBesideMainLoop(*backend.backend,
                             [&] { return runJob(headless, arguments, backend); });
}

} // namespace plumeo::entry
