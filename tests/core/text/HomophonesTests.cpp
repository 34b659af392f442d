#include "core/text/Homophones.h"

#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace plumeo {
namespace {

TEST(HomophonesTest, IndexesEveryGroupMember) {
    EXPECT_EQ(Homophones::indexedCharacterCount(), 706);
    EXPECT_EQ(Homophones::alternatives(u'的'), u"得地");
    EXPECT_EQ(Homophones::alternatives(u'座'), u"作做坐昨");
    EXPECT_EQ(Homophones::alternatives(u'吐'), u"图突土途");
    EXPECT_EQ(Homophones::alternatives(u'能'), u"嫩");
    EXPECT_TRUE(Homophones::hasAlternatives(u'嫩'));
}

TEST(HomophonesTest, LeavesOtherCharactersOut) {
    for (const char16_t c : {u'鑫', u'a', u'、', u'。', char16_t(0xD83D)}) {
        EXPECT_FALSE(Homophones::hasAlternatives(c));
        EXPECT_TRUE(Homophones::alternatives(c).empty());
    }
}

TEST(HomophonesTest, GroupsAreSymmetricAndNeverListTheKeyItself) {
    int keys = 0;
    for (char32_t c = 0; c <= 0xFFFF; ++c) {
        const auto key = static_cast<char16_t>(c);
        const std::u16string_view others = Homophones::alternatives(key);
        if (others.empty())
            continue;
        ++keys;
        EXPECT_EQ(others.find(key), std::u16string_view::npos);
        for (const char16_t other : others)
            EXPECT_NE(Homophones::alternatives(other).find(key), std::u16string_view::npos);
    }
    EXPECT_EQ(keys, 706);
}

TEST(HomophonesTest, FirstUseFromManyThreadsSeesOneTable) {
    std::vector<int> counts(8);
    std::vector<std::thread> threads;
    for (int& count : counts)
        threads.emplace_back([&count] { count = Homophones::indexedCharacterCount(); });
    for (std::thread& thread : threads)
        thread.join();
    for (const int count : counts)
        EXPECT_EQ(count, 706);
}

} // namespace
} // namespace plumeo
