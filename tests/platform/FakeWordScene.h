#pragma once

// A Word as Accessibility shows it, built on the fake backend: the application element with
// its focused window and body text element, the system-wide element naming the frontmost
// application, and the running applications. Tests change one thing at a time through it.

#include "core/text/Utf16.h"
#include "platform/ax/WordTargetGuard.h"
#include "tests/platform/FakeBackend.h"

#include <memory>
#include <string>

namespace plumeo::testing {

/// Cursor lower...upper in a story six units longer: the scene's body (10 characters, cursor 5)
/// fits the default.
inline TargetExpectation expectation(int lower = 5, int upper = 7) {
    return {{lower, upper}, {lower + 6, upper + 6}};
}

struct FakeWordScene {
    static constexpr std::int32_t wordPid = 4242;
    static constexpr std::int32_t otherPid = 777;

    std::shared_ptr<FakeBackend> fake;
    AXElementRef app;
    AXElementRef systemWide;
    AXElementRef window;
    AXElementRef body;

    /// Word in front, its document window focused, a text area holding `characters` units with
    /// the cursor at `cursor`.
    FakeWordScene() : FakeWordScene(std::make_shared<FakeBackend>()) {}
    explicit FakeWordScene(std::shared_ptr<FakeBackend> backend, int characters = 10,
                           int cursor = 5)
        : fake(std::move(backend)) {
        fake->addRunningApp({wordPid, "com.microsoft.Word", "Microsoft Word"});
        fake->addRunningApp({otherPid, "com.apple.Safari", "Safari"});
        app = fake->applicationElement(wordPid);
        systemWide = fake->systemWideElement();
        window = makeWindow("文档1", "AXStandardWindow");
        fake->setAttribute(app, "AXFocusedWindow", window);
        body = makeTextArea(window, characters, cursor);
        focus(body);
        setFront(wordPid);
    }

    AXElementRef makeWindow(const std::string& title, const std::string& subrole) {
        auto element = fake->makeElement();
        fake->setAttribute(element, "AXRole", u"AXWindow");
        fake->setAttribute(element, "AXSubrole", toUtf16(subrole));
        fake->setAttribute(element, "AXTitle", toUtf16(title));
        return element;
    }
    AXElementRef makeElement(const std::u16string& role, const AXElementRef& inWindow) {
        auto element = fake->makeElement();
        fake->setAttribute(element, "AXRole", role);
        fake->setAttribute(element, "AXWindow", inWindow);
        return element;
    }
    AXElementRef makeTextArea(const AXElementRef& inWindow, int characters, int cursor) {
        auto element = makeElement(u"AXTextArea", inWindow);
        fake->setAttribute(element, "AXNumberOfCharacters", static_cast<double>(characters));
        setSelection(element, cursor, 0);
        return element;
    }
    AXElementRef makeScrollArea(const AXElementRef& inWindow, int characters = 0) {
        auto element = makeElement(u"AXScrollArea", inWindow);
        fake->setAttribute(element, "AXNumberOfCharacters", static_cast<double>(characters));
        return element;
    }
    void setSelection(const AXElementRef& element, std::int64_t location, std::int64_t length) {
        fake->setAttribute(element, "AXSelectedTextRange", AXTextRange{location, length});
    }
    void focus(const AXElementRef& element) {
        fake->setAttribute(app, "AXFocusedUIElement", element);
    }
    void focusWindow(const AXElementRef& element) {
        fake->setAttribute(app, "AXFocusedWindow", element);
    }
    /// The application with this pid becomes the system-wide focused one.
    void setFront(std::int32_t pid) {
        fake->setAttribute(systemWide, "AXFocusedApplication", fake->applicationElement(pid));
        fake->setFrontmostPid(pid);
    }
    void setChildren(const AXElementRef& parent, std::vector<AXElementRef> children) {
        fake->setAttribute(parent, "AXChildren", std::move(children));
    }
    /// The element's AXStringForRange answers from `text` (UTF-16 units, line feeds as
    /// Accessibility shows Word's paragraph marks), like a well-behaved text view.
    void setText(const AXElementRef& element, std::u16string text) {
        fake->setAttribute(element, "AXNumberOfCharacters", static_cast<double>(text.size()));
        fake->setParameterizedAttribute(
            element, "AXStringForRange",
            [text = std::move(text)](const AXValue& parameter) -> std::optional<AXValue> {
                auto range = std::get_if<AXTextRange>(&parameter);
                if (!range || range->location < 0 || range->length < 0 ||
                    range->location + range->length > static_cast<std::int64_t>(text.size()))
                    return std::nullopt;
                return text.substr(range->location, range->length);
            });
    }
    /// A guard bound to this Word, sending, and well past its activity grace.
    std::unique_ptr<WordTargetGuard> sendingGuard() {
        auto guard = WordTargetGuard::make(fake, wordPid);
        EXPECT_NE(guard, nullptr);
        if (guard)
            guard->beginSending();
        fake->advanceUptime(1.0);
        return guard;
    }
    /// The user's last input of one Quartz event type happened `seconds` ago.
    void setInputAgo(std::uint32_t eventType, double seconds) {
        fake->setSecondsSinceLastEvent(EventSourceState::hidSystemState, eventType, seconds);
    }
};

} // namespace plumeo::testing
