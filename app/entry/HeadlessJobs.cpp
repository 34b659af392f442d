#include "app/entry/HeadlessJobs.h"

#include "app/entry/BackendChoice.h"
#include "app/entry/ReportWriter.h"
#include "app/selftest/SelfTestHarness.h"
#include "mac/backend/PlatformBackend.h"
#include "mac/input/Permissions.h"
#include "mac/script/WordBridge.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <chrono>
#include <functional>
#include <iostream>
#include <memory>
#include <thread>

namespace plumeo::entry {
namespace {

constexpr int permissionWaitSeconds = 600;

/// Runs `work` on the main thread and waits for it: the permission prompts belong there.
void onMainThread(const std::function<void()>& work) {
    QMetaObject::invokeMethod(QCoreApplication::instance(), work, Qt::BlockingQueuedConnection);
}

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
    onMainThread([&] {
        if (!Permissions::requestAccessibility(*backend))
            Permissions::openAccessibilitySettings(*backend);
    });
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

int notBuiltYet(const HeadlessSwitch& headless) {
    // Writing an empty report would read as "nothing found"; say plainly that nothing ran.
    std::cerr << "plumeo：" << headless.name << " 对应的任务尚未实现，没有运行，也没有写报告。\n";
    return exitJobUnavailable;
}

int runJob(const HeadlessSwitch& headless, const std::vector<std::string>& arguments) {
    try {
        switch (headless.job) {
        case HeadlessJob::status: {
            const BackendHandle backend = openBackend(backendOptions(arguments));
            return writeStatus(headless, backend.backend);
        }
        case HeadlessJob::requestPermissions: {
            const BackendHandle backend = openBackend(backendOptions(arguments));
            return requestPermissions(headless, backend.backend);
        }
        case HeadlessJob::selftest: {
            const BackendHandle backend = openBackend(backendOptions(arguments));
            selftest::SelfTestOptions options;
            options.quick = hasFlag(arguments, "--quick");
            selftest::SelfTestHarness harness(headless.values.front(), headless.reportDirectory(),
                                              backend.backend, options);
            return harness.run();
        }
        case HeadlessJob::probe:
        case HeadlessJob::cleanupTestDocs:
        case HeadlessJob::probeBackground:
        case HeadlessJob::probePages:
        case HeadlessJob::probeEmoji:
            return notBuiltYet(headless);
        }
    } catch (const std::exception& error) {
        std::cerr << "plumeo：" << headless.name << " 失败：" << error.what() << '\n';
    }
    return 1;
}

} // namespace

int runHeadlessJob(const HeadlessSwitch& headless, int argc, char** argv) {
    QCoreApplication application(argc, argv);
    int status = 0;
    std::thread job;
    // The job starts once the loop runs, so that it can hand work to the main thread.
    QMetaObject::invokeMethod(
        &application,
        [&] {
            job = std::thread([&] {
                status = runJob(headless, std::vector<std::string>(argv + 1, argv + argc));
                QMetaObject::invokeMethod(&application, &QCoreApplication::quit,
                                          Qt::QueuedConnection);
            });
        },
        Qt::QueuedConnection);
    QCoreApplication::exec();
    if (job.joinable())
        job.join();
    return status;
}

} // namespace plumeo::entry
