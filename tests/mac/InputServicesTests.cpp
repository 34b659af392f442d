#include "mac/input/HotKeyCenter.h"
#include "mac/input/InputSourceController.h"
#include "mac/input/Permissions.h"
#include "tests/mac/FakeBackend.h"

#include <gtest/gtest.h>

namespace plumeo {

static void PrintTo(const PermissionState& state, std::ostream* out) {
    *out << "PermissionState(" << static_cast<int>(state.kind) << ", " << state.detail << ")";
}

namespace {

using testing::FakeBackend;
using testing::FakeInputSource;

class PermissionsTest : public ::testing::Test {
protected:
    FakeBackend backend;

    void startWord() { backend.addRunningApp({42, "com.microsoft.Word", "Microsoft Word"}); }
};

TEST_F(PermissionsTest, Labels) {
    EXPECT_EQ(PermissionState::granted().label(), "已授权");
    EXPECT_EQ(PermissionState::denied().label(), "已拒绝");
    EXPECT_EQ(PermissionState::notDetermined().label(), "未授权");
    EXPECT_EQ(PermissionState::unavailable("x").label(), "x");
}

TEST_F(PermissionsTest, AutomationWithoutWordSendsNothing) {
    EXPECT_EQ(Permissions::automation(backend, ConsentPrompt::never),
              PermissionState::unavailable("Word 未运行，无法检查"));
    EXPECT_EQ(backend.callCount("determinePermissionToAutomate"), 0);
}

TEST_F(PermissionsTest, AutomationStatusesMapToStates) {
    startWord();
    const std::vector<std::pair<std::optional<std::int32_t>, PermissionState>> table = {
        {0, PermissionState::granted()},
        {-1743, PermissionState::denied()},
        {-1744, PermissionState::notDetermined()},
        {-600, PermissionState::unavailable("Word 未运行")},
        {-50, PermissionState::unavailable("状态码 -50")},
        {std::nullopt, PermissionState::unavailable("无法创建目标")},
    };
    for (const auto& [status, expected] : table) {
        backend.setAutomationStatus(status);
        EXPECT_EQ(Permissions::automation(backend, ConsentPrompt::never), expected);
    }
    Permissions::automation(backend, ConsentPrompt::ifNeeded);
    const auto queries = backend.automationQueries();
    ASSERT_FALSE(queries.empty());
    EXPECT_EQ(queries.front(), ConsentPrompt::never);
    EXPECT_EQ(queries.back(), ConsentPrompt::ifNeeded);
}

TEST_F(PermissionsTest, TrustAndPostingGrants) {
    backend.setTrusted(false);
    backend.setPostEventAccess(true);
    EXPECT_EQ(Permissions::accessibility(backend), PermissionState::notDetermined());
    EXPECT_EQ(Permissions::postEvents(backend), PermissionState::granted());

    // The request prompts for trust, then asks for event posting, and reports the trust.
    EXPECT_FALSE(Permissions::requestAccessibility(backend));
    const auto calls = backend.calls();
    auto prompt = std::find(calls.begin(), calls.end(), "axIsProcessTrustedWithOptions(prompt)");
    auto post = std::find(calls.begin(), calls.end(), "requestPostEventAccess");
    ASSERT_NE(prompt, calls.end());
    ASSERT_NE(post, calls.end());
    EXPECT_LT(prompt, post);

    backend.setTrusted(true);
    EXPECT_TRUE(Permissions::requestAccessibility(backend));
    EXPECT_EQ(Permissions::accessibility(backend), PermissionState::granted());
}

FakeInputSource source(std::optional<std::string> id, std::optional<std::string> name,
                       std::optional<bool> ascii, std::optional<std::string> type,
                       bool enabled = true, bool selectable = true) {
    FakeInputSource fake;
    fake.info.id = std::move(id);
    fake.info.localizedName = std::move(name);
    fake.info.isASCIICapable = ascii;
    fake.info.type = std::move(type);
    fake.isEnabled = enabled;
    fake.isSelectCapable = selectable;
    return fake;
}

const std::string layout(InputSourceInfo::keyboardLayoutType);
const std::string inputMode = "TISTypeKeyboardInputMode";

class InputSourceControllerTest : public ::testing::Test {
protected:
    std::shared_ptr<FakeBackend> backend = std::make_shared<FakeBackend>();
    InputSourceController controller{backend};

    void SetUp() override {
        backend->setInputSources({
            source("com.apple.inputmethod.SCIM.ITABC", "拼音 - 简体", true, inputMode),
            source("com.apple.CharacterPaletteIM", "表情与符号", false, "TISTypeCharacterPalette"),
            source("com.apple.PressAndHold", std::nullopt, false, "TISTypeInputMode"),
            source("com.apple.keylayout.German", "德语", true, layout, /*enabled=*/false),
            source("com.apple.keylayout.ABC", "ABC", true, layout),
            source("com.apple.keylayout.Hidden", "Hidden", true, layout, true,
                   /*selectable=*/false),
            source("org.example.untyped", std::nullopt, std::nullopt, std::nullopt),
        });
        backend->setCurrentInputSource("com.apple.inputmethod.SCIM.ITABC");
    }
};

TEST_F(InputSourceControllerTest, EnabledSourcesLeaveOutViewersAndUnselectableOnes) {
    const auto sources = controller.enabledSources();
    using Info = InputSourceController::SourceInfo;
    EXPECT_EQ(sources, (std::vector<Info>{
                           {"com.apple.inputmethod.SCIM.ITABC", "拼音 - 简体", true, true},
                           {"com.apple.keylayout.ABC", "ABC", true, false},
                           {"org.example.untyped", "org.example.untyped", false, true},
                       }));
    const auto query = backend->inputSourceQueries().back();
    EXPECT_EQ(query.isEnabled, true);
    EXPECT_EQ(query.isSelectCapable, true);
    EXPECT_FALSE(query.includeAllInstalled);
    EXPECT_GE(backend->mainThreadHops(), 1);

    backend->failInputSourceList(true);
    EXPECT_TRUE(controller.enabledSources().empty());
}

TEST_F(InputSourceControllerTest, CurrentSourceAndItsAbsence) {
    EXPECT_EQ(controller.current(),
              (InputSourceController::SourceInfo{"com.apple.inputmethod.SCIM.ITABC", "拼音 - 简体",
                                                 true, true}));
    backend->setCurrentInputSource(std::nullopt);
    EXPECT_EQ(controller.current(), InputSourceController::SourceInfo{});
}

TEST_F(InputSourceControllerTest, SelectingByIdAndSwitchingBack) {
    const auto ascii = controller.firstASCIIKeyboardLayout();
    ASSERT_TRUE(ascii.has_value());
    EXPECT_EQ(ascii->id, "com.apple.keylayout.ABC");

    const auto saved = controller.current();
    EXPECT_TRUE(controller.select(ascii->id));
    EXPECT_EQ(controller.current().id, "com.apple.keylayout.ABC");
    EXPECT_TRUE(controller.select(saved.id));
    EXPECT_EQ(controller.current().id, saved.id);

    EXPECT_FALSE(controller.select("com.example.none"));
    EXPECT_EQ(controller.current().id, saved.id) << "an unknown id changes nothing";
    EXPECT_EQ(backend->inputSourceQueries().back().id, "com.example.none");

    backend->failInputSourceSelection(-50);
    EXPECT_FALSE(controller.select("com.apple.keylayout.ABC"));
}

class HotKeyCenterTest : public ::testing::Test {
protected:
    std::shared_ptr<FakeBackend> backend = std::make_shared<FakeBackend>();
    std::vector<HotKeyCenter::Action> actions;
    std::unique_ptr<HotKeyCenter> center = std::make_unique<HotKeyCenter>(
        backend, [this](HotKeyCenter::Action action) { actions.push_back(action); });

    static constexpr std::uint32_t controlOptionCommand = 0x1900;
};

TEST_F(HotKeyCenterTest, RegistersBothCombinationsUnderTheProgramsSignature) {
    ASSERT_TRUE(center->registerHotKeys());
    const auto keys = backend->registeredHotKeys();
    ASSERT_EQ(keys.size(), 2u);
    std::set<std::pair<std::uint32_t, std::uint32_t>> codesAndIds;
    for (const auto& key : keys) {
        EXPECT_EQ(key.modifiers, controlOptionCommand);
        EXPECT_EQ(key.id.signature, 0x504C4D4Fu);
        codesAndIds.insert({key.keyCode, key.id.id});
    }
    EXPECT_EQ(codesAndIds, (std::set<std::pair<std::uint32_t, std::uint32_t>>{{35, 1}, {47, 2}}));
}

TEST_F(HotKeyCenterTest, PressesReachTheHandlerAsActions) {
    ASSERT_TRUE(center->registerHotKeys());
    EXPECT_EQ(backend->pressHotKey(35, controlOptionCommand), std::vector<std::int32_t>{0});
    backend->pressHotKey(35, controlOptionCommand);
    backend->pressHotKey(47, controlOptionCommand);
    backend->pressHotKey(35, 0x100); // ⌘P alone is not ours
    EXPECT_EQ(actions, (std::vector<HotKeyCenter::Action>{HotKeyCenter::Action::togglePause,
                                                          HotKeyCenter::Action::togglePause,
                                                          HotKeyCenter::Action::emergencyStop}));

    // Unknown ids and unreadable events are handled (status 0) and otherwise ignored.
    EXPECT_EQ(backend->deliverHotKeyEvent(HotKeyID{0x504C4D4F, 3}), std::vector<std::int32_t>{0});
    EXPECT_EQ(backend->deliverHotKeyEvent(std::nullopt), std::vector<std::int32_t>{0});
    EXPECT_EQ(actions.size(), 3u);
}

TEST_F(HotKeyCenterTest, PartialFailuresKeepWhatSucceeded) {
    backend->takeHotKey(35);
    EXPECT_FALSE(center->registerHotKeys());
    EXPECT_EQ(backend->registeredHotKeys().size(), 1u);
    backend->pressHotKey(47, controlOptionCommand);
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
