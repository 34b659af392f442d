#pragma once

// A model on a simulator of its own, with settings in a scratch file and the event loop run
// while waiting.

#include "app/model/AppModel.h"
#include "platform/backend/sim/SimBackend.h"
#include "tests/support/SimulatorFixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <functional>
#include <memory>

namespace plumeo::testing {

/// Runs the event loop until `done` holds; false after `seconds`.
inline bool waitUntil(const std::function<bool()>& done, double seconds = 20) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > seconds * 1000)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

class ModelFixture : public SimulatorFixture {
protected:
    void SetUp() override;
    void TearDown() override;

    /// A model with settings in the scratch file, a fixed seed and quick typing.
    std::unique_ptr<AppModel> makeModel(int countdownSeconds = 0);
    /// Detects Word's insertion point and confirms it; fails the test when Start stays blocked.
    void detectAndConfirm(AppModel& model);
    /// Brings one of Word's documents to the front, as a click on its window would.
    void activateDocument(const std::string& name);
    std::u16string documentText() { return control().documentText(documentName); }

    std::string documentName;
    QTemporaryDir settingsDirectory;
    std::shared_ptr<SimBackend> backend;
};

} // namespace plumeo::testing
