#include "tests/trials/SimulatorTarget.h"

#include "platform/ax/WordDocumentReader.h"
#include "platform/ax/WordTargetGuard.h"
#include "platform/backend/sim/SimBackend.h"
#include "platform/input/CGKeySink.h"
#include "platform/script/WordBridge.h"
#include "tests/support/SimulatorFixture.h"

#include <stdexcept>

namespace plumeo::trials {
namespace {

/// One simulator with Word and one document, reused by every trial of a job: each trial
/// replaces the document's text and builds fresh ports for it.
class SimulatorTarget final : public TrialTarget {
public:
    SimulatorTarget() : simulator_(options()) {
        backend_ = std::make_shared<SimBackend>(simulator_.socketPath());
        documentName_ =
            simulator_.control().dump()["word"]["documents"][0]["name"].get<std::string>();
        const auto pid = simulator_.control().wordPid();
        if (!pid)
            throw std::runtime_error("the simulator started without Word");
        wordPid_ = *pid;
        // These trials are about stops: an autocorrection would end a session with a
        // read-back mismatch before its stop moment came.
        for (const char* option :
             {"correctSentenceCaps", "correctInitialCaps", "replaceText", "replaceQuotes",
              "replaceSymbols", "replaceOrdinals", "replaceFractions", "applyNumberedLists",
              "applyBulletedLists", "replaceHyperlinks", "replacePlainTextEmphasis"})
            simulator_.control().setAutoCorrect(option, false);
    }

    Opened open(const std::u16string& content, int cursor, SeededRNG&) override {
        simulator_.control().setDocumentText(documentName_, content, cursor);
        auto bridge = std::make_shared<WordBridge>(backend_);
        bridge->setBoundDocumentID(documentName_);
        const DocState state = bridge->state();
        auto reader = std::make_shared<WordDocumentReader>(bridge, backend_, wordPid_);
        std::shared_ptr<WordTargetGuard> guardian = WordTargetGuard::make(backend_, wordPid_);
        if (!guardian)
            throw std::runtime_error("Word has no focused window");
        Opened opened;
        opened.sink = std::make_shared<CGKeySink>(backend_, CGKeySink::Route::pid(wordPid_));
        opened.guardian = std::move(guardian);
        opened.initialContent = reader->readAll();
        opened.reader = std::move(reader);
        opened.documentID = state.documentID;
        opened.insertionOffset = state.selectionStart;
        return opened;
    }

private:
    static testing::SimulatorProcess::Options options() {
        testing::SimulatorProcess::Options options;
        options.documents = 1;
        return options;
    }

    testing::SimulatorProcess simulator_;
    std::shared_ptr<SimBackend> backend_;
    std::int32_t wordPid_ = 0;
    std::string documentName_;
};

} // namespace

std::function<std::unique_ptr<TrialTarget>()> simulatorTargets() {
    return [] { return std::make_unique<SimulatorTarget>(); };
}

} // namespace plumeo::trials
