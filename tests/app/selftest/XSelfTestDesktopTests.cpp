// The canary under X against a virtual display of its own (Xvfb and openbox).

#include <gtest/gtest.h>

#include "app/selftest/XSelfTestDesktop.h"

// After GoogleTest: Xlib's macros (None, Bool, Status) would rewrite its names.
#include "platform/backend/writer/XDisplaySession.h"
#include "platform/backend/writer/XKeyTyper.h"

#include <X11/keysym.h>

#include <chrono>
#include <thread>

namespace plumeo::selftest {
namespace {

// A canary that came forward but caught nothing would let a case that leaked keys pass.
TEST(XSelfTestDesktopTest, TheCanaryComesInFrontAndCatchesEveryKeyThatReachesIt) {
    if (!programOnPath("Xvfb") || !programOnPath("openbox"))
        GTEST_SKIP() << "Xvfb or openbox is not installed";
    XDisplaySession::Options options;
    options.forceVirtual = true;
    XDisplaySession session(options);
    XSelfTestDesktop desktop(session.display());
    ASSERT_TRUE(desktop.openCanary("Plumeo 自检：错误窗口金丝雀", "如果本框出现任何字符"));
    ASSERT_TRUE(desktop.bringCanaryToFront());
    EXPECT_EQ(desktop.canaryText(), u"");

    XKeyTyper typer(session.display());
    EXPECT_TRUE(typer.typeText(U"aZ"));
    typer.sendKey(XK_Return, true, 0);
    typer.sendKey(XK_Return, false, 0);
    for (int i = 0; i < 500 && desktop.canaryText().value_or(u"").size() < 3; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(desktop.canaryText(), u"aZ\r");

    desktop.closeCanary();
    EXPECT_FALSE(desktop.canaryText()) << "a closed canary has no field to read";
}

} // namespace
} // namespace plumeo::selftest
