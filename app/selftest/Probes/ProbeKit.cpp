#include "app/selftest/Probes/ProbeKit.h"

#include "app/selftest/ScenarioSupport.h"
#include "core/text/TextPreparer.h"
#include "core/text/Utf16.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <thread>

namespace plumeo::selftest {

std::string yesNo(bool value) {
    return value ? "true" : "false";
}

std::string visible(const std::u16string& text) {
    std::u16string shown;
    for (char16_t unit : text) {
        if (unit == u'\r')
            shown += u"⏎";
        else if (unit == u'\v')
            shown += u"↵";
        else if (unit == u'\t')
            shown += u"⇥";
        else if (unit == u'\n')
            shown += u"␊";
        else
            shown += unit;
    }
    return toUtf8(shown);
}

std::string formatted(const char* format, double first, double second, double third) {
    char text[256];
    std::snprintf(text, sizeof text, format, first, second, third);
    return text;
}

std::string isoTimestampNow() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    gmtime_r(&now, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

std::string failureText() {
    return describeError(std::current_exception());
}

ProbeKit::ProbeKit(const ProbeOptions& options, const std::string& reportFile)
    : options_(options), backend_(options.backend), out_(options.directory, reportFile),
      fixture_(options.backend), bridge_(std::make_shared<WordBridge>(options.backend)) {
    if (const auto word = WordBridge::runningWord(*backend_))
        wordPID_ = word->pid;
    inspector_ = std::make_unique<AXInspector>(backend_, wordPID_);
}

void ProbeKit::bullet(const std::string& label, const std::string& value) {
    out_.line("- **" + label + "**：" + value);
}

void ProbeKit::section(const std::string& title) {
    out_.line("");
    out_.line("## " + title);
    out_.line("");
}

std::string ProbeKit::stateText() {
    try {
        const DocState state = bridge_->state();
        return "doc=" + state.documentName + ", sel=" + std::to_string(state.selectionStart) +
               "-" + std::to_string(state.selectionEnd) + ", main=" + yesNo(state.inMainStory) +
               ", track=" + yesNo(state.trackRevisions) + ", protected=" + yesNo(state.isProtected);
    } catch (...) {
        return "读取失败：" + failureText();
    }
}

std::optional<std::string> ProbeKit::createDocument() {
    try {
        documentName_ = fixture_.newDocument();
        bridge_->setBoundDocumentID(documentName_);
        // A Word started by the fixture has a pid only now.
        if (wordPID_ == 0) {
            if (const auto word = WordBridge::runningWord(*backend_)) {
                wordPID_ = word->pid;
                inspector_ = std::make_unique<AXInspector>(backend_, wordPID_);
            }
        }
        fixture_.activateDocument(documentName_);
        AXInspector::waitUntilFocused(*backend_, wordPID_, 3);
        return std::nullopt;
    } catch (...) {
        return failureText();
    }
}

void ProbeKit::closeDocument() {
    if (documentName_.empty())
        return;
    try {
        fixture_.closeDocument(documentName_);
        bullet("关闭测试文档", documentName_ + "（不保存）");
    } catch (...) {
        bullet("关闭测试文档失败", failureText());
    }
    documentName_.clear();
}

void ProbeKit::activateDocument() {
    try {
        fixture_.activateDocument(documentName_);
        AXInspector::waitUntilFocused(*backend_, wordPID_, 3);
    } catch (...) {
        bullet("激活测试文档失败", failureText());
    }
}

std::vector<KeyStroke> ProbeKit::strokesOf(const std::u16string& text) {
    std::vector<KeyStroke> strokes;
    for (const TypeUnit& unit : TextPreparer::prepare(text).units) {
        for (const KeyStroke& stroke : unit.strokes())
            strokes.push_back(stroke);
    }
    return strokes;
}

bool ProbeKit::type(const std::vector<KeyStroke>& strokes, double pauseMs,
                    CGKeySink::Route::Kind route) {
    CGKeySink sink(backend_, route == CGKeySink::Route::Kind::pid ? CGKeySink::Route::pid(wordPID_)
                                                                  : CGKeySink::Route::hidTap());
    for (const KeyStroke& stroke : strokes) {
        try {
            sink.post(stroke, 0.5);
        } catch (...) {
            bullet("发送失败", failureText());
            return false;
        }
        if (pauseMs > 0)
            backend_->sleepMicroseconds(static_cast<std::uint32_t>(pauseMs * 1000));
    }
    return true;
}

void ProbeKit::settle(double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    int last = -1;
    while (std::chrono::steady_clock::now() < deadline) {
        int now = -2;
        try {
            now = bridge_->state().selectionStart;
        } catch (...) {
            return;
        }
        if (now == last)
            return;
        last = now;
        pause(0.15);
    }
}

void ProbeKit::pause(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

std::string ProbeKit::describeElement(const AXElementRef& element) {
    return "role=" + inspector_->role(element) +
           ", subrole=" + inspector_->copyString(element, "AXSubrole").value_or("") +
           ", desc=" + inspector_->copyString(element, "AXDescription").value_or("");
}

} // namespace plumeo::selftest
