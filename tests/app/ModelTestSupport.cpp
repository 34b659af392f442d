#include "tests/app/ModelTestSupport.h"

#include "app/entry/BackendChoice.h"
#include "core/text/Utf16.h"

namespace plumeo::testing {

void ModelFixture::SetUp() {
    SimulatorFixture::SetUp();
    documentName = control().dump()["word"]["documents"][0]["name"].get<std::string>();
    entry::readySimulatedWord(control(), entry::AutoCorrectPolicy::allOff);
    backend = std::make_shared<SimBackend>(simulator().socketPath());
}

void ModelFixture::TearDown() {
    backend.reset();
    SimulatorFixture::TearDown();
}

std::unique_ptr<AppModel> ModelFixture::makeModel(int countdownSeconds) {
    AppModelOptions options;
    options.backend = backend;
    options.settings = std::make_unique<QSettings>(settingsDirectory.filePath("settings.ini"),
                                                   QSettings::IniFormat);
    options.fixedSeed = 7;
    auto model = std::make_unique<AppModel>(std::move(options));
    model->setCountdownSeconds(countdownSeconds);
    model->setMode(TypingMode::fast);
    return model;
}

void ModelFixture::detectAndConfirm(AppModel& model) {
    model.detectTarget();
    ASSERT_TRUE(waitUntil([&] { return !model.detectingTarget(); }));
    ASSERT_TRUE(model.target().has_value()) << model.targetError().toStdString();
    model.setTargetConfirmed(true);
    // The automation permission arrives from the background queue.
    ASSERT_TRUE(waitUntil([&] { return model.blockers().isEmpty(); }))
        << model.blockers().join("；").toStdString();
}

void ModelFixture::activateDocument(const std::string& name) {
    auto script = backend->compileScript("on activatedoc(n)\nend activatedoc\n");
    ASSERT_TRUE(script.script);
    const ScriptResult result =
        backend->executeHandler(*script.script, "activatedoc", {toUtf16(name)});
    ASSERT_TRUE(result.succeeded());
}

} // namespace plumeo::testing
