#include "app/selftest/TestResult.h"

#include <cstdio>
#include <stdexcept>

namespace plumeo::selftest {

std::string_view TestResult::rawValue(Status status) {
    switch (status) {
    case Status::pass:
        return "通过";
    case Status::fail:
        return "失败";
    case Status::notRun:
        break;
    }
    return "未执行";
}

TestResult::Status TestResult::statusFromRawValue(std::string_view raw) {
    for (Status status : {Status::pass, Status::fail, Status::notRun}) {
        if (rawValue(status) == raw)
            return status;
    }
    throw std::invalid_argument("unknown self-test status: " + std::string(raw));
}

nlohmann::ordered_json TestResult::toJson() const {
    nlohmann::ordered_json json;
    json["id"] = id;
    json["name"] = name;
    json["status"] = std::string(rawValue(status));
    json["details"] = details;
    nlohmann::ordered_json values = nlohmann::ordered_json::object();
    for (const auto& [key, value] : metrics)
        values[key] = value;
    json["metrics"] = std::move(values);
    return json;
}

TestResult TestResult::fromJson(const nlohmann::ordered_json& json) {
    TestResult result;
    result.id = json.at("id").get<std::string>();
    result.name = json.at("name").get<std::string>();
    result.status = statusFromRawValue(json.at("status").get<std::string>());
    result.details = json.at("details").get<std::vector<std::string>>();
    for (const auto& [key, value] : json.at("metrics").items())
        result.metrics[key] = value.get<double>();
    return result;
}

std::string TestResult::reportEntry() const {
    std::string entry = "\n### [" + std::string(rawValue(status)) + "] " + id + " " + name;
    for (const std::string& detail : details)
        entry += "\n- " + detail;
    for (const auto& [key, value] : metrics) {
        char formatted[64];
        std::snprintf(formatted, sizeof formatted, "%.3f", value);
        entry += "\n- 指标 " + key + " = " + formatted;
    }
    return entry;
}

} // namespace plumeo::selftest
