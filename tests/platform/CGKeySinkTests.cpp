#include "platform/input/CGKeySink.h"
#include "tests/platform/FakeBackend.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace plumeo {
namespace {

using testing::FakeBackend;

constexpr std::int32_t wordPid = 4242;

class CGKeySinkTest : public ::testing::Test {
protected:
    std::shared_ptr<FakeBackend> fake = std::make_shared<FakeBackend>();
    CGKeySink sink{fake, CGKeySink::Route::pid(wordPid)};
};

// The tag is how our own events are told from the user's; the key is held between its press
// and its release.
TEST_F(CGKeySinkTest, EachStrokeIsOneTaggedPressHeldUntilItsRelease) {
    sink.post(KeyStroke::backspace(), 12.5);
    const auto posted = fake->postedEvents();
    ASSERT_EQ(posted.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(posted[i].spec.keyDown, i == 0);
        EXPECT_EQ(posted[i].spec.virtualKey, 51);
        EXPECT_EQ(posted[i].spec.userData, 0x504C4D4F);
        EXPECT_EQ(posted[i].destination, KeyEventDestination::process(wordPid));
    }
    std::vector<std::string> order;
    for (const auto& call : fake->calls())
        if (call == "postKeyboardEvent" || call == "sleepMicroseconds")
            order.push_back(call);
    EXPECT_EQ(order, (std::vector<std::string>{"postKeyboardEvent", "sleepMicroseconds",
                                               "postKeyboardEvent"}));
    EXPECT_EQ(fake->sleeps(), std::vector<std::uint32_t>{12500});
}

TEST(CGKeySinkHold, ClampsToWhatA32BitMicrosecondCountHolds) {
    constexpr auto max = std::numeric_limits<std::uint32_t>::max();
    EXPECT_EQ(CGKeySink::holdMicroseconds(-1), 0u);
    EXPECT_EQ(CGKeySink::holdMicroseconds(std::nan("")), 0u);
    EXPECT_EQ(CGKeySink::holdMicroseconds(40), 40000u);
    EXPECT_EQ(CGKeySink::holdMicroseconds(4294967.295), max);
    EXPECT_EQ(CGKeySink::holdMicroseconds(std::numeric_limits<double>::infinity()), max);
}

TEST_F(CGKeySinkTest, WithoutPermissionEveryPostFailsAndNothingMoves) {
    fake->setPostEventAccess(false);
    for (int i = 0; i < 2; ++i)
        EXPECT_THROW(sink.post(KeyStroke::typeText(u"a"), 5), KeySynthError);
    EXPECT_TRUE(fake->postedEvents().empty());
    EXPECT_TRUE(fake->sleeps().empty());

    // Permission granted again mid-session: the next stroke goes out.
    fake->setPostEventAccess(true);
    sink.post(KeyStroke::typeText(u"a"), 0);
    EXPECT_EQ(fake->postedEvents().size(), 2u);
}

// Fails to create the key-up event only, after the key-down was created fine.
class KeyUpFailingBackend : public FakeBackend {
public:
    std::unique_ptr<KeyboardEvent> createKeyboardEvent(const KeyEventSpec& spec) override {
        auto event = FakeBackend::createKeyboardEvent(spec);
        return spec.keyDown ? std::move(event) : nullptr;
    }
};

TEST_F(CGKeySinkTest, AFailedEventCreationIsAnErrorNeverASilentSuccess) {
    fake->failEventCreation(1); // the key-down
    EXPECT_THROW(sink.post(KeyStroke::returnKey(), 5), KeySynthError);
    EXPECT_TRUE(fake->postedEvents().empty());

    auto upFailing = std::make_shared<KeyUpFailingBackend>();
    CGKeySink other(upFailing, CGKeySink::Route::pid(wordPid));
    EXPECT_THROW(other.post(KeyStroke::returnKey(), 5), KeySynthError);
    EXPECT_TRUE(upFailing->postedEvents().empty()) << "the key-down must not go out alone";
}

// The next stroke failing must not leave the previous key down.
TEST_F(CGKeySinkTest, APressThatCannotGoOutAfterAHeldKeyStillLetsThatKeyUp) {
    sink.press(KeyStroke::typeText(u"a"));
    fake->setPostEventAccess(false);
    EXPECT_THROW(sink.releaseAndPress(KeyStroke::typeText(u"a"), KeyStroke::typeText(u"b")),
                 KeySynthError);
    const auto posted = fake->postedEvents();
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_FALSE(posted[1].spec.keyDown);
    EXPECT_EQ(posted[1].spec.unicode, u"a");
}

} // namespace
} // namespace plumeo
