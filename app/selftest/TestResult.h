#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace plumeo::selftest {

/// One scenario's outcome as the report and the JSON file carry it.
struct TestResult {
    enum class Status { pass, fail, notRun };

    std::string id;
    std::string name;
    Status status = Status::notRun;
    std::vector<std::string> details;
    std::map<std::string, double> metrics;

    static std::string_view rawValue(Status status);
    /// Throws std::invalid_argument for an unknown raw value.
    static Status statusFromRawValue(std::string_view raw);

    /// Keys in the order id, name, status, details, metrics.
    nlohmann::ordered_json toJson() const;
    static TestResult fromJson(const nlohmann::ordered_json& json);

    /// The entry the Markdown report holds for this result.
    std::string reportEntry() const;

    bool operator==(const TestResult&) const = default;
};

} // namespace plumeo::selftest
