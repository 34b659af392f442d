#include "app/session/SessionDriver.h"

#include "core/engine/TypingEngine.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <iostream>

namespace plumeo {

namespace {

using Kind = SessionPhase::Kind;

double secondsNow() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

AppModelOptions modelOptions(std::shared_ptr<PlatformBackend> backend, const QTemporaryDir& dir,
                             std::optional<std::uint64_t> seed) {
    AppModelOptions options;
    options.backend = std::move(backend);
    options.settings =
        std::make_unique<QSettings>(dir.filePath("settings.ini"), QSettings::IniFormat);
    options.fixedSeed = seed;
    return options;
}

} // namespace

SessionDriver::SessionDriver(std::shared_ptr<PlatformBackend> backend,
                             SessionDriverOptions options)
    : options_(std::move(options)),
      model_(std::make_unique<AppModel>(
          modelOptions(std::move(backend), settingsDirectory_, options_.seed))) {}

SessionDriver::~SessionDriver() = default;

std::string SessionDriver::documentName() const {
    return model_->target() ? model_->target()->documentName : std::string();
}

void SessionDriver::line(const std::string& text) {
    std::ostream& out = options_.out ? *options_.out : std::cout;
    out << text << '\n' << std::flush;
}

bool SessionDriver::waitFor(const std::function<bool()>& done, double timeoutSeconds) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutSeconds * 1000)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

SessionPhase SessionDriver::run(const std::u16string& article) {
    AppModel& model = *model_;
    const ModeSettings& settings = options_.settings;
    model.setCountdownSeconds(0);
    model.setPaceByDuration(false);
    model.setMode(settings.mode);
    model.setSpeed(settings.unitsPerMinute);
    model.setTypoEnabled(settings.typoEnabled);
    model.setTypoRate(settings.typoRate);
    model.setArticle(QString::fromUtf16(article.data(), static_cast<qsizetype>(article.size())));
    waitFor([&] { return !model.analysisPending(); }, 60);

    // The automation permission is read on the background queue.
    waitFor([&] { return model.automation().kind != PermissionState::Kind::unavailable; }, 5);
    model.detectTarget();
    waitFor([&] { return !model.detectingTarget(); }, 30);
    if (!model.targetError().isEmpty()) {
        line("无法开始：" + model.targetError().toStdString());
        return model.phase();
    }
    model.setTargetConfirmed(true);
    if (!model.blockers().isEmpty()) {
        line("无法开始：" + model.blockers().join("；").toStdString());
        return model.phase();
    }
    documentName_ = documentName();

    QObject context;
    QObject::connect(&model, &AppModel::snapshotChanged, &context, [this] { printProgress(); });
    // Reactions run from the event loop, not inside the model's own signal emission.
    const auto recoverLater = [this, &context] {
        QTimer::singleShot(0, &context, [this] {
            const Kind kind = model_->phase().kind;
            if (kind == Kind::paused || kind == Kind::needsRelocation)
                recover();
        });
    };
    QObject::connect(&model, &AppModel::phaseChanged, &context, [this, recoverLater] {
        if (!announced_ && model_->engine()) {
            announced_ = true;
            line("文档「" + documentName_ + "」· 模式 " + title(options_.settings.mode) +
                 " · 种子 " + std::to_string(model_->engine()->seed()));
        }
        recoverLater();
    });
    // A continue step that could not bring Word forward leaves the session paused.
    QObject::connect(&model, &AppModel::busyChanged, &context, [this, recoverLater] {
        if (!model_->busy())
            recoverLater();
    });
    QTimer cancelPoll;
    QObject::connect(&cancelPoll, &QTimer::timeout, &context, [this] {
        if (!cancelSent_ && options_.cancelRequested && options_.cancelRequested()) {
            line("正在取消…");
            cancelSent_ = true;
            model_->cancelStart(false);
        }
    });
    cancelPoll.start(50);

    model.start();
    waitFor(
        [&] {
            const Kind kind = model.phase().kind;
            return kind == Kind::idle || model.phase().isTerminal();
        },
        24 * 3600);
    cancelPoll.stop();
    // A mismatch lists its excerpts once Word has been read again.
    const SessionPhase phase = model.phase();
    if (phase.kind == Kind::completed &&
        phase.outcome.kind == VerificationOutcome::Kind::mismatch) {
        waitFor([&] { return model.resultDetails().join("").contains("：原文「"); }, 10);
    }
    printProgress();
    line(model.statusMessage().toStdString());
    for (const QString& detail : model.resultDetails())
        line(detail.toStdString());
    if (model.snapshot())
        for (const std::string& note : model.snapshot()->notes)
            line("备注：" + note);
    return phase;
}

void SessionDriver::recover() {
    AppModel& model = *model_;
    if (model.busy())
        return;
    const SessionPhase& phase = model.phase();
    if (phase.kind == Kind::needsRelocation) {
        line("需要重新定位：" + phase.explanation);
    } else {
        line("已暂停：" + phase.reason.message());
    }
    const bool final = phase.kind == Kind::needsRelocation || !phase.reason.isResumable();
    if (cancelSent_ || final || recoveries_ >= options_.maxRecoveries) {
        if (!cancelSent_) {
            cancelSent_ = true;
            model.cancelStart(false);
        }
        return;
    }
    ++recoveries_;
    // Word's AutoCorrect shows up as a read-back mismatch; with nobody to ask, the tool
    // accepts what Word made of the text, and the result says so.
    if (phase.reason.kind == StopReason::Kind::readbackMismatch) {
        line("接受差异并继续（第 " + std::to_string(recoveries_) + " 次）");
        model.acceptDifferencesAndContinue();
    } else {
        line("重新读回并继续（第 " + std::to_string(recoveries_) + " 次）");
        model.resume();
    }
}

void SessionDriver::printProgress() {
    AppModel& model = *model_;
    if (!model.snapshot())
        return;
    const std::string text = model.phase().title() + " · " + model.progressText().toStdString();
    if (text == lastProgress_)
        return;
    const double now = secondsNow();
    if (lastProgressAt_ >= 0 && now - lastProgressAt_ < options_.progressIntervalSeconds &&
        model.phase().kind == Kind::typing)
        return;
    lastProgress_ = text;
    lastProgressAt_ = now;
    line(text);
}

int SessionDriver::exitCode(const SessionPhase& phase) {
    if (phase.kind != Kind::completed)
        return 1;
    const auto kind = phase.outcome.kind;
    return kind == VerificationOutcome::Kind::verified ||
                   kind == VerificationOutcome::Kind::verifiedWithAcceptedDifferences
               ? 0
               : 1;
}

} // namespace plumeo
