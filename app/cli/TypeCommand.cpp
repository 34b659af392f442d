#include "app/cli/TypeCommand.h"

#include "app/analyze/ArticleFile.h"
#include "app/cli/SessionResult.h"
#include "app/entry/BackendChoice.h"
#include "app/entry/Usage.h"
#include "app/model/AppModel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <csignal>
#include <iostream>
#include <unistd.h>

namespace plumeo::cli {
namespace {

using Kind = SessionPhase::Kind;

// Without a terminal, one progress line per this many milliseconds at most.
constexpr qint64 plainProgressIntervalMs = 2000;
// A session that keeps stopping is given up rather than sent on for ever.
constexpr int maxAutomaticRecoveries = 20;
constexpr double detectionTimeoutSeconds = 30;
constexpr double answerTimeoutSeconds = 10;

volatile std::sig_atomic_t interruptCount = 0;

void onInterrupt(int) {
    interruptCount = interruptCount + 1;
}

void installInterruptHandler() {
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a prompt waiting for an answer returns at once on Ctrl-C.
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

std::string text(const QString& value) {
    return value.toStdString();
}

bool waitFor(const std::function<bool()>& done, double seconds) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > seconds * 1000 || interruptCount > 0)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

/// The user's saved settings, copied into a scratch file so the command line's own choices
/// are never saved.
std::unique_ptr<QSettings> scratchSettings(const QTemporaryDir& directory) {
    auto settings = std::make_unique<QSettings>(directory.filePath(QStringLiteral("settings.ini")),
                                                QSettings::IniFormat);
    const QSettings saved(QStringLiteral("Plumeo"), QStringLiteral("Plumeo"));
    for (const QString& key : saved.allKeys())
        settings->setValue(key, saved.value(key));
    return settings;
}

class TypeSession {
public:
    TypeSession(AppModel& model, const TypeOptions& options)
        : model_(model), options_(options), progressTerminal_(isatty(STDERR_FILENO) == 1),
          askTerminal_(isatty(STDIN_FILENO) == 1 && isatty(STDERR_FILENO) == 1) {}

    /// Returns the exit status.
    int run(const std::u16string& article) {
        if (!prepare(article) || !detect())
            return finish(false);
        model_.start();
        QObject::connect(&model_, &AppModel::statusMessageChanged, &model_,
                         [this] { statusChanged(); });
        QObject::connect(&model_, &AppModel::progressChanged, &model_, [this] { progress(); });
        QObject::connect(&model_, &AppModel::activityTextChanged, &model_, [this] { progress(); });
        QTimer interrupts;
        QObject::connect(&interrupts, &QTimer::timeout, &model_, [this] { checkInterrupt(); });
        interrupts.start(50);
        while (!model_.phase().isTerminal() && model_.phase().kind != Kind::idle) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
            if (!model_.busy())
                answerStop();
        }
        return finish(true);
    }

private:
    bool prepare(const std::u16string& article) {
        model_.setArticle(QString::fromStdU16String(article));
        waitFor([this] { return !model_.analysisPending(); }, 60);
        if (!model_.preparationError().isEmpty()) {
            std::cerr << "plumeo：文章无法输入：" << text(model_.preparationError()) << '\n';
            return false;
        }
        if (options_.mode)
            model_.setMode(*options_.mode);
        if (options_.countdownSeconds)
            model_.setCountdownSeconds(*options_.countdownSeconds);
        if (options_.backgroundTyping)
            model_.setBackgroundTyping(*options_.backgroundTyping);
        if (options_.typoRate) {
            model_.setTypoEnabled(*options_.typoRate > 0);
            if (*options_.typoRate > 0)
                model_.setTypoRate(*options_.typoRate);
        }
        if (options_.unitsPerMinute) {
            model_.setPaceByDuration(false);
            model_.setSpeed(*options_.unitsPerMinute);
        }
        if (options_.targetMinutes) {
            model_.setTargetMinutes(*options_.targetMinutes);
            model_.setPaceByDuration(true);
        }
        waitFor([this] { return !model_.analysisPending(); }, 60);
        line(QStringLiteral("%1 · %2").arg(
            QString::fromStdString(title(model_.mode())),
            model_.estimateText().isEmpty() ? QStringLiteral("—") : model_.estimateText()));
        return true;
    }

    bool detect() {
        model_.refreshPermissions();
        model_.detectTarget();
        if (!waitFor([this] { return !model_.detectingTarget(); }, detectionTimeoutSeconds)) {
            std::cerr << "plumeo：检测光标位置没有完成。\n";
            return false;
        }
        if (!model_.targetError().isEmpty()) {
            std::cerr << "plumeo：" << text(model_.targetError()) << '\n';
            return false;
        }
        if (const auto& target = model_.target())
            line(QStringLiteral("目标：%1 · 第 %2 段 · 位置 %3 · 「…%4|%5…」")
                     .arg(QString::fromStdString(target->documentName))
                     .arg(target->paragraphNumber)
                     .arg(target->selectionStart)
                     .arg(visible(target->contextBefore), visible(target->contextAfter)));
        for (const QString& note : model_.targetNotes())
            line(QStringLiteral("注意：") + note);
        // The command line is the user's confirmation of the target it was started for.
        model_.setTargetConfirmed(true);
        if (!model_.blockers().isEmpty()) {
            std::cerr << "plumeo：还不能开始：\n";
            for (const QString& blocker : model_.blockers())
                std::cerr << "  - " << text(blocker) << '\n';
            return false;
        }
        return true;
    }

    static QString visible(const std::u16string& context) {
        QString shown = QString::fromStdU16String(context);
        shown.replace(QChar(u'\r'), QStringLiteral("⏎")).replace(QChar(u'\v'), QStringLiteral("↵"));
        return shown.replace(QChar(u'\t'), QStringLiteral("⇥"));
    }

    void statusChanged() {
        // The live line says it while typing; the verdict is printed once at the end.
        if ((model_.phase().kind == Kind::typing && progressTerminal_) ||
            model_.phase().isTerminal())
            return;
        line(model_.statusMessage());
    }

    void progress() {
        if (model_.phase().kind != Kind::typing && model_.phase().kind != Kind::resuming &&
            model_.phase().kind != Kind::verifying)
            return;
        if (model_.progressText().isEmpty())
            return;
        QStringList parts{model_.progressText()};
        if (!model_.rateText().isEmpty())
            parts.append(model_.rateText());
        if (!model_.activityText().isEmpty())
            parts.append(model_.activityText());
        const QString current = parts.join(QStringLiteral(" · "));
        if (progressTerminal_) {
            std::cerr << "\r\033[K" << text(current) << std::flush;
            liveLineShown_ = true;
            return;
        }
        if (lastPlainProgress_.isValid() && lastPlainProgress_.elapsed() < plainProgressIntervalMs)
            return;
        lastPlainProgress_.start();
        std::cerr << text(current) << '\n';
    }

    void line(const QString& message) {
        if (message.isEmpty())
            return;
        if (liveLineShown_)
            std::cerr << "\r\033[K";
        liveLineShown_ = false;
        std::cerr << text(message) << '\n';
    }

    void checkInterrupt() {
        if (interruptCount == 0 || emergencySent_)
            return;
        emergencySent_ = true;
        line(QStringLiteral("紧急停止：等待发送停下…"));
        model_.cancelStart(true);
    }

    /// A paused or relocating session needs an answer: the user's on a terminal, the command
    /// line's otherwise.
    void answerStop() {
        const Kind kind = model_.phase().kind;
        if (kind != Kind::paused && kind != Kind::needsRelocation)
            return;
        if (emergencySent_ || interruptCount > 0) {
            model_.cancelStart(false);
            return;
        }
        for (const QString& detail : model_.resultDetails())
            line(QStringLiteral("  ") + detail);
        if (++recoveries_ > maxAutomaticRecoveries && !askTerminal_) {
            line(QStringLiteral("停下的次数太多，取消本次输入。"));
            model_.cancelStart(false);
            return;
        }
        const bool knownCursor = model_.snapshot() && model_.snapshot()->relocation &&
                                 model_.snapshot()->relocation->knownCursor;
        const char choice =
            askTerminal_ ? ask(kind, knownCursor) : automaticChoice(kind, knownCursor);
        switch (choice) {
        case 'c':
            model_.resume();
            break;
        case 'a':
            model_.acceptDifferencesAndContinue();
            break;
        case 'm':
            model_.moveCursorAndContinue();
            break;
        case 'w':
            model_.continueFromCursor(false);
            break;
        default:
            model_.cancelStart(false);
            break;
        }
        // The answer goes through a switch to Word and then the engine's worker; ask again only
        // if the session is still stopped once they are done (a refused answer).
        waitFor([this, kind] { return model_.phase().kind != kind; }, answerTimeoutSeconds);
    }

    char automaticChoice(Kind kind, bool knownCursor) const {
        if (kind == Kind::needsRelocation)
            return knownCursor ? 'm' : 'x';
        return options_.acceptDifferences ? 'a' : 'x';
    }

    char ask(Kind kind, bool knownCursor) {
        const std::string prompt =
            kind == Kind::paused ? "继续 [c] · 接受差异并继续 [a] · 取消 [x]："
                                 : std::string(knownCursor ? "把光标移回续写位置 [m] · " : "") +
                                       "重新核对 [c] · 按光标前文字对齐后继续 [w] · 取消 [x]：";
        const std::string allowed = kind == Kind::paused ? "cax" : (knownCursor ? "mcwx" : "cwx");
        while (true) {
            std::cerr << prompt << std::flush;
            std::string answer;
            if (!std::getline(std::cin, answer) || interruptCount > 0) {
                std::cin.clear();
                return 'x';
            }
            if (answer.size() == 1 && allowed.find(answer[0]) != std::string::npos)
                return answer[0];
        }
    }

    int finish(bool started) {
        if (liveLineShown_)
            std::cerr << '\n';
        const SessionPhase& phase = model_.phase();
        if (options_.json) {
            std::cout
                << resultJson(started ? phase : SessionPhase::idle(), model_.snapshot()).dump(2)
                << '\n';
            std::cerr << text(model_.statusMessage()) << '\n';
            for (const QString& detail : model_.resultDetails())
                std::cerr << text(detail) << '\n';
        } else if (started) {
            std::cout << text(model_.statusMessage()) << '\n';
            for (const QString& detail : model_.resultDetails())
                std::cout << text(detail) << '\n';
        }
        return started ? exitStatusFor(phase) : entry::exitStopped;
    }

    AppModel& model_;
    const TypeOptions& options_;
    const bool progressTerminal_;
    const bool askTerminal_;
    bool liveLineShown_ = false;
    bool emergencySent_ = false;
    int recoveries_ = 0;
    QElapsedTimer lastPlainProgress_;
};

} // namespace

int runTypeCommand(int argc, char** argv, const std::vector<std::string>& arguments) {
    TypeOptions options;
    try {
        options = parseTypeOptions(arguments);
    } catch (const UsageError& error) {
        std::cerr << "plumeo：" << error.what() << "\n（plumeo --help 列出全部选项）\n";
        return entry::exitUsage;
    }
    const ArticleFileResult file = readArticleFile(options.articlePath);
    if (!file.text) {
        std::cerr << "plumeo：" << file.error << '\n';
        return entry::exitUsage;
    }
    QCoreApplication application(argc, argv);
    installInterruptHandler();
    BackendHandle backend;
    try {
        backend = entry::openBackend(entry::backendOptions(arguments),
                                     options.autoCorrectOff ? entry::AutoCorrectPolicy::allOff
                                                            : entry::AutoCorrectPolicy::wordDefaults);
    } catch (const std::exception& error) {
        std::cerr << "plumeo：" << error.what() << '\n';
        return entry::exitStopped;
    }
    QTemporaryDir scratch;
    AppModelOptions modelOptions;
    modelOptions.backend = backend.backend;
    modelOptions.settings = scratchSettings(scratch);
    modelOptions.fixedSeed = options.seed;
    AppModel model(std::move(modelOptions));
    TypeSession session(model, options);
    return session.run(*file.text);
}

} // namespace plumeo::cli
