#include "tests/core/engine/FakeWordProcessor.h"

#include "core/text/Utf16.h"

#include <algorithm>
#include <stdexcept>

namespace plumeo::test {

FakeWordProcessor::FakeWordProcessor(std::u16string content, int cursor, std::string documentID)
    : text_(std::move(content)), selectionStart_(std::clamp(cursor, 0, utf16Count(text_))),
      selectionEnd_(selectionStart_), documentID_(documentID),
      targetDocumentID_(std::move(documentID)) {}

std::chrono::steady_clock::time_point FakeWordProcessor::press(const KeyStroke& stroke) {
    int index = 0;
    std::shared_ptr<std::function<void(int)>> hook;
    {
        std::lock_guard lock(mutex_);
        index = static_cast<int>(transcript_.size());
        hook = postHook_;
    }
    if (hook && *hook)
        (*hook)(index);

    std::function<void(const std::string&)> report;
    const auto pressedAt = Clock::now();
    {
        std::lock_guard lock(mutex_);
        if (trapped_) {
            ++violations_;
            report = violationHandler_;
        }
        if (failingPost_ == index) {
            failingPost_.reset();
            throw std::runtime_error("事件源不可用");
        }
        transcript_.push_back({stroke});
        keyEvents_.push_back({stroke, true, pressedAt});
        const bool misplaced = misplacedStroke_ == index;
        if (latency_.count() == 0 && absorbing_ && pending_.empty()) {
            applyLocked(stroke, misplaced);
        } else {
            pending_.push_back({stroke, Clock::now() + latency_, misplaced});
        }
    }
    if (report)
        report("a stroke was posted after the stop had been recorded");
    return pressedAt;
}

void FakeWordProcessor::release(const KeyStroke& stroke) {
    std::lock_guard lock(mutex_);
    keyEvents_.push_back({stroke, false, Clock::now()});
}

std::vector<FakeWordProcessor::KeyEvent> FakeWordProcessor::keyEvents() {
    std::lock_guard lock(mutex_);
    return keyEvents_;
}

void FakeWordProcessor::beginSending() {
    std::lock_guard lock(mutex_);
    ++beginSendingCalls_;
}

std::optional<StopReason> FakeWordProcessor::quickCheck(const TargetExpectation& expectation) {
    std::lock_guard lock(mutex_);
    expectations_.push_back(expectation);
    ++checks_;
    if (objection_ && objection_->first == checks_) {
        trapped_ = true;
        return objection_->second;
    }
    if (!guardChecksTarget_)
        return std::nullopt;
    absorbDueLocked();
    std::optional<StopReason> reason;
    if (documentID_ != targetDocumentID_)
        reason = StopReason::documentChanged("活动文档不是目标文档");
    else if (protected_)
        reason = StopReason::documentNotEditable("文档处于保护状态");
    else if (selectionStart_ != selectionEnd_)
        reason = StopReason::selectionChanged("出现了非空选区");
    else if (!expectation.cursor.contains(selectionStart_))
        reason = StopReason::selectionChanged("光标位置 " + std::to_string(selectionStart_));
    else if (!expectation.documentLength.contains(utf16Count(text_)))
        reason = StopReason::selectionChanged("文档长度 " + std::to_string(utf16Count(text_)));
    if (reason)
        trapped_ = true;
    return reason;
}

DocState FakeWordProcessor::state() {
    std::shared_ptr<std::function<void()>> hook;
    {
        std::lock_guard lock(mutex_);
        hook = stateHook_;
    }
    if (hook && *hook)
        (*hook)();
    std::lock_guard lock(mutex_);
    ++stateCalls_;
    throwIfReadFailsLocked();
    absorbDueLocked();
    DocState state;
    state.documentID = documentID_;
    state.documentName = documentID_ + ".docx";
    state.selectionStart = selectionStart_;
    state.selectionEnd = selectionEnd_;
    state.inMainStory = inMainStory_;
    state.isProtected = protected_;
    return state;
}

std::u16string FakeWordProcessor::read(int start, int end) {
    std::lock_guard lock(mutex_);
    throwIfReadFailsLocked();
    absorbDueLocked();
    return presentLocked(utf16Slice(text_, start, end));
}

std::u16string FakeWordProcessor::readAll() {
    std::lock_guard lock(mutex_);
    throwIfReadFailsLocked();
    absorbDueLocked();
    return presentLocked(text_);
}

bool FakeWordProcessor::readsAreFaithful() const {
    std::lock_guard lock(mutex_);
    return !scriptReads_;
}

std::u16string FakeWordProcessor::document() {
    std::lock_guard lock(mutex_);
    absorbDueLocked();
    return text_;
}

int FakeWordProcessor::cursor() {
    std::lock_guard lock(mutex_);
    absorbDueLocked();
    return selectionStart_;
}

int FakeWordProcessor::pendingStrokes() {
    std::lock_guard lock(mutex_);
    absorbDueLocked();
    return static_cast<int>(pending_.size());
}

void FakeWordProcessor::setLatency(std::chrono::milliseconds latency) {
    std::lock_guard lock(mutex_);
    latency_ = latency;
}

void FakeWordProcessor::setAbsorbing(bool absorbing) {
    std::lock_guard lock(mutex_);
    absorbing_ = absorbing;
}

void FakeWordProcessor::addAutocorrection(std::u16string typed, std::u16string corrected) {
    std::lock_guard lock(mutex_);
    autocorrections_.emplace_back(std::move(typed), std::move(corrected));
}

void FakeWordProcessor::setScriptReads(bool scriptReads) {
    std::lock_guard lock(mutex_);
    scriptReads_ = scriptReads;
}

void FakeWordProcessor::setGuardChecksTarget(bool checks) {
    std::lock_guard lock(mutex_);
    guardChecksTarget_ = checks;
}

void FakeWordProcessor::failNextReads(int count, std::optional<ReadError> error) {
    std::lock_guard lock(mutex_);
    failingReads_ = count;
    readError_ = std::move(error);
}

void FakeWordProcessor::switchDocument(std::string documentID) {
    std::lock_guard lock(mutex_);
    documentID_ = std::move(documentID);
}

void FakeWordProcessor::moveCursor(int position) {
    std::lock_guard lock(mutex_);
    absorbDueLocked();
    selectionStart_ = selectionEnd_ = std::clamp(position, 0, utf16Count(text_));
}

void FakeWordProcessor::select(int start, int end) {
    std::lock_guard lock(mutex_);
    absorbDueLocked();
    selectionStart_ = std::clamp(start, 0, utf16Count(text_));
    selectionEnd_ = std::clamp(end, selectionStart_, utf16Count(text_));
}

void FakeWordProcessor::setProtected(bool isProtected) {
    std::lock_guard lock(mutex_);
    protected_ = isProtected;
}

void FakeWordProcessor::setInMainStory(bool inMainStory) {
    std::lock_guard lock(mutex_);
    inMainStory_ = inMainStory;
}

void FakeWordProcessor::editDocument(std::u16string content) {
    std::lock_guard lock(mutex_);
    absorbDueLocked();
    text_ = std::move(content);
    selectionStart_ = std::min(selectionStart_, utf16Count(text_));
    selectionEnd_ = std::min(selectionEnd_, utf16Count(text_));
}

void FakeWordProcessor::objectAtCheck(int n, StopReason reason) {
    std::lock_guard lock(mutex_);
    objection_.emplace(n, std::move(reason));
}

void FakeWordProcessor::failPostAt(int index) {
    std::lock_guard lock(mutex_);
    failingPost_ = index;
}

void FakeWordProcessor::misplaceStroke(int index) {
    std::lock_guard lock(mutex_);
    misplacedStroke_ = index;
}

void FakeWordProcessor::setPostHook(std::function<void(int)> hook) {
    std::lock_guard lock(mutex_);
    postHook_ = std::make_shared<std::function<void(int)>>(std::move(hook));
}

void FakeWordProcessor::setStateHook(std::function<void()> hook) {
    std::lock_guard lock(mutex_);
    stateHook_ = std::make_shared<std::function<void()>>(std::move(hook));
}

void FakeWordProcessor::trapPosts() {
    std::lock_guard lock(mutex_);
    trapped_ = true;
}

void FakeWordProcessor::releaseTrap() {
    std::lock_guard lock(mutex_);
    trapped_ = false;
}

void FakeWordProcessor::setViolationHandler(std::function<void(const std::string&)> handler) {
    std::lock_guard lock(mutex_);
    violationHandler_ = std::move(handler);
}

int FakeWordProcessor::violations() {
    std::lock_guard lock(mutex_);
    return violations_;
}

std::vector<FakeWordProcessor::PostedStroke> FakeWordProcessor::transcript() {
    std::lock_guard lock(mutex_);
    return transcript_;
}

std::vector<TargetExpectation> FakeWordProcessor::expectations() {
    std::lock_guard lock(mutex_);
    return expectations_;
}

int FakeWordProcessor::backspacesPosted() {
    std::lock_guard lock(mutex_);
    return static_cast<int>(std::count_if(transcript_.begin(), transcript_.end(), [](auto& p) {
        return p.stroke.kind == KeyStroke::Kind::backspace;
    }));
}

int FakeWordProcessor::beginSendingCalls() {
    std::lock_guard lock(mutex_);
    return beginSendingCalls_;
}

int FakeWordProcessor::stateCalls() {
    std::lock_guard lock(mutex_);
    return stateCalls_;
}

void FakeWordProcessor::absorbDueLocked() {
    if (!absorbing_)
        return;
    const auto now = Clock::now();
    while (!pending_.empty() && pending_.front().due <= now) {
        Pending next = std::move(pending_.front());
        pending_.pop_front();
        applyLocked(next.stroke, next.misplaced);
    }
}

void FakeWordProcessor::applyLocked(const KeyStroke& stroke, bool misplaced) {
    switch (stroke.kind) {
    case KeyStroke::Kind::text:
        insertLocked(stroke.text, misplaced);
        return;
    case KeyStroke::Kind::returnKey:
        insertLocked(u"\r", misplaced);
        return;
    case KeyStroke::Kind::shiftReturn:
        insertLocked(u"\v", misplaced);
        return;
    case KeyStroke::Kind::tab:
        insertLocked(u"\t", misplaced);
        return;
    case KeyStroke::Kind::backspace:
        if (selectionStart_ != selectionEnd_) {
            text_.erase(selectionStart_, selectionEnd_ - selectionStart_);
            selectionEnd_ = selectionStart_;
            return;
        }
        if (selectionStart_ == 0)
            return;
        {
            // Word deletes a whole surrogate pair with one backspace.
            int from = selectionStart_ - 1;
            if (from > 0 && isLowSurrogate(text_[from]) && isHighSurrogate(text_[from - 1]))
                --from;
            text_.erase(from, selectionStart_ - from);
            selectionStart_ = selectionEnd_ = from;
        }
        return;
    }
}

void FakeWordProcessor::insertLocked(const std::u16string& text, bool misplaced) {
    if (selectionStart_ != selectionEnd_) {
        text_.erase(selectionStart_, selectionEnd_ - selectionStart_);
        selectionEnd_ = selectionStart_;
    }
    const int at = misplaced ? std::max(0, selectionStart_ - 1) : selectionStart_;
    text_.insert(at, text);
    selectionStart_ = selectionEnd_ = selectionStart_ + utf16Count(text);
    for (const auto& [typed, corrected] : autocorrections_) {
        const int length = utf16Count(typed);
        if (selectionStart_ < length || text_.compare(selectionStart_ - length, length, typed) != 0)
            continue;
        text_.replace(selectionStart_ - length, length, corrected);
        selectionStart_ = selectionEnd_ = selectionStart_ - length + utf16Count(corrected);
    }
}

void FakeWordProcessor::throwIfReadFailsLocked() {
    if (failingReads_ == 0)
        return;
    --failingReads_;
    if (readError_)
        throw *readError_;
    throw std::runtime_error("模拟读回故障");
}

std::u16string FakeWordProcessor::presentLocked(std::u16string text) const {
    if (!scriptReads_)
        return text;
    // The script interface keeps every length but returns each astral scalar as "12".
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (isHighSurrogate(text[i]) && isLowSurrogate(text[i + 1])) {
            text[i] = u'1';
            text[i + 1] = u'2';
            ++i;
        }
    }
    return text;
}

} // namespace plumeo::test
