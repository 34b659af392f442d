#include "core/text/Homophones.h"

#include <gtest/gtest.h>

namespace plumeo {
namespace {

TEST(HomophonesTest, EveryIndexedCharacterListsItsGroupWithoutItself) {
    int keys = 0;
    for (char32_t c = 0; c <= 0xFFFF; ++c) {
        const auto key = static_cast<char16_t>(c);
        const std::u16string_view others = Homophones::alternatives(key);
        EXPECT_EQ(Homophones::hasAlternatives(key), !others.empty());
        if (others.empty())
            continue;
        ++keys;
        EXPECT_EQ(others.find(key), std::u16string_view::npos);
        for (const char16_t other : others)
            EXPECT_NE(Homophones::alternatives(other).find(key), std::u16string_view::npos);
    }
    EXPECT_GT(keys, 0);
    EXPECT_FALSE(Homophones::hasAlternatives(u'鑫'));
    EXPECT_FALSE(Homophones::hasAlternatives(u'、'));
}

} // namespace
} // namespace plumeo
