#include "core/text/Utf16.h"
#include "mac/backend/MainLoop.h"
#include "mac/backend/sim/SimBackend.h"
#include "tests/support/SimulatorFixture.h"

#include <condition_variable>
#include <csignal>
#include <gtest/gtest.h>
#include <mutex>
#include <unistd.h>

using namespace plumeo;
using plumeo::testing::SimulatorFixture;

namespace {

constexpr const char* wordLibrary = "on docstate()\n\treturn 1\nend docstate\n\n"
                                    "on readall(docName)\nend readall\n\n"
                                    "on readrange(docName, rangeStart, rangeEnd)\nend readrange\n\n"
                                    "on quitword()\nend quitword\n";

/// Collects callback values from the backend's event thread.
template <typename T> class Inbox {
public:
    void put(T value) {
        {
            std::lock_guard lock(mutex_);
            values_.push_back(value);
        }
        arrived_.notify_all();
    }
    /// Waits (bounded) until `count` values are there; returns them.
    std::vector<T> waitFor(std::size_t count) {
        std::unique_lock lock(mutex_);
        arrived_.wait_for(lock, std::chrono::seconds(5), [&] { return values_.size() >= count; });
        return values_;
    }

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<T> values_;
};

class SimBackendTest : public SimulatorFixture {
protected:
    void SetUp() override {
        SimulatorFixture::SetUp();
        backend = std::make_unique<SimBackend>(simulator().socketPath());
        const auto words = backend->runningApplications("com.microsoft.Word");
        ASSERT_EQ(words.size(), 1u);
        wordPid = words[0].pid;
        auto compilation = backend->compileScript(wordLibrary);
        ASSERT_EQ(compilation.status, ScriptCompilation::Status::compiled);
        library = std::move(compilation.script);
    }
    void TearDown() override {
        library.reset();
        backend.reset();
        SimulatorFixture::TearDown();
    }

    void post(const KeyEventSpec& spec, const KeyEventDestination& destination) {
        KeyEventSpec down = spec;
        down.keyDown = true;
        backend->postKeyboardEvent(*backend->createKeyboardEvent(down), destination);
        KeyEventSpec up = spec;
        up.keyDown = false;
        backend->postKeyboardEvent(*backend->createKeyboardEvent(up), destination);
    }
    static KeyEventSpec keySpec(std::uint16_t virtualKey, std::u16string text = {}) {
        KeyEventSpec spec;
        spec.virtualKey = virtualKey;
        spec.unicode = std::move(text);
        spec.userData = 0x504C4D4F;
        return spec;
    }
    void typeToWord(std::u16string text) {
        post(keySpec(0, std::move(text)), KeyEventDestination::process(wordPid));
    }
    ScriptResult run(std::string_view handler, std::vector<ScriptParameter> parameters = {}) {
        return backend->executeHandler(*library, handler, parameters);
    }
    AXElementRef focusedElement() {
        return *axElement(
            backend->axAttribute(backend->axApplicationElement(wordPid), "AXFocusedUIElement"));
    }

    std::unique_ptr<SimBackend> backend;
    std::unique_ptr<CompiledScript> library;
    std::int32_t wordPid = 0;
};

} // namespace

TEST_F(SimBackendTest, WordIsARealProcessInFrontWithItsDocumentWindow) {
    EXPECT_TRUE(backend->processExists(wordPid));
    EXPECT_EQ(backend->frontmostApplication()->bundleIdentifier, "com.microsoft.Word");
    EXPECT_EQ(backend->runningApplication(wordPid)->localizedName, "Microsoft Word");

    const AXElementRef app = backend->axApplicationElement(wordPid);
    const auto window = axElement(backend->axAttribute(app, "AXFocusedWindow"));
    ASSERT_TRUE(window);
    EXPECT_EQ(axString(backend->axAttribute(*window, "AXTitle")), u"文档1");
    EXPECT_TRUE(backend->axIsSameElement(focusedElement(), focusedElement()));
    EXPECT_EQ(axString(backend->axAttribute(focusedElement(), "AXRole")), u"AXScrollArea");
    EXPECT_EQ(backend->axPid(*window), wordPid);

    const auto systemApp =
        axElement(backend->axAttribute(backend->axSystemWideElement(), "AXFocusedApplication"));
    ASSERT_TRUE(systemApp);
    EXPECT_EQ(backend->axPid(*systemApp), wordPid);
    EXPECT_EQ(backend->axAttribute(*window, "AXNoSuchAttribute").error,
              AXError::attributeUnsupported);
}

TEST_F(SimBackendTest, TypedTextReadsBackExactlyByAccessibilityAndAsPlaceholdersByScript) {
    typeToWord(u"Hi \U0001F600");
    post(keySpec(36), KeyEventDestination::process(wordPid));
    typeToWord(u"x");

    const auto all = run("readall", {std::u16string()});
    ASSERT_TRUE(all.succeeded());
    EXPECT_EQ(all.descriptor->stringValue(), u"Hi 12\rx\r");

    const AXElementRef body = focusedElement();
    EXPECT_EQ(axString(backend->axAttribute(body, "AXRole")), u"AXTextArea");
    EXPECT_EQ(axNumber(backend->axAttribute(body, "AXNumberOfCharacters")), 7);
    EXPECT_EQ(axRange(backend->axAttribute(body, "AXSelectedTextRange")), (AXTextRange{7, 0}));
    EXPECT_EQ(
        axString(backend->axParameterizedAttribute(body, "AXStringForRange", AXTextRange{0, 7})),
        u"Hi \U0001F600\nx");

    const auto state = run("docstate");
    ASSERT_TRUE(state.succeeded());
    EXPECT_EQ(state.descriptor->item(4)->int32Value(), 7);
    EXPECT_EQ(state.descriptor->item(6)->enumCodeValue(), 0x02300001u);
    EXPECT_EQ(state.descriptor->item(7)->booleanValue(), false);
}

TEST_F(SimBackendTest, ScriptFailuresCarryAppleScriptNumbers) {
    const auto broken = backend->compileScript("on docstate()\n");
    EXPECT_EQ(broken.status, ScriptCompilation::Status::notCompiled);
    EXPECT_TRUE(broken.errorMessage.has_value());

    const auto missing = run("readall", {std::u16string(u"没有这个文档")});
    EXPECT_FALSE(missing.succeeded());
    EXPECT_EQ(missing.errorNumber, -1728);
    EXPECT_EQ(run("undeclared").errorNumber, -1708);

    control().setScriptTimeScale(0.02);
    control().openDialog("提示", std::nullopt);
    EXPECT_EQ(run("docstate").errorNumber, -1712);
    control().closeDialog();
    EXPECT_TRUE(run("docstate").succeeded());

    control().setAutomation(-1743);
    EXPECT_EQ(run("docstate").errorNumber, -1743);
    EXPECT_EQ(backend->determinePermissionToAutomate("com.microsoft.Word", ConsentPrompt::never),
              -1743);
}

TEST_F(SimBackendTest, QuittingWordEndsItsProcessAndNotifiesObservers) {
    Inbox<std::int32_t> terminated;
    backend->observeApplicationTerminated([&](std::int32_t pid) { terminated.put(pid); });
    ASSERT_TRUE(run("quitword").succeeded());
    EXPECT_FALSE(backend->processExists(wordPid)) << "a real, reaped process id";
    EXPECT_EQ(run("docstate").errorNumber, -600);
    EXPECT_TRUE(backend->runningApplications("com.microsoft.Word").empty());
    EXPECT_EQ(backend->determinePermissionToAutomate("com.microsoft.Word", ConsentPrompt::never),
              -600);
    EXPECT_EQ(terminated.waitFor(1), std::vector<std::int32_t>{wordPid});

    ASSERT_TRUE(backend->openApplication("com.microsoft.Word"));
    const auto relaunched = backend->runningApplications("com.microsoft.Word");
    ASSERT_EQ(relaunched.size(), 1u);
    EXPECT_NE(relaunched[0].pid, wordPid);
    EXPECT_TRUE(backend->processExists(relaunched[0].pid));
}

TEST_F(SimBackendTest, HotKeyPressedOnTheKeyboardReachesTheHandler) {
    Inbox<HotKeyID> pressed;
    ASSERT_TRUE(backend->installHotKeyHandler([&](std::optional<HotKeyID> id) {
        pressed.put(id.value_or(HotKeyID{}));
        return 0;
    }));
    const HotKeyID pause{0x504C4D4F, 1};
    const auto exclusive = HotKeyOwnership::exclusive;
    ASSERT_TRUE(backend->registerHotKey(35, 0x1900, pause, exclusive));
    EXPECT_FALSE(backend->registerHotKey(35, 0x1900, HotKeyID{0x504C4D4F, 9}, exclusive));
    control().reserveHotKey(47, 0x1900);
    EXPECT_FALSE(backend->registerHotKey(47, 0x1900, HotKeyID{0x504C4D4F, 2}, exclusive));
    // Shared, the taken combination registers fine and is never heard.
    ASSERT_TRUE(
        backend->registerHotKey(47, 0x1900, HotKeyID{0x504C4D4F, 2}, HotKeyOwnership::shared));

    control().pressKey(47, 0x40000 | 0x80000 | 0x100000);
    control().pressKey(35, 0x40000 | 0x80000 | 0x100000);
    EXPECT_EQ(pressed.waitFor(1), std::vector<HotKeyID>{pause});
    EXPECT_LT(backend->secondsSinceLastEventType(EventSourceState::hidSystemState, 10), 60);
    EXPECT_EQ(control().documentText("文档1"), u"\r") << "the hot key never reaches Word";
}

TEST_F(SimBackendTest, CallsMacOSAllowsOnlyOnTheMainThreadFailOffItUnderTheRules) {
    control().setMainThreadRules(true);
    const HotKeyID id{0x504C4D4F, 1};
    EXPECT_FALSE(backend->registerHotKey(35, 0x1900, id, HotKeyOwnership::exclusive))
        << "no main loop turns, so this thread is not the main thread";
    EXPECT_FALSE(backend->createKeyboardEvent(keySpec(0, u"a")));
    EXPECT_EQ(control().dump()["mainThreadViolations"], 2);
    // A worker's calls hop to the main thread while it turns its loop.
    runBesideMainLoop(*backend, [&] {
        EXPECT_TRUE(backend->registerHotKey(35, 0x1900, id, HotKeyOwnership::exclusive));
        EXPECT_TRUE(backend->createKeyboardEvent(keySpec(0, u"a")));
    });
    EXPECT_EQ(control().dump()["mainThreadViolations"], 2);
}

TEST_F(SimBackendTest, AHandlerThatDoesNotLookFirstStartsWordAndOneThatLooksNever) {
    control().setScriptsLaunchWord(true);
    control().quitWord();
    const std::string tell = "\ttell application id \"com.microsoft.Word\"\n\t\tcount of "
                             "documents\n\tend tell\n";
    auto looking = backend->compileScript(
        "on docstate()\n\tmy requireword()\n" + tell + "end docstate\n\non requireword()\n" +
        "\tif application id \"com.microsoft.Word\" is not running then error number -600\n" +
        "end requireword\n");
    ASSERT_TRUE(looking.script);
    EXPECT_EQ(backend->executeHandler(*looking.script, "docstate", {}).errorNumber, -600);
    EXPECT_FALSE(control().wordPid());

    auto careless = backend->compileScript("on docstate()\n" + tell + "end docstate\n");
    ASSERT_TRUE(careless.script);
    EXPECT_TRUE(backend->executeHandler(*careless.script, "docstate", {}).succeeded());
    EXPECT_TRUE(control().wordPid()) << "a tell block starts Word";
}

TEST_F(SimBackendTest, HidKeysGoToTheFrontWindowNotToWord) {
    const int canary = static_cast<int>(getpid());
    ASSERT_TRUE(control().registerApp(canary, "org.plumeo.tests", "测试", "金丝雀"));
    ASSERT_TRUE(backend->activateApplication(canary));
    post(keySpec(0, u"k"), KeyEventDestination::hidTap());
    typeToWord(u"w");
    EXPECT_EQ(control().fieldText(canary), u"k");
    EXPECT_EQ(control().documentText("文档1"), u"w\r");
    EXPECT_EQ(backend->frontmostApplication()->pid, canary);
}

TEST_F(SimBackendTest, RevokedPermissionsEmptyQueriesAndDropEvents) {
    EXPECT_TRUE(backend->axIsProcessTrusted());
    EXPECT_TRUE(backend->preflightPostEventAccess());
    control().setAccessibility(false);
    control().setPostEvents(false);
    EXPECT_FALSE(backend->axIsProcessTrusted());
    EXPECT_EQ(backend->axAttribute(backend->axApplicationElement(wordPid), "AXFocusedWindow").error,
              AXError::apiDisabled);
    EXPECT_TRUE(backend->axAttributeNames(backend->axApplicationElement(wordPid)).empty());
    EXPECT_FALSE(backend->preflightPostEventAccess());
    typeToWord(u"x");
    EXPECT_EQ(control().documentText("文档1"), u"\r");
}

TEST_F(SimBackendTest, InputSourcesListFilterAndSelect) {
    InputSourceFilter selectable;
    selectable.isEnabled = true;
    selectable.isSelectCapable = true;
    const auto enabled = backend->inputSourceList(selectable);
    ASSERT_TRUE(enabled);
    std::vector<std::string> ids;
    for (const auto& source : *enabled) {
        ids.push_back(source.id.value_or(""));
    }
    EXPECT_NE(std::find(ids.begin(), ids.end(), "com.apple.CharacterPaletteIM"), ids.end());
    EXPECT_EQ(std::find(ids.begin(), ids.end(), "com.apple.keylayout.US"), ids.end());

    InputSourceFilter byId;
    byId.id = "com.apple.keylayout.ABC";
    const auto abc = backend->inputSourceList(byId);
    ASSERT_TRUE(abc && abc->size() == 1);
    EXPECT_EQ((*abc)[0].type, std::string(InputSourceInfo::keyboardLayoutType));
    EXPECT_EQ(backend->selectInputSource((*abc)[0]), 0);
    EXPECT_EQ(backend->currentKeyboardInputSource()->id, "com.apple.keylayout.ABC");
}

TEST_F(SimBackendTest, MalformedAndOversizedRequestsGetErrorsAndChangeNothing) {
    simproto::SimConnection raw(simulator().socketPath());
    const auto garbage = nlohmann::json::parse(raw.exchangeRaw("this is not json\n"));
    EXPECT_EQ(garbage["error"]["code"], "malformed");
    const std::string huge(simproto::maxMessageBytes + 10, 'x');
    const auto oversized = nlohmann::json::parse(raw.exchangeRaw(huge + "\n"));
    EXPECT_EQ(oversized["error"]["code"], "oversized");
    EXPECT_EQ(raw.call("ping")["pid"], simulator().pid());
    EXPECT_EQ(control().documentText("文档1"), u"\r");
}

TEST(SimulatorProcessLifetime, StoppingTheSimulatorEndsWord) {
    int wordPid = 0;
    {
        plumeo::testing::SimulatorProcess simulator;
        wordPid = simulator.control().wordPid().value_or(0);
        ASSERT_GT(wordPid, 0);
        EXPECT_EQ(kill(wordPid, 0), 0);
    }
    EXPECT_NE(kill(wordPid, 0), 0);
}

TEST(SimBackendWithoutSimulator, AnswersEmptyInsteadOfFailing) {
    SimBackend backend("/nonexistent/plumeo-sim.sock");
    EXPECT_FALSE(backend.axIsProcessTrusted());
    EXPECT_TRUE(backend.runningApplications("com.microsoft.Word").empty());
    EXPECT_EQ(backend.compileScript("on a()\nend a").status, ScriptCompilation::Status::notCreated);
    EXPECT_FALSE(backend.frontmostApplication());
}

TEST_F(SimBackendTest, UserClicksAndSlowWordAreVisibleThroughTheBackend) {
    control().setDocumentText("文档1", u"hello world", 11);
    EXPECT_GT(backend->secondsSinceLastEventType(EventSourceState::hidSystemState, 1), 1000);
    ASSERT_TRUE(control().clickInWordBody(5));
    EXPECT_LT(backend->secondsSinceLastEventType(EventSourceState::hidSystemState, 1), 60);
    EXPECT_EQ(axRange(backend->axAttribute(focusedElement(), "AXSelectedTextRange")),
              (AXTextRange{5, 0}));

    control().setWordTiming(0, 60000);
    typeToWord(u"x");
    EXPECT_EQ(control().documentText("文档1"), u"hello world\r") << "still queued";
    EXPECT_EQ(control().dump()["word"]["pendingEvents"], 2) << "key-down and key-up";
    control().setWordTiming(0, 0);
    typeToWord(u"y");
    EXPECT_EQ(control().documentText("文档1"), u"helloxy world\r")
        << "a later event never overtakes an earlier one";
}

TEST_F(SimBackendTest, SheetAndToolbarFocusShowInTheTree) {
    ASSERT_TRUE(control().openSheet());
    const auto window =
        axElement(backend->axAttribute(backend->axApplicationElement(wordPid), "AXFocusedWindow"));
    ASSERT_TRUE(window);
    const auto children = axElementList(backend->axAttribute(*window, "AXChildren"));
    ASSERT_TRUE(children);
    bool sheet = false;
    for (const auto& child : *children) {
        sheet = sheet || axString(backend->axAttribute(child, "AXRole")) == u"AXSheet";
    }
    EXPECT_TRUE(sheet);
    EXPECT_TRUE(control().closeSheet());
    control().focusToolbar(true);
    EXPECT_EQ(axString(backend->axAttribute(focusedElement(), "AXRole")), u"AXButton");
}

TEST_F(SimBackendTest, LongDocumentsReadBackWhole) {
    // Each text fits in a request; the dump of both is longer than a request may be, which
    // answers are allowed.
    std::u16string text;
    while (text.size() * 3 < simproto::maxMessageBytes * 3 / 5) {
        text += u"长文读回的合成文本。\r";
    }
    const std::string second = control().newDocument();
    control().setDocumentText("文档1", text, 0);
    control().setDocumentText(second, text + u"\U0001F600", 0);
    EXPECT_EQ(control().documentText("文档1"), text + u"\r");
    const auto state = control().dump();
    ASSERT_EQ(state["word"]["documents"].size(), 2u);
    EXPECT_EQ(toUtf16(state["word"]["documents"][1]["text"].get<std::string>()), text + u"\r");
    const auto all = run("readall", {std::u16string(u"文档1")});
    ASSERT_TRUE(all.succeeded());
    EXPECT_EQ(all.descriptor->stringValue(), text + u"\r");
}
