#include "mac/input/CGKeySink.h"
#include "tests/mac/FakeBackend.h"

#include <atomic>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <thread>

namespace plumeo {
namespace {

using testing::FakeBackend;
using testing::FakePostedEvent;

constexpr std::int32_t wordPid = 4242;

class CGKeySinkTest : public ::testing::Test {
protected:
    std::shared_ptr<FakeBackend> fake = std::make_shared<FakeBackend>();
    CGKeySink sink{fake, CGKeySink::Route::pid(wordPid)};
};

TEST_F(CGKeySinkTest, EachStrokeIsOneTaggedPressAndRelease) {
    struct Case {
        KeyStroke stroke;
        std::uint16_t key;
        std::uint64_t flags;
        std::u16string unicode;
    };
    const std::vector<Case> cases = {
        {KeyStroke::typeText(u"你好"), 0, 0, u"你好"},
        {KeyStroke::typeText(u"\U0001F600"), 0, 0, u"\U0001F600"},
        {KeyStroke::returnKey(), 36, 0, u""},
        {KeyStroke::shiftReturn(), 36, 0x20000, u""},
        {KeyStroke::tab(), 48, 0, u""},
        {KeyStroke::backspace(), 51, 0, u""},
    };
    for (const auto& c : cases)
        sink.post(c.stroke, 0);

    const auto posted = fake->postedEvents();
    ASSERT_EQ(posted.size(), 2 * cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        for (bool down : {true, false}) {
            const FakePostedEvent& event = posted[2 * i + (down ? 0 : 1)];
            SCOPED_TRACE(::testing::Message() << "stroke " << i << (down ? " down" : " up"));
            EXPECT_EQ(event.spec.keyDown, down);
            EXPECT_EQ(event.spec.virtualKey, cases[i].key);
            EXPECT_EQ(event.spec.flags, cases[i].flags);
            EXPECT_EQ(event.spec.unicode, cases[i].unicode);
            EXPECT_EQ(event.spec.userData, 0x504C4D4F);
            EXPECT_EQ(event.destination, KeyEventDestination::process(wordPid));
        }
    }
    EXPECT_EQ(sink.postCount(), static_cast<int>(cases.size()));

    sink.setTextVirtualKey(49);
    sink.post(KeyStroke::typeText(u"a"), 0);
    EXPECT_EQ(fake->postedEvents().back().spec.virtualKey, 49);
}

TEST(CGKeySinkRoutes, HidTapNeverAddressesAProcess) {
    auto fake = std::make_shared<FakeBackend>();
    CGKeySink sink(fake, CGKeySink::Route::hidTap());
    EXPECT_EQ(sink.route(), CGKeySink::Route::hidTap());
    sink.post(KeyStroke::returnKey(), 0);
    for (const auto& event : fake->postedEvents())
        EXPECT_EQ(event.destination, KeyEventDestination::hidTap());
}

TEST_F(CGKeySinkTest, HoldsTheKeyBetweenPressAndRelease) {
    sink.post(KeyStroke::typeText(u"a"), 12.5);
    sink.post(KeyStroke::typeText(u"b"), 0);
    sink.post(KeyStroke::typeText(u"c"), -3);
    EXPECT_EQ(fake->sleeps(), std::vector<std::uint32_t>{12500});
    // The sleep lies between the two posts of its stroke.
    const auto calls = fake->calls();
    std::vector<std::string> order;
    for (const auto& call : calls)
        if (call == "postKeyboardEvent" || call == "sleepMicroseconds")
            order.push_back(call);
    ASSERT_GE(order.size(), 3u);
    EXPECT_EQ(order[0], "postKeyboardEvent");
    EXPECT_EQ(order[1], "sleepMicroseconds");
    EXPECT_EQ(order[2], "postKeyboardEvent");
}

TEST(CGKeySinkHold, ClampsToWhatA32BitMicrosecondCountHolds) {
    constexpr auto max = std::numeric_limits<std::uint32_t>::max();
    EXPECT_EQ(CGKeySink::holdMicroseconds(0), 0u);
    EXPECT_EQ(CGKeySink::holdMicroseconds(-1), 0u);
    EXPECT_EQ(CGKeySink::holdMicroseconds(std::nan("")), 0u);
    EXPECT_EQ(CGKeySink::holdMicroseconds(0.0005), 0u);
    EXPECT_EQ(CGKeySink::holdMicroseconds(40), 40000u);
    EXPECT_EQ(CGKeySink::holdMicroseconds(4294967.295), max);
    EXPECT_EQ(CGKeySink::holdMicroseconds(1e12), max);
    EXPECT_EQ(CGKeySink::holdMicroseconds(std::numeric_limits<double>::infinity()), max);
}

TEST_F(CGKeySinkTest, WithoutPermissionEveryPostFailsAndNothingMoves) {
    fake->setPostEventAccess(false);
    for (int i = 0; i < 2; ++i) {
        try {
            sink.post(KeyStroke::typeText(u"a"), 5);
            ADD_FAILURE() << "posted without permission";
        } catch (const KeySynthError& error) {
            EXPECT_EQ(error.kind(), KeySynthError::Kind::noPostPermission);
            EXPECT_STREQ(error.what(), "没有发送键盘事件的辅助功能权限");
        }
    }
    EXPECT_EQ(fake->callCount("createKeyboardEvent"), 0);
    EXPECT_TRUE(fake->postedEvents().empty());
    EXPECT_TRUE(fake->sleeps().empty());
    EXPECT_EQ(sink.postCount(), 0);
    EXPECT_EQ(sink.lastPostUptime(), 0);

    // Permission granted again mid-session: the next stroke goes out.
    fake->setPostEventAccess(true);
    sink.post(KeyStroke::typeText(u"a"), 0);
    EXPECT_EQ(sink.postCount(), 1);
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
    auto expectCreationFailure = [](CGKeySink& target) {
        try {
            target.post(KeyStroke::returnKey(), 5);
            ADD_FAILURE() << "a stroke without events counted as posted";
        } catch (const KeySynthError& error) {
            EXPECT_EQ(error, KeySynthError::eventCreationFailed());
            EXPECT_EQ(error.description(), "无法创建键盘事件");
        }
    };
    fake->failEventCreation(1); // the key-down
    expectCreationFailure(sink);
    EXPECT_TRUE(fake->postedEvents().empty());
    EXPECT_EQ(sink.postCount(), 0);

    auto upFailing = std::make_shared<KeyUpFailingBackend>();
    CGKeySink other(upFailing, CGKeySink::Route::pid(wordPid));
    expectCreationFailure(other);
    EXPECT_TRUE(upFailing->postedEvents().empty()) << "the key-down must not go out alone";
    EXPECT_TRUE(upFailing->sleeps().empty());
    EXPECT_EQ(other.postCount(), 0);
}

TEST_F(CGKeySinkTest, CountsAndTimestampsPosts) {
    fake->setUptime(50.0);
    sink.post(KeyStroke::typeText(u"a"), 10); // the fake's sleep advances its uptime
    EXPECT_EQ(sink.postCount(), 1);
    EXPECT_DOUBLE_EQ(sink.lastPostUptime(), 50.010);
    EXPECT_TRUE(sink.postTimestamps().empty()) << "not recording";

    sink.setRecordTimestamps(true);
    fake->setUptime(60.0);
    sink.post(KeyStroke::typeText(u"b"), 0);
    fake->setUptime(61.0);
    sink.post(KeyStroke::typeText(u"c"), 0);
    EXPECT_EQ(sink.postTimestamps(), (std::vector<double>{60.0, 61.0}));
    EXPECT_EQ(sink.postCount(), 3);
    EXPECT_DOUBLE_EQ(sink.lastPostUptime(), 61.0);
}

// Run under ThreadSanitizer: the main thread shows the counters while the typing thread posts
// and the recording is switched on and off.
TEST_F(CGKeySinkTest, CountersCanBeReadWhilePosting) {
    std::atomic<bool> done{false};
    std::thread typing([&] {
        for (int i = 0; i < 500; ++i)
            sink.post(KeyStroke::typeText(u"x"), 0);
        done = true;
    });
    int lastSeen = 0;
    while (!done.load()) {
        const int seen = sink.postCount();
        EXPECT_GE(seen, lastSeen) << "the count never goes back";
        lastSeen = seen;
        (void)sink.lastPostUptime();
        sink.setRecordTimestamps(seen % 2 == 0);
        (void)sink.postTimestamps();
    }
    typing.join();
    EXPECT_EQ(sink.postCount(), 500);
}

} // namespace
} // namespace plumeo
