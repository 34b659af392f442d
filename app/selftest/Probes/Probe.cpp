#include "app/selftest/Probes/Probe.h"

#include "core/text/Utf16.h"
#include "platform/input/InputSourceController.h"
#include "platform/input/Permissions.h"

#include <algorithm>
#include <chrono>

namespace plumeo::selftest {
namespace {

constexpr std::uint32_t keyDownEvent = 10;
constexpr int throughputStrokes = 200;
constexpr double throughputWaitSeconds = 30;
constexpr int timedCalls = 20;

std::string sourceText(const InputSourceController::SourceInfo& source) {
    return source.id + "（" + source.name + "）";
}

std::string readText(ProbeKit& kit, int start, int end) {
    try {
        const std::u16string text = kit.bridge().read(start, end);
        return "成功，长度 " + std::to_string(text.size());
    } catch (...) {
        return failureText();
    }
}

/// Mean and maximum of `calls` runs of `call`, in milliseconds.
std::string timing(ProbeKit& kit, const std::function<void()>& call) {
    double total = 0;
    double longest = 0;
    for (int index = 0; index < timedCalls; ++index) {
        const double started = kit.backend().systemUptime();
        try {
            call();
        } catch (...) {
            return "失败：" + failureText();
        }
        const double took = (kit.backend().systemUptime() - started) * 1000;
        total += took;
        longest = std::max(longest, took);
    }
    return formatted("平均 %.1f ms，最大 %.1f ms", total / timedCalls, longest);
}

void environment(ProbeKit& kit, InputSourceController& inputs) {
    PlatformBackend& backend = kit.backend();
    kit.bullet("macOS", backend.operatingSystemVersion());
    kit.bullet("辅助功能 AXIsProcessTrusted", yesNo(backend.axIsProcessTrusted()));
    kit.bullet("发送事件 CGPreflightPostEventAccess", yesNo(backend.preflightPostEventAccess()));
    kit.bullet("当前输入源", sourceText(inputs.current()));
    std::string enabled;
    for (const auto& source : inputs.enabledSources())
        enabled += (enabled.empty() ? "" : "、") + sourceText(source);
    kit.bullet("已启用输入源", enabled.empty() ? "（无）" : enabled);
    kit.bullet("自动化权限", Permissions::automation(backend, ConsentPrompt::never).label());
    try {
        const auto word = kit.bridge().environment();
        kit.bullet("Word 版本", word.wordVersion);
        kit.bullet("已打开文档数（探针前）", std::to_string(word.documentCount));
    } catch (...) {
        kit.bullet("Word 读取失败", failureText());
    }
}

void readOnlyChecks(ProbeKit& kit) {
    kit.bullet("结论", "缺少辅助功能权限：键盘输入部分阻塞，只执行只读读回部分");
    kit.section("只读读回验证（无键盘输入）");
    kit.bullet("自动化权限", Permissions::automation(kit.backend(), ConsentPrompt::never).label());
    try {
        const auto word = kit.bridge().environment();
        kit.bullet("Word 版本", word.wordVersion);
        kit.bullet("已打开文档数", std::to_string(word.documentCount));
    } catch (...) {
        kit.bullet("environment 失败", failureText());
    }
    if (const auto problem = kit.createDocument()) {
        kit.bullet("新建测试文档", "失败");
        return;
    }
    kit.bullet("新建测试文档", kit.documentName());
    kit.bullet("docstate 调用耗时（20 次）", timing(kit, [&] { kit.bridge().state(); }));
    kit.bullet("readrange 调用耗时（20 次）", timing(kit, [&] { kit.bridge().read(0, 1); }));
    try {
        kit.bullet("read(0,5) 空文档", "「" + visible(kit.bridge().read(0, 5)) + "」");
    } catch (...) {
        kit.bullet("read(0,5) 空文档", failureText());
    }
    try {
        std::string settings;
        for (const auto& [label, on] : kit.bridge().autocorrectSettings())
            settings += (settings.empty() ? "" : "，") + label + "：" + yesNo(on);
        kit.bullet("自动更正设置", settings);
    } catch (...) {
        kit.bullet("自动更正设置", "读取失败");
    }
    try {
        kit.fixture().protectDocument(kit.documentName());
        kit.bullet("保护测试", "设为仅允许读取保护后 " + kit.stateText());
        kit.fixture().unprotectDocument(kit.documentName());
    } catch (...) {
        kit.bullet("保护测试", "失败：" + failureText());
    }
    try {
        kit.fixture().setRevisions(kit.documentName(), true);
        const std::string state = kit.stateText();
        kit.fixture().setRevisions(kit.documentName(), false);
        kit.bullet("修订测试", "开启修订后 " + state);
    } catch (...) {
        kit.bullet("修订测试", "失败：" + failureText());
    }
}

void accessibilityStructure(ProbeKit& kit) {
    AXInspector& ax = kit.inspector();
    kit.section("辅助功能结构");
    if (const auto focus = ax.focusInfo()) {
        kit.bullet("焦点窗口", "role=" + focus->windowRole + ", subrole=" + focus->windowSubrole +
                                 ", modal=" + yesNo(focus->isModal) + ", sheet=" +
                                 yesNo(focus->hasSheet) + ", title=" + focus->windowTitle);
    } else {
        kit.bullet("焦点窗口", "无");
    }
    const auto element = ax.focusedElement();
    if (!element) {
        kit.bullet("焦点元素", "无");
        return;
    }
    kit.bullet("焦点元素", kit.describeElement(*element));
    std::string names;
    for (const std::string& name : ax.attributeNames(*element))
        names += (names.empty() ? "" : ", ") + name;
    kit.bullet("焦点元素属性", names);
    const auto range = ax.selectedRange(*element);
    kit.bullet("AXSelectedTextRange", range ? std::to_string(range->location) + "," +
                                                  std::to_string(range->length)
                                            : "无");
    const auto again = ax.focusedElement();
    kit.bullet("焦点元素两次查询 CFEqual", yesNo(again && ax.isSameElement(*element, *again)));
    const auto window = ax.focusedWindow();
    const auto windowAgain = ax.focusedWindow();
    kit.bullet("焦点窗口两次查询 CFEqual",
               yesNo(window && windowAgain && ax.isSameElement(*window, *windowAgain)));
}

std::string selectedRangeText(ProbeKit& kit) {
    const auto element = kit.inspector().focusedElement();
    const auto range = element ? kit.inspector().selectedRange(*element) : std::nullopt;
    return range ? std::to_string(range->location) + "," + std::to_string(range->length) : "无";
}

int selectionStart(ProbeKit& kit) {
    try {
        return kit.bridge().state().selectionStart;
    } catch (...) {
        return -1;
    }
}

void keyboardSections(ProbeKit& kit, InputSourceController& inputs) {
    PlatformBackend& backend = kit.backend();
    kit.section("坐标单位（UTF-16？）");
    const double idleBefore =
        backend.secondsSinceLastEventType(EventSourceState::hidSystemState, keyDownEvent);
    kit.type({KeyStroke::typeText(u"a"), KeyStroke::typeText(u"😀"), KeyStroke::typeText(u"b")});
    kit.settle();
    const double idleAfter =
        backend.secondsSinceLastEventType(EventSourceState::hidSystemState, keyDownEvent);
    kit.bullet("HID keyDown 空闲秒数（前/后）",
               formatted("%.2f / %.2f（后者仍很大说明 postToPid 事件不计入用户键盘活动）",
                         idleBefore, idleAfter));
    kit.bullet("AXSelectedTextRange（键入后）", selectedRangeText(kit));
    kit.stateLine("键入 a、😀、b 后");

    kit.section("段落 / 换行 / Tab");
    kit.type({KeyStroke::returnKey(), KeyStroke::shiftReturn(), KeyStroke::typeText(u"x"),
              KeyStroke::tab(), KeyStroke::typeText(u"y")});
    kit.settle();
    kit.stateLine("Return、Shift+Return、x、Tab、y 后");

    kit.section("中文输入法");
    const auto original = inputs.current();
    kit.bullet("当前输入源", sourceText(original) + ", inputMethod=" + yesNo(original.isInputMethod));
    const std::u16string mixed = u"中文，标点。ABC";
    kit.typeText(mixed);
    kit.settle();
    kit.stateLine("当前输入源下键入「中文，标点。ABC」");
    if (const auto ascii = inputs.firstASCIIKeyboardLayout(); ascii && inputs.select(ascii->id)) {
        kit.typeText(mixed);
        kit.settle();
        kit.stateLine("切到 " + sourceText(*ascii) + " 后键入同一串");
        inputs.select(original.id);
    } else {
        kit.bullet("切换到英文键盘", "没有可选的英文键盘布局");
    }
    kit.activateDocument();
    kit.type(ProbeKit::strokesOf(u"经HID"), 20, CGKeySink::Route::Kind::hidTap);
    kit.settle();
    kit.stateLine("activatedoc 后下 HID 路由键入「经HID」");

    kit.section("组合字符与 emoji");
    const std::vector<KeyStroke> combining = {
        KeyStroke::typeText(u"e\u0301"), KeyStroke::typeText(u"\u00e9"),
        KeyStroke::typeText(u"n\u0303"), KeyStroke::typeText(u"\U0001F1E8\U0001F1F3"),
        KeyStroke::typeText(u"\U0001F44D\U0001F3FD")};
    int expected = 0;
    for (const KeyStroke& stroke : combining)
        expected += static_cast<int>(stroke.text.size());
    const int before = selectionStart(kit);
    kit.type(combining);
    kit.settle();
    kit.bullet("预期 UTF-16 增量", std::to_string(expected));
    kit.bullet("实际光标增量", std::to_string(selectionStart(kit) - before));
    kit.stateLine("组合字符与 emoji 后");

    kit.section("退格语义");
    kit.type({KeyStroke::typeText(u"q"), KeyStroke::typeText(u"e\u0301")});
    kit.settle();
    kit.stateLine("键入 q + e+U+0301");
    kit.type({KeyStroke::typeText(u"😀"), KeyStroke::backspace()});
    kit.settle();
    kit.stateLine("键入 😀 再退格 1 次后");

    kit.section("自动更正（测试文档内观察，不修改设置）");
    try {
        for (const auto& [label, on] : kit.bridge().autocorrectSettings())
            kit.bullet(label, yesNo(on));
    } catch (...) {
        kit.bullet("自动更正设置", "读取失败：" + failureText());
    }
    kit.type({KeyStroke::returnKey()});
    kit.settle();
    const int autoCorrectFrom = std::max(0, selectionStart(kit));
    kit.typeText(u"teh \"quote\" it's a--b (c) 1/2 ok. next");
    kit.type({KeyStroke::returnKey()});
    kit.typeText(u"1. item");
    kit.settle();
    try {
        const std::u16string text = kit.bridge().readAll();
        kit.bullet("自动更正探针后",
                   "「" + visible(text.substr(std::min<std::size_t>(autoCorrectFrom, text.size()))) + "」");
    } catch (...) {
        kit.bullet("自动更正探针后", failureText());
    }

    kit.section("越界读取");
    int length = 0;
    try {
        length = static_cast<int>(kit.bridge().readAll().size());
    } catch (...) {
    }
    kit.bullet("read(len-1, len)", readText(kit, length - 1, length));
    kit.bullet("read(0, len+5)", readText(kit, 0, length + 5));

    kit.section("吞吐量（postToPid，1ms 间隔）");
    kit.type({KeyStroke::returnKey()});
    kit.settle();
    kit.pause(0.15);
    const int start = selectionStart(kit);
    std::vector<KeyStroke> run;
    for (int index = 0; index < throughputStrokes; ++index)
        run.push_back(KeyStroke::typeText(std::u16string(1, static_cast<char16_t>(u'a' + index % 26))));
    const double sendStarted = backend.systemUptime();
    if (!kit.type(run, 1))
        return;
    const double sent = backend.systemUptime() - sendStarted;
    kit.pause(0.3);
    double landed = backend.systemUptime() - sendStarted;
    while (selectionStart(kit) < start + throughputStrokes && landed < throughputWaitSeconds) {
        kit.pause(0.02);
        landed = backend.systemUptime() - sendStarted;
    }
    kit.bullet("吞吐量", formatted("发送 %.0f 个用时 %.2fs；", throughputStrokes, sent) +
                             formatted("Word 全部落下用时 %.2fs（%.0f 字/秒）", landed,
                                       throughputStrokes / std::max(landed, 0.001)));
}

} // namespace

void runGeneralProbe(const ProbeOptions& options) {
    ProbeKit kit(options, "probe.md");
    kit.line("# 技术验证探针 " + isoTimestampNow());
    InputSourceController inputs(options.backend);
    environment(kit, inputs);
    if (!kit.backend().axIsProcessTrusted()) {
        readOnlyChecks(kit);
    } else if (const auto problem = kit.createDocument()) {
        kit.bullet("新建测试文档失败", *problem);
        kit.bullet("失败", "无法新建文档");
    } else {
        kit.bullet("测试文档", kit.documentName());
        kit.section("空文档表示");
        std::string content;
        try {
            const std::u16string text = kit.bridge().readAll();
            content = ", utf16=" + std::to_string(text.size()) + ", content=「" + visible(text) + "」";
        } catch (...) {
            content = ", readAll 失败：" + failureText();
        }
        kit.bullet("空文档", kit.stateText() + content);
        accessibilityStructure(kit);
        keyboardSections(kit, inputs);
    }
    kit.closeDocument();
    kit.line("");
    kit.line("探针结束。");
}

} // namespace plumeo::selftest
