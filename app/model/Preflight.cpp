#include "app/model/Preflight.h"

#include "core/engine/TypingEngine.h"
#include "platform/ax/AXInspector.h"
#include "platform/ax/WordDocumentReader.h"
#include "platform/ax/WordTargetGuard.h"
#include "platform/input/CGKeySink.h"
#include "platform/input/InputSourceController.h"
#include "platform/script/WordBridge.h"

#include <chrono>
#include <random>
#include <thread>

namespace plumeo {

namespace {

double secondsNow() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string readFailure(const std::exception_ptr& error) {
    return "读取目标失败：" + errorText(error);
}

} // namespace

bool waitForWordInFront(PlatformBackend& backend, std::int32_t pid, const FrontWait& wait) {
    const double deadline = secondsNow() + wait.timeoutSeconds;
    for (;;) {
        if (AXInspector::systemFocusedAppPID(backend) == pid)
            return true;
        if (secondsNow() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::duration<double>(wait.pollSeconds));
    }
}

std::optional<InputSourceSwitch> switchToASCIILayout(const InputSourceController& sources) {
    const InputSourceController::SourceInfo current = sources.current();
    if (!current.isInputMethod)
        return std::nullopt;
    const auto layout = sources.firstASCIIKeyboardLayout();
    if (!layout || !sources.select(layout->id))
        return std::nullopt;
    return InputSourceSwitch{current.id, "输入期间已临时切换到「" + layout->name +
                                             "」，结束后恢复「" + current.name + "」。"};
}

std::uint64_t randomNonZeroSeed() {
    std::random_device device;
    std::uint64_t seed = 0;
    while (seed == 0)
        seed = (std::uint64_t{device()} << 32) ^ device();
    return seed;
}

std::variant<PreflightPass, std::string> runPreflight(const PreflightInput& input) {
    PlatformBackend& backend = *input.backend;
    const TargetInfo& target = input.target;
    const auto word = WordBridge::runningWord(backend);
    if (!word || word->pid != target.pid)
        return std::string("Word 进程已变化，请重新检测光标位置。");
    if (!waitForWordInFront(backend, target.pid, input.frontWait))
        return std::string("Word 没有成为前台应用，已取消开始。");

    DocState state;
    try {
        state = input.bridge->state();
    } catch (...) {
        return readFailure(std::current_exception());
    }
    if (state.documentID != target.documentID)
        return std::string("当前活动文档与确认的目标不同，请重新检测并确认。");
    if (state.selectionStart != target.selectionStart || state.selectionEnd != target.selectionEnd)
        return std::string("插入位置在确认后发生了变化，请重新检测并确认。");
    if (state.selectionStart != state.selectionEnd || !state.inMainStory || state.isProtected)
        return std::string("目标不再是可编辑正文中的插入光标。");

    PreflightPass pass;
    // The session's reads keep addressing the target even if another document comes forward.
    pass.sessionBridge = std::make_shared<WordBridge>(input.backend);
    pass.sessionBridge->setBoundDocumentID(state.documentID);
    pass.reader = std::make_shared<WordDocumentReader>(pass.sessionBridge, input.backend,
                                                       target.pid);
    try {
        pass.initialContent = pass.reader->readAll();
    } catch (...) {
        return readFailure(std::current_exception());
    }
    std::shared_ptr<WordTargetGuard> guardian = WordTargetGuard::make(input.backend, target.pid);
    if (!guardian)
        return std::string("无法读取 Word 的焦点窗口（辅助功能）。");
    guardian->setAllowBackground(input.backgroundTyping);
    pass.guardian = std::move(guardian);
    const auto focus = AXInspector(input.backend, target.pid).focusInfo();
    if (focus && (focus->isModal || focus->hasSheet))
        return std::string("Word 当前有对话框打开。");

    if (input.switchToASCII)
        pass.inputSwitch = switchToASCIILayout(*input.inputSources);
    pass.seed = randomNonZeroSeed();
    pass.sink = std::make_shared<CGKeySink>(input.backend, CGKeySink::Route::pid(target.pid));
    return pass;
}

} // namespace plumeo
