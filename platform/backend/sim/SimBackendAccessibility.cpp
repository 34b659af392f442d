#include "platform/backend/sim/SimBackend.h"

#include "core/text/Utf16.h"

namespace plumeo {

using nlohmann::json;

namespace {

/// What the simulator told about an element besides its id.
struct SimElementInfo {
    std::int32_t pid = 0;
};

AXElementRef decodeElement(const json& id, const json& pid) {
    std::shared_ptr<const void> info;
    if (pid.is_number_integer()) {
        info = std::make_shared<SimElementInfo>(SimElementInfo{pid.get<std::int32_t>()});
    }
    return AXElementRef{id.get<std::uint64_t>(), std::move(info)};
}

AXResult decodeResult(const json& value) {
    if (!value.is_object() || value.empty()) {
        return AXResult::failed(AXError::noValue);
    }
    if (const auto error = value.find("error"); error != value.end()) {
        return AXResult::failed(error->is_number_integer()
                                    ? static_cast<AXError>(error->get<std::int32_t>())
                                    : AXError::failure);
    }
    if (const auto id = value.find("element"); id != value.end() && id->is_number_unsigned()) {
        return AXResult::of(decodeElement(*id, value.value("pid", json())));
    }
    const auto first = value.begin();
    const std::string& key = first.key();
    const json& payload = first.value();
    if (key == "elements" && payload.is_array()) {
        const json pids = value.value("pids", json::array());
        std::vector<AXElementRef> elements;
        for (std::size_t i = 0; i < payload.size(); ++i) {
            if (!payload[i].is_number_unsigned()) {
                return AXResult::failed(AXError::failure);
            }
            elements.push_back(decodeElement(payload[i], i < pids.size() ? pids[i] : json()));
        }
        return AXResult::of(std::move(elements));
    }
    if (key == "string" && payload.is_string()) {
        return AXResult::of(toUtf16(payload.get<std::string>()));
    }
    if (key == "number" && payload.is_number()) {
        return AXResult::of(payload.get<double>());
    }
    if (key == "bool" && payload.is_boolean()) {
        return AXResult::of(payload.get<bool>());
    }
    if (key == "range" && payload.is_array() && payload.size() == 2 &&
        payload[0].is_number_integer() && payload[1].is_number_integer()) {
        return AXResult::of(
            AXTextRange{payload[0].get<std::int64_t>(), payload[1].get<std::int64_t>()});
    }
    return AXResult::of(AXOtherValue{key});
}

/// An unreachable simulator is a Word that cannot be asked.
AXResult decodeAnswer(const std::optional<json>& answer) {
    return answer ? decodeResult(*answer) : AXResult::failed(AXError::cannotComplete);
}

json elementArgs(const AXElementRef& element) {
    return {{"element", element.id}};
}
} // namespace

// -- Accessibility -------------------------------------------------------------------------------

AXElementRef SimBackend::axApplicationElement(std::int32_t pid) {
    const auto id = call("ax.application", {{"pid", pid}});
    return AXElementRef{id && id->is_number_unsigned() ? id->get<std::uint64_t>() : 0, nullptr};
}

AXElementRef SimBackend::axSystemWideElement() {
    {
        std::lock_guard lock(timeoutMutex_);
        if (systemWideId_) {
            return AXElementRef{*systemWideId_, nullptr};
        }
    }
    // Created locally on a Mac; the simulator's id never changes, so ask once.
    const auto id = call("ax.systemWide");
    if (!id || !id->is_number_unsigned()) {
        return AXElementRef{0, nullptr};
    }
    std::lock_guard lock(timeoutMutex_);
    systemWideId_ = id->get<std::uint64_t>();
    return AXElementRef{*systemWideId_, nullptr};
}

double SimBackend::timeoutMsFor(const AXElementRef& element) {
    std::lock_guard lock(timeoutMutex_);
    const auto own = elementTimeouts_.find(element.id);
    return (own != elementTimeouts_.end() ? own->second : globalTimeout_) * 1000.0;
}

AXResult SimBackend::axAttribute(const AXElementRef& element, std::string_view attribute) {
    json args = elementArgs(element);
    args["name"] = std::string(attribute);
    args["timeoutMs"] = timeoutMsFor(element);
    return decodeAnswer(call("ax.attribute", args));
}

std::vector<AXResult> SimBackend::axMultipleAttributes(const AXElementRef& element,
                                                       const std::vector<std::string>& names) {
    json args = elementArgs(element);
    args["names"] = names;
    args["timeoutMs"] = timeoutMsFor(element);
    const auto answer = call("ax.attributes", args);
    if (!answer || !answer->is_array() || answer->size() != names.size()) {
        return std::vector<AXResult>(names.size(), AXResult::failed(AXError::cannotComplete));
    }
    std::vector<AXResult> results;
    for (const auto& value : *answer) {
        results.push_back(decodeResult(value));
    }
    return results;
}

AXResult SimBackend::axParameterizedAttribute(const AXElementRef& element,
                                              std::string_view attribute,
                                              const AXValue& parameter) {
    json args = elementArgs(element);
    args["name"] = std::string(attribute);
    args["timeoutMs"] = timeoutMsFor(element);
    if (const auto* range = std::get_if<AXTextRange>(&parameter)) {
        args["parameter"] = {{"range", {range->location, range->length}}};
    } else {
        args["parameter"] = json::object();
    }
    return decodeAnswer(call("ax.parameterized", args));
}

std::vector<std::string> SimBackend::axAttributeNames(const AXElementRef& element) {
    const auto names = call("ax.attributeNames", elementArgs(element));
    if (!names || !names->is_array()) {
        return {};
    }
    return names->get<std::vector<std::string>>();
}

std::vector<std::string> SimBackend::axParameterizedAttributeNames(const AXElementRef& element) {
    const auto names = call("ax.parameterizedNames", elementArgs(element));
    if (!names || !names->is_array()) {
        return {};
    }
    return names->get<std::vector<std::string>>();
}

AXError SimBackend::axSetMessagingTimeout(const AXElementRef& element, double seconds) {
    if (seconds < 0) {
        return AXError::illegalArgument;
    }
    std::lock_guard lock(timeoutMutex_);
    // As on a Mac, the system-wide element's timeout is everyone's.
    if (systemWideId_ && element.id == *systemWideId_) {
        globalTimeout_ = seconds;
    } else {
        elementTimeouts_[element.id] = seconds;
    }
    return AXError::success;
}

AXError SimBackend::axSetGlobalMessagingTimeout(double seconds) {
    if (seconds < 0) {
        return AXError::illegalArgument;
    }
    std::lock_guard lock(timeoutMutex_);
    globalTimeout_ = seconds;
    return AXError::success;
}

std::optional<std::int32_t> SimBackend::axPid(const AXElementRef& element) {
    if (const auto* info = static_cast<const SimElementInfo*>(element.native.get())) {
        return info->pid;
    }
    const auto pid = call("ax.pid", elementArgs(element));
    if (!pid || !pid->is_number_integer()) {
        return std::nullopt;
    }
    return pid->get<std::int32_t>();
}

bool SimBackend::axIsSameElement(const AXElementRef& a, const AXElementRef& b) {
    return a.id != 0 && a.id == b.id;
}

bool SimBackend::axIsProcessTrusted() {
    const auto trusted = call("ax.trusted");
    return trusted && trusted->is_boolean() && trusted->get<bool>();
}

bool SimBackend::axIsProcessTrustedWithOptions(ConsentPrompt) {
    return axIsProcessTrusted();
}

} // namespace plumeo
