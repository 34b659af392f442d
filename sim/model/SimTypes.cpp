#include "sim/model/SimTypes.h"

namespace plumeo::sim {

ScriptValue ScriptValue::list(std::vector<ScriptValue> items) {
    ScriptValue value;
    value.type = Type::list;
    value.items = std::move(items);
    return value;
}
ScriptValue ScriptValue::string(std::u16string text) {
    ScriptValue value;
    value.type = Type::string;
    value.text = std::move(text);
    return value;
}
ScriptValue ScriptValue::integer(std::int64_t number) {
    ScriptValue value;
    value.type = Type::integer;
    value.number = number;
    return value;
}
ScriptValue ScriptValue::boolean(bool flag) {
    ScriptValue value;
    value.type = Type::boolean;
    value.number = flag ? 1 : 0;
    return value;
}
ScriptValue ScriptValue::enumeration(std::uint32_t code) {
    ScriptValue value;
    value.type = Type::enumeration;
    value.number = code;
    return value;
}

ScriptOutcome ScriptOutcome::success(ScriptValue value) {
    ScriptOutcome outcome;
    outcome.value = std::move(value);
    return outcome;
}
ScriptOutcome ScriptOutcome::failure(int number, std::string message) {
    ScriptOutcome outcome;
    outcome.errorNumber = number;
    outcome.errorMessage = std::move(message);
    return outcome;
}

} // namespace plumeo::sim
