#include "platform/backend/PlatformBackend.h"

#include <gtest/gtest.h>

namespace plumeo {
namespace {

TEST(ScriptDescriptorTest, ItemsAreOneBasedAndOutOfRangeReadsAsAbsent) {
    const auto list = ScriptDescriptor::makeList(
        {ScriptDescriptor::makeInteger(7), ScriptDescriptor::makeString(u"name")});

    EXPECT_EQ(list.numberOfItems(), 2);
    EXPECT_EQ(list.item(1)->int32Value(), 7);
    EXPECT_EQ(list.item(2)->stringValue(), u"name");
    EXPECT_FALSE(list.item(3).has_value()) << "one past the last item";
    EXPECT_FALSE(list.item(0).has_value());
    EXPECT_FALSE(ScriptDescriptor::makeString(u"x").item(1).has_value()) << "not a list";
    EXPECT_EQ(ScriptDescriptor::makeInteger(3).numberOfItems(), 0);
}

TEST(AXValueViewTest, NumbersAndBooleansReadAsEachOther) {
    // CFBoolean is an NSNumber, so a Boolean attribute may come back as either.
    EXPECT_EQ(axBool(AXValue{0.0}), false);
    EXPECT_EQ(axBool(AXValue{2.0}), true);
    EXPECT_EQ(axNumber(AXValue{true}), 1.0);
    EXPECT_FALSE(axBool(AXValue{std::u16string(u"1")}).has_value());
    EXPECT_FALSE(axBool(std::nullopt).has_value());
}

} // namespace
} // namespace plumeo
