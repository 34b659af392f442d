// Key events through the whole Writer backend into a live Writer on a virtual display.

#include <gtest/gtest.h>

// After GoogleTest: Xlib's macros (None, Bool, Status) would rewrite its names.
#include "platform/backend/writer/WriterBackendFactory.h"
#include "platform/backend/writer/WriterOffice.h"

#include <atomic>
#include <thread>

namespace plumeo {
namespace {

std::optional<std::u16string> bodyValue(PlatformBackend& backend) {
    const auto focused = backend.axAttribute(backend.axSystemWideElement(), "AXFocusedUIElement");
    if (!focused.ok())
        return std::nullopt;
    const auto value = backend.axAttribute(std::get<AXElementRef>(*focused.value), "AXValue");
    if (!value.ok())
        return std::nullopt;
    return std::get<std::u16string>(*value.value);
}

// Characters off the layout (CJK whose numbers repeat a digit, emoji with a skin tone, a
// variation selector), repeated keys and a paragraph, typed as fast as the backend goes while
// another thread reads the body as the guard does: all land exactly and in order, and no read
// sees a character half typed.
TEST(WriterTypingTest, EveryCharacterLandsExactlyAndNoReadSeesItHalfTyped) {
    if (!WriterOffice::findSoffice())
        GTEST_SKIP() << "LibreOffice (soffice) is not installed: run scripts/install-deps.sh";
    WriterEnvironmentOptions options;
    options.virtualDisplay = true;
    options.autoCorrectOff = true;
    const auto backend = makeWriterBackend(options);
    const auto app = backend->frontmostApplication();
    ASSERT_TRUE(app);
    const auto to = KeyEventDestination::process(app->pid);

    const std::u16string text = u"一写书桌，ffee 👍🏽❤️ Mix 99\n下一段：写作 ok";
    std::atomic<bool> typing{true};
    std::atomic<int> halfTyped{0};
    std::thread reader([&] {
        while (typing) {
            const auto body = bodyValue(*backend);
            if (body && body->find(u"U+") != std::u16string::npos)
                ++halfTyped;
        }
    });
    for (std::size_t i = 0; i < text.size(); ++i) {
        KeyEventSpec spec;
        if (text[i] == u'\n') {
            spec.virtualKey = 36; // Return
            backend->postKeyboardEvent(*backend->createKeyboardEvent(spec), to);
            spec.keyDown = false;
            backend->postKeyboardEvent(*backend->createKeyboardEvent(spec), to);
            continue;
        }
        const std::size_t units = text[i] >= 0xd800 && text[i] <= 0xdbff ? 2 : 1;
        spec.unicode = text.substr(i, units);
        i += units - 1;
        backend->postKeyboardEvent(*backend->createKeyboardEvent(spec), to);
    }
    typing = false;
    reader.join();

    std::optional<std::u16string> body;
    for (int wait = 0; wait < 50 && body != text; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        body = bodyValue(*backend);
    }
    EXPECT_EQ(body, text);
    EXPECT_EQ(halfTyped, 0);
}

} // namespace
} // namespace plumeo
