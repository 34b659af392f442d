#include "platform/input/HotKeyCenter.h"
#include "platform/input/InputSourceController.h"
#include "platform/input/Permissions.h"
#include "tests/platform/FakeBackend.h"

#include <gtest/gtest.h>

namespace plumeo {

static void PrintTo(const PermissionState& state, std::ostream* out) {
    *out << "PermissionState(" << static_cast<int>(state.kind) << ", " << state.detail << ")";
}

namespace {

using testing::FakeBackend;
using testing::FakeInputSource;

// Denied and not yet asked lead the user to different places, so the statuses must not blur.
TEST(PermissionsTest, AutomationStatusesMapToStatesAndNeedARunningWord) {
    FakeBackend backend;
    EXPECT_EQ(Permissions::automation(backend, ConsentPrompt::never),
              PermissionState::unavailable("Word 未运行，无法检查"));
    EXPECT_EQ(backend.callCount("determinePermissionToAutomate"), 0) << "asking would launch Word";

    backend.addRunningApp({42, "com.microsoft.Word", "Microsoft Word"});
    const std::pair<std::optional<std::int32_t>, PermissionState> table[] = {
        {0, PermissionState::granted()},
        {-1743, PermissionState::denied()},
        {-1744, PermissionState::notDetermined()},
        {-600, PermissionState::unavailable("Word 未运行")},
        {std::nullopt, PermissionState::unavailable("无法创建目标")},
    };
    for (const auto& [status, expected] : table) {
        backend.setAutomationStatus(status);
        EXPECT_EQ(Permissions::automation(backend, ConsentPrompt::never), expected);
    }
}

FakeInputSource source(std::string id, std::optional<bool> ascii, std::optional<std::string> type,
                       bool enabled = true, bool selectable = true) {
    FakeInputSource fake;
    fake.info.id = id;
    fake.info.localizedName = id;
    fake.info.isASCIICapable = ascii;
    fake.info.type = std::move(type);
    fake.isEnabled = enabled;
    fake.isSelectCapable = selectable;
    return fake;
}

TEST(InputSourceControllerTest, FindsAPlainLayoutAmongTheSelectableKeyboards) {
    auto backend = std::make_shared<FakeBackend>();
    const std::string layout(InputSourceInfo::keyboardLayoutType);
    backend->setInputSources({
        source("com.apple.inputmethod.SCIM.ITABC", true, "TISTypeKeyboardInputMode"),
        source("com.apple.CharacterPaletteIM", false, "TISTypeCharacterPalette"),
        source("com.apple.keylayout.German", true, layout, /*enabled=*/false),
        source("com.apple.keylayout.Hidden", true, layout, true, /*selectable=*/false),
        source("com.apple.keylayout.ABC", true, layout),
        source("org.example.untyped", std::nullopt, std::nullopt),
    });
    backend->setCurrentInputSource("com.apple.inputmethod.SCIM.ITABC");
    InputSourceController controller(backend);

    std::vector<std::string> ids;
    for (const auto& info : controller.enabledSources())
        ids.push_back(info.id);
    EXPECT_EQ(ids, (std::vector<std::string>{"com.apple.inputmethod.SCIM.ITABC",
                                             "com.apple.keylayout.ABC", "org.example.untyped"}));
    // An ASCII-capable input method still composes what it is sent.
    const auto ascii = controller.firstASCIIKeyboardLayout();
    ASSERT_TRUE(ascii.has_value());
    EXPECT_EQ(ascii->id, "com.apple.keylayout.ABC");

    EXPECT_FALSE(controller.select("com.example.none"));
    backend->failInputSourceSelection(-50);
    EXPECT_FALSE(controller.select("com.apple.keylayout.ABC"));
    EXPECT_EQ(controller.current().id, "com.apple.inputmethod.SCIM.ITABC");
}

class HotKeyCenterTest : public ::testing::Test {
protected:
    std::shared_ptr<FakeBackend> backend = std::make_shared<FakeBackend>();
    std::vector<HotKeyCenter::Action> actions;
    std::unique_ptr<HotKeyCenter> center = std::make_unique<HotKeyCenter>(
        backend, [this](HotKeyCenter::Action action) { actions.push_back(action); });

    static constexpr std::uint32_t controlOptionCommand = 0x1900;
};

TEST_F(HotKeyCenterTest, PartialFailuresKeepWhatSucceededAndStrangersAreIgnored) {
    backend->takeHotKey(35);
    EXPECT_FALSE(center->registerHotKeys());
    EXPECT_EQ(backend->registeredHotKeys().size(), 1u);
    backend->pressHotKey(47, controlOptionCommand);
    EXPECT_EQ(backend->deliverHotKeyEvent(HotKeyID{0x504C4D4F, 3}), std::vector<std::int32_t>{0});
    EXPECT_EQ(backend->deliverHotKeyEvent(std::nullopt), std::vector<std::int32_t>{0});
    EXPECT_EQ(actions, std::vector<HotKeyCenter::Action>{HotKeyCenter::Action::emergencyStop});

    auto other = std::make_shared<FakeBackend>();
    other->failHotKeyHandlerInstall(true);
    HotKeyCenter refused(other, [](HotKeyCenter::Action) {});
    EXPECT_FALSE(refused.registerHotKeys());
    EXPECT_TRUE(other->registeredHotKeys().empty()) << "no hot key without a handler";
}

TEST_F(HotKeyCenterTest, ReleaseUnregistersEverything) {
    ASSERT_TRUE(center->registerHotKeys());
    ASSERT_TRUE(center->registerHotKeys()) << "registering again replaces, not duplicates";
    EXPECT_EQ(backend->registeredHotKeys().size(), 2u);
    EXPECT_EQ(backend->installedHotKeyHandlers(), 1u);

    center.reset();
    EXPECT_TRUE(backend->registeredHotKeys().empty());
    EXPECT_EQ(backend->installedHotKeyHandlers(), 0u);
}

} // namespace
} // namespace plumeo
