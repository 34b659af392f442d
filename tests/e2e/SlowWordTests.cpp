// Sessions into a Word that takes key events in slowly, so keys posted before a stop keep
// landing long after it.

#include "tests/e2e/SessionHarness.h"

#include <gtest/gtest.h>

namespace plumeo::e2e {
namespace {

TEST_F(EndToEndTest, FastSessionIntoASlowWordResumesOnlyOnceItsKeysHaveLanded) {
    // Word takes 25 events a second, a key being two of them: a fast run of 60 units outlasts
    // the checkpoint, and the session pauses with keys still on their way to the document.
    control().setWordTiming(25, 0);
    SessionSetup setup;
    setup.article = u"Please read the words you need to read before you read them aloud 请读完。";
    setup.settings = ModeSettings::make(TypingMode::fast, std::nullopt, false, 0);
    runSession(setup);
    for (int resumes = 0; phase().kind == SessionPhase::Kind::paused && resumes < 4; ++resumes) {
        EXPECT_EQ(phase().reason.kind, StopReason::Kind::wordNotKeepingUp)
            << ::testing::PrintToString(phase());
        engine->replaceGuard(
            std::make_shared<HookedGuard>(WordTargetGuard::make(backend, wordPid)));
        resumeAndAwait();
    }

    EXPECT_EQ(phase(), SessionPhase::completed(VerificationOutcome::verified()));
    EXPECT_EQ(simulatedDocument(), setup.article + u"\r");
    // Nothing the engine typed itself was taken for a change by Word or the user.
    EXPECT_TRUE(engine->snapshot().notes.empty());
}

} // namespace
} // namespace plumeo::e2e
