#include "mac/backend/PlatformBackend.h"
#include "tests/mac/FakeBackend.h" // compiled here so every test binary sees one definition

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

TEST(ScriptDescriptorTest, AccessorsDoNotCoerceBetweenTypes) {
    const auto number = ScriptDescriptor::makeInteger(1);
    EXPECT_FALSE(number.stringValue().has_value());
    EXPECT_FALSE(number.booleanValue().has_value());
    EXPECT_FALSE(number.enumCodeValue().has_value());

    const auto code = ScriptDescriptor::makeEnumeration(0x02300001);
    EXPECT_EQ(code.enumCodeValue(), 0x02300001u);
    EXPECT_FALSE(code.int32Value().has_value());

    EXPECT_EQ(ScriptDescriptor::makeBoolean(false).booleanValue(), false);
    EXPECT_FALSE(ScriptDescriptor::makeNull().stringValue().has_value());
}

TEST(AXValueViewTest, NumbersAndBooleansReadAsEachOther) {
    // CFBoolean is an NSNumber, so a Boolean attribute may come back as either.
    EXPECT_EQ(axBool(AXValue{0.0}), false);
    EXPECT_EQ(axBool(AXValue{2.0}), true);
    EXPECT_EQ(axNumber(AXValue{true}), 1.0);
    EXPECT_FALSE(axBool(AXValue{std::u16string(u"1")}).has_value());
    EXPECT_FALSE(axBool(std::nullopt).has_value());
}

TEST(AXValueViewTest, EachViewAcceptsOnlyItsOwnType) {
    const AXValue range = AXTextRange{4, 0};
    EXPECT_EQ(axRange(range), (AXTextRange{4, 0}));
    EXPECT_FALSE(axString(range).has_value());
    EXPECT_FALSE(axElement(range).has_value());
    EXPECT_FALSE(axElementList(range).has_value());
    EXPECT_FALSE(axNumber(AXValue{AXOtherValue{"AXValue"}}).has_value());
    EXPECT_EQ(axElementList(AXValue{std::vector<AXElementRef>(3)})->size(), 3u);
}

} // namespace
} // namespace plumeo
