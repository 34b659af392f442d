#include "app/selftest/Probes/BackgroundProbe.h"

#include "app/selftest/SelfTestDesktop.h"
#include "core/text/Utf16.h"
#include "platform/ax/WordDocumentReader.h"

#include <deque>

namespace plumeo::selftest {
namespace {

const char16_t* const variationText = u"❤️ 心形 ✅ 完成 ☕️ 咖啡 ⌨️ 键盘 ✌🏽 手势";
const char16_t* const backgroundText = u"后台输入测试ABC，第二句。";
constexpr int throughputStrokes = 200;
constexpr double throughputWaitSeconds = 30;
constexpr int treeSearchLimit = 2000;

int selectionStart(ProbeKit& kit) {
    try {
        return kit.bridge().state().selectionStart;
    } catch (...) {
        return -1;
    }
}

std::string canaryLine(SelfTestDesktop* desktop) {
    if (!desktop)
        return "无法读取（没有金丝雀窗口）";
    const auto text = desktop->canaryText();
    if (!text)
        return "无法读取";
    return text->empty() ? "空（没有漏进前台应用）" : "「" + visible(*text) + "」";
}

void variationSelectors(ProbeKit& kit) {
    kit.section("变体选择符 emoji");
    const int before = selectionStart(kit);
    kit.typeText(variationText);
    kit.settle();
    WordDocumentReader reader(std::make_shared<WordBridge>(kit.backendHandle()),
                              kit.backendHandle(), kit.wordPID());
    try {
        const std::u16string text = reader.readAll();
        const bool found = text.find(variationText) != std::u16string::npos;
        kit.bullet("读回", "「" + visible(text) + "」 · 忠实读回=" +
                               yesNo(reader.readsAreFaithful() && found));
    } catch (...) {
        kit.bullet("读回", "失败：" + failureText());
    }
    kit.bullet("光标增量", std::to_string(selectionStart(kit) - before) + "（预期 " +
                               std::to_string(std::u16string(variationText).size()) + "）");
}

void backgroundState(ProbeKit& kit, SelfTestDesktop* desktop) {
    AXInspector& ax = kit.inspector();
    kit.section("Word 在后台时发送");
    const auto body = ax.focusedElement();
    kit.bullet("前台时绑定的正文元素", body ? kit.describeElement(*body) : "无");
    const bool canaryFront = desktop && desktop->openCanary("Plumeo 探针：前台金丝雀", "") &&
                             desktop->bringCanaryToFront();
    kit.pause(0.3);
    if (body) {
        kit.bullet("后台时已绑定正文元素", kit.describeElement(*body));
        const auto count = ax.characterCount(*body);
        kit.bullet("后台时已绑定元素字数", count ? std::to_string(*count) : "无");
        const AXResult range =
            ax.copyParameterizedResult(*body, "AXStringForRange", AXTextRange{0, 3}, 0);
        const auto text = axString(range);
        kit.bullet("后台时 AXStringForRange(0,3)",
                   text ? "「" + visible(*text) + "」"
                        : "失败 AXError " + std::to_string(static_cast<int>(range.error)));
        const auto window = ax.window(*body);
        kit.bullet("后台时正文所在窗口",
                   window ? ax.copyString(*window, "AXTitle").value_or("（无标题）") : "无");
    }
    const auto front = kit.backend().frontmostApplication();
    kit.bullet("前台应用", !front || front->pid == kit.wordPID() || !canaryFront
                               ? std::string("Word（切换失败）")
                               : front->localizedName.value_or(front->bundleIdentifier) + "（pid " + std::to_string(front->pid) + "）");
    const auto focus = ax.focusInfo();
    kit.bullet("后台时 Word 焦点窗口", focus ? focus->windowTitle + "（" + focus->windowRole + "）" : "无");
    const auto element = ax.focusedElement();
    kit.bullet("后台时 Word 焦点元素", element ? kit.describeElement(*element) : "无");
    const double started = kit.backend().systemUptime();
    std::deque<AXElementRef> queue{ax.applicationElement()};
    int visited = 0;
    while (!queue.empty() && visited < treeSearchLimit) {
        const AXElementRef next = queue.front();
        queue.pop_front();
        ++visited;
        if (const auto children = ax.copyElementList(next, "AXChildren"))
            queue.insert(queue.end(), children->begin(), children->end());
    }
    kit.bullet("后台时窗口树搜索",
               std::to_string(visited) + " 个元素，用时 " +
                   formatted("%.1f", (kit.backend().systemUptime() - started) * 1000) + " 毫秒");
}

void backgroundTyping(ProbeKit& kit, SelfTestDesktop* desktop) {
    kit.typeText(backgroundText, 20);
    kit.settle();
    try {
        kit.bullet("后台键入后读回", "「" + visible(kit.bridge().readAll()) + "」");
    } catch (...) {
        kit.bullet("后台键入后读回", "失败：" + failureText());
    }
    kit.bullet("前台金丝雀文本框", canaryLine(desktop));

    const int start = selectionStart(kit);
    const double started = kit.backend().systemUptime();
    std::vector<KeyStroke> run;
    for (int index = 0; index < throughputStrokes; ++index)
        run.push_back(KeyStroke::typeText(std::u16string(1, static_cast<char16_t>(u'a' + index % 26))));
    if (kit.type(run, 2)) {
        double took = kit.backend().systemUptime() - started;
        while (selectionStart(kit) < start + throughputStrokes && took < throughputWaitSeconds) {
            kit.pause(0.02);
            took = kit.backend().systemUptime() - started;
        }
        kit.bullet("后台吞吐量", formatted("%.0f 字全部落下用时 %.2fs（%.0f 字/秒）",
                                           throughputStrokes, took, throughputStrokes / took));
    }
    kit.bullet("前台金丝雀文本框（吞吐后）", canaryLine(desktop));
}

} // namespace

void runBackgroundProbe(const ProbeOptions& options) {
    ProbeKit kit(options, "probe-background.md");
    kit.line("# 后台输入探针 " + isoTimestampNow());
    if (const auto problem = kit.createDocument()) {
        kit.bullet("失败", "无法新建文档");
        kit.bullet("原因", *problem);
        return;
    }
    kit.bullet("测试文档", kit.documentName());
    if (!options.noEmoji)
        variationSelectors(kit);
    SelfTestDesktop* desktop = options.desktop.get();
    backgroundState(kit, desktop);
    backgroundTyping(kit, desktop);
    kit.activateDocument();
    if (desktop)
        desktop->closeCanary();
    kit.closeDocument();
    kit.line("");
    kit.line("探针结束。");
}

} // namespace plumeo::selftest
