#include "platform/backend/PlatformBackend.h"

namespace plumeo {

namespace {

template <typename T> std::optional<T> alternative(const std::optional<AXValue>& value) {
    if (!value) {
        return std::nullopt;
    }
    if (const T* held = std::get_if<T>(&*value)) {
        return *held;
    }
    return std::nullopt;
}

} // namespace

std::optional<AXElementRef> axElement(const std::optional<AXValue>& value) {
    return alternative<AXElementRef>(value);
}

std::optional<std::vector<AXElementRef>> axElementList(const std::optional<AXValue>& value) {
    return alternative<std::vector<AXElementRef>>(value);
}

std::optional<std::u16string> axString(const std::optional<AXValue>& value) {
    return alternative<std::u16string>(value);
}

std::optional<double> axNumber(const std::optional<AXValue>& value) {
    if (auto flag = alternative<bool>(value)) {
        return *flag ? 1.0 : 0.0;
    }
    return alternative<double>(value);
}

std::optional<bool> axBool(const std::optional<AXValue>& value) {
    if (auto number = alternative<double>(value)) {
        return *number != 0.0;
    }
    return alternative<bool>(value);
}

std::optional<AXTextRange> axRange(const std::optional<AXValue>& value) {
    return alternative<AXTextRange>(value);
}

ScriptDescriptor ScriptDescriptor::makeNull() {
    return {};
}

ScriptDescriptor ScriptDescriptor::makeList(std::vector<ScriptDescriptor> items) {
    ScriptDescriptor descriptor;
    descriptor.type = Type::list;
    descriptor.items = std::move(items);
    return descriptor;
}

ScriptDescriptor ScriptDescriptor::makeString(std::u16string text) {
    ScriptDescriptor descriptor;
    descriptor.type = Type::string;
    descriptor.text = std::move(text);
    return descriptor;
}

ScriptDescriptor ScriptDescriptor::makeInteger(std::int32_t value) {
    ScriptDescriptor descriptor;
    descriptor.type = Type::integer;
    descriptor.integer = value;
    return descriptor;
}

ScriptDescriptor ScriptDescriptor::makeBoolean(bool value) {
    ScriptDescriptor descriptor;
    descriptor.type = Type::boolean;
    descriptor.boolean = value;
    return descriptor;
}

ScriptDescriptor ScriptDescriptor::makeEnumeration(std::uint32_t code) {
    ScriptDescriptor descriptor;
    descriptor.type = Type::enumeration;
    descriptor.enumCode = code;
    return descriptor;
}

int ScriptDescriptor::numberOfItems() const {
    return type == Type::list ? static_cast<int>(items.size()) : 0;
}

std::optional<ScriptDescriptor> ScriptDescriptor::item(int index) const {
    if (index < 1 || index > numberOfItems()) {
        return std::nullopt;
    }
    return items[static_cast<std::size_t>(index - 1)];
}

std::optional<std::u16string> ScriptDescriptor::stringValue() const {
    if (type != Type::string) {
        return std::nullopt;
    }
    return text;
}

std::optional<std::int32_t> ScriptDescriptor::int32Value() const {
    if (type != Type::integer) {
        return std::nullopt;
    }
    return integer;
}

std::optional<bool> ScriptDescriptor::booleanValue() const {
    if (type != Type::boolean) {
        return std::nullopt;
    }
    return boolean;
}

std::optional<std::uint32_t> ScriptDescriptor::enumCodeValue() const {
    if (type != Type::enumeration) {
        return std::nullopt;
    }
    return enumCode;
}

} // namespace plumeo
