#include "app/selftest/Probes/EmojiProbe.h"

#include "core/text/Utf16.h"
#include "platform/script/ScriptRunner.h"

#include <cstdio>

namespace plumeo::selftest {
namespace {

// Raw reads without the bridge's time limits or conversions: what Word itself answers.
const char* const rawReadLibrary = R"(on rawall(docName)
	if application id "com.microsoft.Word" is not running then error "Word is not running" number -600
	tell application id "com.microsoft.Word" to return content of text object of document docName
end rawall

on rawutf(docName)
	if application id "com.microsoft.Word" is not running then error "Word is not running" number -600
	tell application id "com.microsoft.Word" to return (content of text object of document docName) as «class utf8»
end rawutf

on charcount(docName)
	if application id "com.microsoft.Word" is not running then error "Word is not running" number -600
	tell application id "com.microsoft.Word" to return count of characters of document docName
end charcount

on charat(docName, idx)
	if application id "com.microsoft.Word" is not running then error "Word is not running" number -600
	tell application id "com.microsoft.Word" to return content of character idx of document docName
end charat
)";

std::vector<KeyStroke> emojiStrokes(const std::u16string& text, bool breaks) {
    std::vector<KeyStroke> strokes;
    int index = 0;
    for (const KeyStroke& stroke : ProbeKit::strokesOf(text)) {
        strokes.push_back(stroke);
        if (!breaks)
            continue;
        // A break after every second stroke, cycling through the three kinds.
        if (++index % 2 == 0) {
            const int kind = (index / 2) % 3;
            strokes.push_back(kind == 0   ? KeyStroke::returnKey()
                              : kind == 1 ? KeyStroke::shiftReturn()
                                          : KeyStroke::tab());
        }
    }
    return strokes;
}

std::string hexBytes(const std::string& data) {
    std::string out;
    char pair[4];
    for (unsigned char byte : data) {
        std::snprintf(pair, sizeof pair, "%02x", byte);
        out += pair;
    }
    return out.empty() ? "（空）" : out;
}

std::string hexUnits(const std::u16string& text) {
    std::string out;
    char quad[8];
    for (char16_t unit : text) {
        std::snprintf(quad, sizeof quad, "%s%04x", out.empty() ? "" : " ", static_cast<unsigned>(unit));
        out += quad;
    }
    return out.empty() ? "（空）" : out;
}

std::string fourCharacterCode(std::uint32_t code) {
    if (code == 0)
        return "（无：本平台不提供原生描述符）";
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8)
        text += static_cast<char>((code >> shift) & 0xFF);
    return "'" + text + "'";
}

std::string same(AXInspector& ax, const std::optional<AXElementRef>& a,
                 const std::optional<AXElementRef>& b) {
    return yesNo(a && b && ax.isSameElement(*a, *b));
}

std::string focusLine(ProbeKit& kit, const std::optional<AXElementRef>& element) {
    return element ? kit.describeElement(*element) : "无";
}

void rawReads(ProbeKit& kit, ScriptRunner& raw) {
    const std::u16string name = toUtf16(kit.documentName());
    try {
        const ScriptDescriptor all = raw.call("rawall", {name}, {});
        kit.bullet("rawall 描述符类型", fourCharacterCode(all.descriptorType));
        kit.bullet("rawall 原始字节", hexBytes(all.data));
        kit.bullet("rawall stringValue UTF-16", hexUnits(all.text));
    } catch (...) {
        kit.bullet("rawall", "失败：" + failureText());
    }
    try {
        const ScriptDescriptor utf = raw.call("rawutf", {name}, {});
        kit.bullet("as utf8 原始字节", hexBytes(utf.data));
        kit.bullet("as utf8 stringValue UTF-16", hexUnits(utf.text));
    } catch (...) {
        kit.bullet("as utf8", "失败：" + failureText());
    }
    int count = 0;
    try {
        count = raw.call("charcount", {name}, {}).integer;
        kit.bullet("count of characters", std::to_string(count));
    } catch (...) {
        kit.bullet("count of characters", "失败：" + failureText());
    }
    for (int index = 1; index <= count && index <= 40; ++index) {
        try {
            const ScriptDescriptor one = raw.call("charat", {name}, {index});
            kit.bullet("character " + std::to_string(index), "「" + visible(one.text) + "」 " + hexUnits(one.text));
        } catch (...) {
            kit.bullet("character " + std::to_string(index), "失败：" + failureText());
        }
    }
}

void accessibilityReads(ProbeKit& kit, const std::optional<AXElementRef>& element, int typed) {
    AXInspector& ax = kit.inspector();
    if (!element) {
        kit.bullet("焦点元素", "无");
        return;
    }
    std::string names;
    for (const std::string& name : kit.backend().axParameterizedAttributeNames(*element))
        names += (names.empty() ? "" : ", ") + name;
    kit.bullet("焦点元素参数化属性", names.empty() ? "（无）" : names);
    const AXTextRange range{0, typed};
    for (const char* attribute : {"AXStringForRange", "AXAttributedStringForRange"}) {
        const AXResult result = ax.copyParameterizedResult(*element, attribute, range, 0);
        const auto text = axString(result);
        kit.line("- " + std::string(attribute) + "(0," + std::to_string(typed) + ")：" +
                 (text ? "「" + visible(*text) + "」 " + hexUnits(*text)
                       : "失败 AXError " + std::to_string(static_cast<int>(result.error))));
    }
    const auto count = ax.characterCount(*element);
    kit.bullet("AXNumberOfCharacters", count ? std::to_string(*count) : "无");
    const auto value = axString(ax.copyResult(*element, "AXValue"));
    kit.bullet("AXValue", value ? "「" + visible(*value) + "」" : "无");
}

} // namespace

void runEmojiProbe(const ProbeOptions& options) {
    ProbeKit kit(options, "probe-emoji.md");
    kit.line("# emoji 探针 " + isoTimestampNow());
    if (const auto problem = kit.createDocument()) {
        kit.bullet("失败", "无法新建文档");
        kit.bullet("原因", *problem);
        return;
    }
    kit.bullet("测试文档", kit.documentName());
    kit.bullet("换行与 Tab 穿插（--breaks）", yesNo(options.breaks));
    AXInspector& ax = kit.inspector();

    kit.section("焦点元素的身份");
    const auto f0 = ax.focusedElement();
    kit.type(emojiStrokes(u"表情😀测试👍🏽", options.breaks));
    kit.settle();
    const auto f1 = ax.focusedElement();
    kit.bullet("键入前焦点元素 F0", focusLine(kit, f0));
    kit.bullet("键入后焦点元素 F1", focusLine(kit, f1));
    kit.bullet("键入后 F0 状态", f0 ? "role=" + ax.role(*f0) + "，字数=" +
                                          std::to_string(ax.characterCount(*f0).value_or(-1))
                                    : "无");
    kit.bullet("CFEqual(F0,F1)", same(ax, f0, f1));
    const auto parent = f1 ? ax.copyElement(*f1, "AXParent") : std::nullopt;
    const auto f0Parent = f0 ? ax.copyElement(*f0, "AXParent") : std::nullopt;
    kit.bullet("CFEqual(F1.parent, F0)", same(ax, parent, f0));
    kit.bullet("CFEqual(F1.parent, F0.parent)", same(ax, parent, f0Parent));
    kit.type(emojiStrokes(u"再来🎉", options.breaks));
    kit.settle();
    const auto f2 = ax.focusedElement();
    kit.bullet("再输入后 CFEqual(F2,F1)", same(ax, f2, f1));
    std::string children;
    if (parent) {
        for (const AXElementRef& child : ax.copyElementList(*parent, "AXChildren").value_or(std::vector<AXElementRef>{}))
            children += (children.empty() ? "" : "；") + std::string("role=") + ax.role(child) +
                        ", value=" + visible(axString(ax.copyResult(child, "AXValue")).value_or(u""));
    }
    kit.bullet("组的子元素", children.empty() ? "（无）" : children);

    kit.section("脚本原始读取");
    ScriptRunner raw(kit.backendHandle(), rawReadLibrary, "Plumeo.EmojiProbe",
                     ScriptInstancePolicy::reuseCompiled);
    rawReads(kit, raw);

    kit.section("辅助功能读取");
    std::u16string script;
    try {
        script = kit.bridge().readAll();
    } catch (...) {
    }
    const int typed = static_cast<int>(script.empty() ? 0 : script.size() - 1);
    accessibilityReads(kit, f2, typed);

    kit.section("桥接读取");
    for (const auto& [start, end] : std::vector<std::pair<int, int>>{{0, typed}, {2, 4}, {0, 3}}) {
        try {
            const std::u16string text = kit.bridge().read(start, end);
            kit.line("- read(" + std::to_string(start) + "," + std::to_string(end) + ")：「" +
                     visible(text) + "」 " + hexUnits(text));
        } catch (...) {
            kit.line("- read(" + std::to_string(start) + "," + std::to_string(end) + ")：失败：" +
                     failureText());
        }
    }
    kit.closeDocument();
    kit.line("");
    kit.line("探针结束。");
}

} // namespace plumeo::selftest
