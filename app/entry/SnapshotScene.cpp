#include "app/entry/SnapshotScene.h"

#include "app/model/AppModel.h"

#include <QTimer>
#include <memory>
#include <utility>

namespace plumeo::entry {
namespace {

constexpr int sceneTimeLimitMs = 20000;
// Enough of the demo article to show progress, well before its end.
constexpr int unitsBeforeCapture = 24;
constexpr double sceneSpeed = 300;

} // namespace

void playSnapshotScene(const std::string& scene, AppModel& model, std::function<void()> ready) {
    if (scene != "running" && scene != "paused") {
        QTimer::singleShot(0, &model, ready);
        return;
    }
    // `ready` runs once: either the scene got there or its time ran out.
    auto once = std::make_shared<std::function<void()>>(std::move(ready));
    auto finish = [once] {
        if (auto call = std::exchange(*once, nullptr))
            call();
    };
    QTimer::singleShot(sceneTimeLimitMs, &model, finish);

    model.setCountdownSeconds(0);
    model.setMode(TypingMode::stable);
    model.setSpeed(sceneSpeed);
    QObject::connect(&model, &AppModel::targetChanged, &model, [&model] {
        if (model.target() && !model.targetConfirmed()) {
            model.setTargetConfirmed(true);
            model.start();
        }
    });
    const bool pause = scene == "paused";
    auto pauseSent = std::make_shared<bool>(false);
    QObject::connect(&model, &AppModel::snapshotChanged, &model,
                     [&model, pause, finish, pauseSent] {
                         const auto& snapshot = model.snapshot();
                         if (!snapshot || model.phase().kind != SessionPhase::Kind::typing)
                             return;
                         if (snapshot->ledger.sentUnits < unitsBeforeCapture)
                             return;
                         if (pause && !std::exchange(*pauseSent, true))
                             model.pause();
                         else if (!pause)
                             finish();
                     });
    QObject::connect(&model, &AppModel::phaseChanged, &model, [&model, pause, finish] {
        if (pause && model.phase().kind == SessionPhase::Kind::paused)
            finish();
    });
    model.detectTarget();
}

} // namespace plumeo::entry
