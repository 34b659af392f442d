#include "app/selftest/Probes/PageProbe.h"

#include "core/text/Utf16.h"

namespace plumeo::selftest {
namespace {

// About five pages of Word's default layout.
constexpr int lineCount = 60;

std::u16string numberedLine(int number) {
    return u"第" + toUtf16(std::to_string(number)) + u"行：用于跨页测试的合成文本，包含中文与 English words。";
}

} // namespace

void runPageProbe(const ProbeOptions& options) {
    ProbeKit kit(options, "probe-pages.md");
    kit.line("# 跨页探针 " + isoTimestampNow());
    if (const auto problem = kit.createDocument()) {
        kit.bullet("失败", "无法新建文档");
        kit.bullet("原因", *problem);
        return;
    }
    kit.bullet("测试文档", kit.documentName());
    kit.section("逐段键入并比较焦点元素");
    AXInspector& ax = kit.inspector();
    std::optional<AXElementRef> previous = ax.focusedElement();
    int sentUnits = 0;
    int changes = 0;
    for (int number = 1; number <= lineCount; ++number) {
        std::vector<KeyStroke> strokes = ProbeKit::strokesOf(numberedLine(number));
        strokes.push_back(KeyStroke::returnKey());
        if (!kit.type(strokes, 2.5))
            break;
        sentUnits += static_cast<int>(strokes.size());
        kit.pause(0.15);
        const auto current = ax.focusedElement();
        if (current && previous && ax.isSameElement(*current, *previous))
            continue;
        ++changes;
        std::string cursor;
        try {
            const DocState state = kit.bridge().state();
            cursor = std::to_string(state.selectionStart);
        } catch (...) {
            cursor = "读取失败";
        }
        kit.line("- 段后焦点元素变化 #" + std::to_string(number) + " · Word 光标=" + cursor +
                 " · 已发送≈" + std::to_string(sentUnits));
        kit.bullet("  旧元素此时", previous ? kit.describeElement(*previous) +
                                                  ", 字数=" +
                                                  std::to_string(ax.characterCount(*previous).value_or(-1))
                                            : "无");
        previous = current;
    }
    kit.settle();
    kit.bullet("焦点元素变化次数", std::to_string(changes));
    std::u16string script;
    try {
        script = kit.bridge().readAll();
    } catch (...) {
        kit.bullet("脚本读取失败", failureText());
    }
    if (previous) {
        const int count = ax.characterCount(*previous).value_or(0);
        const int length = std::min(count, 40);
        const int start = count - length;
        const auto text = axString(ax.copyParameterizedResult(
            *previous, "AXStringForRange", AXTextRange{start, length}, 0));
        std::string compared = "无法比较";
        if (text) {
            std::u16string normalised = *text;
            for (char16_t& unit : normalised)
                unit = unit == u'\n' ? u'\r' : unit;
            compared = script.find(normalised) != std::u16string::npos ? "一致（是其中一段）" : "不一致";
        }
        kit.line("- 末页元素 AXStringForRange(" + std::to_string(start) + "," +
                 std::to_string(length) + ")：「" + (text ? visible(*text) : "读取失败") +
                 "」，与脚本内容" + compared);
    }
    int textAreas = 0;
    if (const auto window = ax.focusedWindow()) {
        std::vector<AXElementRef> pending{*window};
        while (!pending.empty() && textAreas < 1000) {
            const AXElementRef next = pending.back();
            pending.pop_back();
            if (ax.role(next) == "AXTextArea")
                ++textAreas;
            if (const auto children = ax.copyElementList(next, "AXChildren"))
                pending.insert(pending.end(), children->begin(), children->end());
        }
    }
    kit.line("- **窗口内 AXTextArea 数**：" + std::to_string(textAreas) + "，全文 UTF-16 " +
             std::to_string(script.size()));
    kit.closeDocument();
    kit.line("");
    kit.line("探针结束。");
}

} // namespace plumeo::selftest
