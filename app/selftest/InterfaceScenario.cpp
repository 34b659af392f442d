#include "app/selftest/InterfaceScenario.h"

#include "app/model/AppModel.h"
#include "app/selftest/ScenarioSupport.h"
#include "core/text/TextPreparer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>

#include <thread>

namespace plumeo::selftest {
namespace {

using Kind = SessionPhase::Kind;

const char16_t* const interfaceText =
    u"界面流程自检：通过应用模型检测目标、确认、倒计时、输入并读回。\n"
    u"The model drives the same session as the window, 一键一检。";

constexpr double detectSeconds = 30;
constexpr double dialogGiveUpSeconds = 2;
constexpr std::uint64_t interfaceSeed = 20260911;

/// Turns the model's event loop until `done` or the time runs out.
bool pumpUntil(const std::function<bool()>& done, double seconds) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > seconds * 1000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

} // namespace

void InterfaceScenario::run() {
    SelfTestHarness& h = harness_;
    TestResult result{"U1", "界面流程（AppModel：检测目标→确认→倒计时→输入→读回）",
                      TestResult::Status::fail, {}, {}};
    SelfTestSession session;
    if (const auto problem = h.prepareDocument(session)) {
        result.details.push_back("写入既有内容失败：" + *problem);
        h.record(std::move(result));
        return;
    }
    try {
        h.fixture_->activateDocument(session.docName);
    } catch (...) {
        result.details.push_back("激活失败：" + describeError(std::current_exception()));
    }
    session.text = TextPreparer::prepare(interfaceText);

    bool flowPassed = false;
    const double limitSeconds = h.limit(600);
    // The model lives where the application's event loop does, as in the window.
    const bool ran = h.backend_->runOnMainThread(
        [&] {
            QTemporaryDir scratch;
            AppModelOptions options;
            options.backend = h.backend_;
            options.settings = std::make_unique<QSettings>(
                scratch.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
            options.fixedSeed = interfaceSeed;
            AppModel model(std::move(options));
            model.setShowIntro(false);
            model.setSwitchToASCII(false);
            model.setMode(TypingMode::stable);
            model.setCountdownSeconds(h.options_.quick ? 1 : 3);
            model.setArticle(QString::fromStdU16String(interfaceText));
            pumpUntil([&] { return !model.analysisPending(); }, detectSeconds);

            model.detectTarget();
            pumpUntil([&] { return !model.detectingTarget(); }, detectSeconds);
            const auto& target = model.target();
            if (!target || target->documentName != session.docName ||
                target->selectionStart != session.insertion) {
                result.details.push_back("检测目标失败：" +
                                         (model.targetError().isEmpty()
                                              ? std::string("目标不是测试文档的插入点")
                                              : model.targetError().toStdString()));
                return;
            }
            result.details.push_back("检测到目标：" + target->documentName + "，位置 " +
                                     std::to_string(target->selectionStart));
            model.setTargetConfirmed(true);
            if (!model.blockers().isEmpty()) {
                result.details.push_back("确认后仍不能开始：" +
                                         model.blockers().join(QStringLiteral("；")).toStdString());
                return;
            }

            bool sawCountdown = false;
            QObject::connect(&model, &AppModel::phaseChanged, &model, [&] {
                sawCountdown = sawCountdown || model.phase().kind == Kind::countdown;
            });
            model.start();
            if (!pumpUntil([&] { return model.phase().kind == Kind::typing; }, 30)) {
                result.details.push_back("没有进入输入：" + model.statusMessage().toStdString());
                return;
            }
            result.details.push_back(std::string("倒计时：") + (sawCountdown ? "已显示" : "未显示"));

            // An outside dialog a third of the way in; it gives up on its own.
            pumpUntil([&] { return model.sentFraction() >= 0.3 || model.phase().isTerminal(); },
                      limitSeconds);
            std::thread dialog([&h] {
                try {
                    h.fixture_->showDialog(static_cast<int>(dialogGiveUpSeconds));
                } catch (...) {
                }
            });
            const bool paused =
                pumpUntil([&] { return model.phase().kind == Kind::paused || model.phase().isTerminal(); },
                          30) &&
                model.phase().kind == Kind::paused;
            const std::string stopText = model.statusMessage().toStdString();
            dialog.join();
            if (!paused) {
                result.details.push_back("对话框没有让输入停止：" + model.phase().title());
                return;
            }
            result.details.push_back("外部干扰后经界面「继续」恢复 " + stopText);
            model.resume();
            pumpUntil([&] { return model.phase().isTerminal(); }, limitSeconds);
            result.details.push_back("界面结果：" + model.statusMessage().toStdString());
            for (const QString& line : model.resultDetails())
                result.details.push_back("界面详情：" + line.toStdString());
            const SessionPhase& phase = model.phase();
            flowPassed = sawCountdown && phase.kind == Kind::completed &&
                         phase.outcome.kind == VerificationOutcome::Kind::verified;
            if (const auto& snapshot = model.snapshot()) {
                result.details.push_back("已发送 " + std::to_string(snapshot->ledger.sentUnits) +
                                         " / 共 " + std::to_string(snapshot->ledger.totalUnits));
                result.metrics["按键次数"] = snapshot->ledger.strokesSent;
                result.metrics["实测字每秒"] = snapshot->measuredUnitsPerSecond.value_or(0);
            }
        },
        limitSeconds);
    if (!ran)
        result.details.push_back("主线程没有接手界面流程");
    result.metrics["UTF16长度"] = static_cast<double>(session.expectedDocument().size());
    const bool readBack = h.verifyIndependently(session, session.expectedDocument(), result);
    result.status = ran && flowPassed && readBack ? TestResult::Status::pass
                                                  : TestResult::Status::fail;
    h.record(std::move(result));
}

} // namespace plumeo::selftest
