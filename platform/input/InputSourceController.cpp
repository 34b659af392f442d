#include "platform/input/InputSourceController.h"

#include <algorithm>

namespace plumeo {

namespace {

InputSourceController::SourceInfo describe(const InputSourceInfo& source) {
    InputSourceController::SourceInfo info;
    info.id = source.id.value_or("");
    info.name = source.localizedName.value_or(info.id);
    info.isASCIICapable = source.isASCIICapable.value_or(false);
    info.isInputMethod = source.type != InputSourceInfo::keyboardLayoutType;
    return info;
}

// Selectable, but not keyboards: the emoji and character viewer and accent press-and-hold.
bool isKeyboard(const InputSourceController::SourceInfo& info) {
    return info.id.find("CharacterPalette") == std::string::npos &&
           info.id.find("PressAndHold") == std::string::npos;
}

} // namespace

InputSourceController::InputSourceController(std::shared_ptr<PlatformBackend> backend)
    : backend_(std::move(backend)) {}

InputSourceController::SourceInfo InputSourceController::current() const {
    SourceInfo info;
    backend_->runOnMainThread([&] {
        if (auto source = backend_->currentKeyboardInputSource()) {
            info = describe(*source);
        }
    });
    return info;
}

std::vector<InputSourceController::SourceInfo> InputSourceController::enabledSources() const {
    std::vector<SourceInfo> sources;
    backend_->runOnMainThread([&] {
        InputSourceFilter filter;
        filter.isEnabled = true;
        filter.isSelectCapable = true;
        auto list = backend_->inputSourceList(filter);
        if (!list) {
            return;
        }
        for (const auto& source : *list) {
            SourceInfo info = describe(source);
            if (isKeyboard(info)) {
                sources.push_back(std::move(info));
            }
        }
    });
    return sources;
}

bool InputSourceController::select(const std::string& id) const {
    bool selected = false;
    backend_->runOnMainThread([&] {
        InputSourceFilter filter;
        filter.id = id;
        auto list = backend_->inputSourceList(filter);
        if (!list || list->empty()) {
            return;
        }
        selected = backend_->selectInputSource(list->front()) == 0;
    });
    return selected;
}

std::optional<InputSourceController::SourceInfo>
InputSourceController::firstASCIIKeyboardLayout() const {
    const auto sources = enabledSources();
    auto found = std::find_if(sources.begin(), sources.end(), [](const SourceInfo& source) {
        return source.isASCIICapable && !source.isInputMethod;
    });
    if (found == sources.end()) {
        return std::nullopt;
    }
    return *found;
}

} // namespace plumeo
