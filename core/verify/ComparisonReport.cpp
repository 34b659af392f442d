#include "core/verify/ComparisonReport.h"

#include "core/text/DecodingError.h"

#include <algorithm>
#include <limits>

namespace plumeo {

namespace {

// The order of the table follows the enumeration.
constexpr std::array<std::string_view, 10> descriptions = {
    "直引号被替换为弯引号（Word 自动套用格式：直引号替换为弯引号）",
    "连字符被替换为破折号（Word 自动套用格式：连字符替换为长划线）",
    "三个句点被替换为省略号（Word 自动更正）",
    "字符组合被替换为符号，如 (c)→©（Word 自动更正）",
    "分数被替换为分数字符，如 1/2→½（Word 自动套用格式）",
    "大小写被改变（Word 自动更正：句首字母大写等）",
    "段首编号/项目符号被转换为自动列表（Word 自动套用格式）",
    "缺失内容",
    "多出内容",
    "内容被替换",
};

template <typename Json> Json encodeHunk(const DifferenceHunk& hunk) {
    Json json = Json::object();
    json["expectedStart"] = hunk.expectedStart;
    json["expectedLength"] = hunk.expectedLength;
    json["actualStart"] = hunk.actualStart;
    json["actualLength"] = hunk.actualLength;
    json["kind"] = std::string(description(hunk.kind));
    json["outsideInsertion"] = hunk.outsideInsertion;
    return json;
}

template <typename Json> Json encodeReport(const ComparisonReport& report) {
    Json hunks = Json::array();
    for (const DifferenceHunk& hunk : report.hunks)
        hunks.push_back(encodeHunk<Json>(hunk));
    Json json = Json::object();
    json["expectedLength"] = report.expectedLength;
    json["actualLength"] = report.actualLength;
    json["hunks"] = std::move(hunks);
    json["truncated"] = report.truncated;
    return json;
}

template <typename Json>
const Json& requireMember(const Json& json, const char* key, const char* context) {
    if (!json.is_object())
        throw DecodingError(std::string(context) + ": expected a JSON object");
    auto it = json.find(key);
    if (it == json.end())
        throw DecodingError(std::string(context) + ": missing key \"" + key + "\"");
    return *it;
}

// Offsets and lengths are never negative, so both are decoded as non-negative ints.
template <typename Json> int requireCount(const Json& json, const char* key, const char* context) {
    const Json& value = requireMember(json, key, context);
    auto fail = [&](const char* why) {
        return DecodingError(std::string(context) + ": \"" + key + "\" " + why);
    };
    if (!value.is_number_integer())
        throw fail("must be an integer");
    if (value.is_number_unsigned()) {
        if (value.template get<std::uint64_t>() >
            static_cast<std::uint64_t>(std::numeric_limits<int>::max()))
            throw fail("is out of range");
        return static_cast<int>(value.template get<std::uint64_t>());
    }
    const std::int64_t number = value.template get<std::int64_t>();
    if (number < 0)
        throw fail("must not be negative");
    if (number > std::numeric_limits<int>::max())
        throw fail("is out of range");
    return static_cast<int>(number);
}

template <typename Json> bool requireBool(const Json& json, const char* key, const char* context) {
    const Json& value = requireMember(json, key, context);
    if (!value.is_boolean())
        throw DecodingError(std::string(context) + ": \"" + key + "\" must be a boolean");
    return value.template get<bool>();
}

template <typename Json> DifferenceKind decodeKind(const Json& json) {
    if (!json.is_string())
        throw DecodingError("DifferenceKind: expected a string");
    const auto& raw = json.template get_ref<const std::string&>();
    if (auto kind = differenceKindFromRawValue(raw))
        return *kind;
    throw DecodingError("DifferenceKind: unknown raw value \"" + raw + "\"");
}

template <typename Json> DifferenceHunk decodeHunk(const Json& json) {
    constexpr const char* context = "DifferenceHunk";
    DifferenceHunk hunk;
    hunk.expectedStart = requireCount(json, "expectedStart", context);
    hunk.expectedLength = requireCount(json, "expectedLength", context);
    hunk.actualStart = requireCount(json, "actualStart", context);
    hunk.actualLength = requireCount(json, "actualLength", context);
    hunk.kind = decodeKind(requireMember(json, "kind", context));
    hunk.outsideInsertion = requireBool(json, "outsideInsertion", context);
    return hunk;
}

template <typename Json> ComparisonReport decodeReport(const Json& json) {
    constexpr const char* context = "ComparisonReport";
    ComparisonReport report;
    report.expectedLength = requireCount(json, "expectedLength", context);
    report.actualLength = requireCount(json, "actualLength", context);
    const Json& hunks = requireMember(json, "hunks", context);
    if (!hunks.is_array())
        throw DecodingError("ComparisonReport: \"hunks\" must be an array");
    report.hunks.reserve(hunks.size());
    for (const Json& hunk : hunks)
        report.hunks.push_back(decodeHunk(hunk));
    report.truncated = requireBool(json, "truncated", context);
    return report;
}

} // namespace

std::string_view description(DifferenceKind kind) {
    return descriptions[static_cast<std::size_t>(kind)];
}

std::optional<DifferenceKind> differenceKindFromRawValue(std::string_view raw) {
    for (DifferenceKind kind : allDifferenceKinds) {
        if (description(kind) == raw)
            return kind;
    }
    return std::nullopt;
}

bool isWordAutocorrect(DifferenceKind kind) {
    switch (kind) {
    case DifferenceKind::missing:
    case DifferenceKind::extra:
    case DifferenceKind::replaced:
        return false;
    default:
        return true;
    }
}

bool ComparisonReport::outsideContentChanged() const {
    return std::any_of(hunks.begin(), hunks.end(),
                       [](const DifferenceHunk& hunk) { return hunk.outsideInsertion; });
}

bool ComparisonReport::likelyAutocorrect() const {
    return std::any_of(hunks.begin(), hunks.end(),
                       [](const DifferenceHunk& hunk) { return isWordAutocorrect(hunk.kind); });
}

std::string ComparisonReport::summary() const {
    if (isEqual())
        return "完全一致。";
    std::vector<std::string> parts;
    parts.push_back("发现 " + std::to_string(hunks.size()) + " 处差异（预期 " +
                    std::to_string(expectedLength) + " / 实际 " + std::to_string(actualLength) +
                    " 个 UTF-16 码元）");
    if (outsideContentChanged())
        parts.push_back("插入区域之外的既有内容也发生了变化");

    // Byte-wise order of the UTF-8 descriptions is code point order, the order users see.
    std::vector<std::string_view> kinds;
    for (const DifferenceHunk& hunk : hunks) {
        std::string_view text = description(hunk.kind);
        if (std::find(kinds.begin(), kinds.end(), text) == kinds.end())
            kinds.push_back(text);
    }
    std::sort(kinds.begin(), kinds.end());
    if (!kinds.empty()) {
        std::string joined;
        for (std::string_view text : kinds) {
            if (!joined.empty())
                joined += "；";
            joined += text;
        }
        parts.push_back(std::move(joined));
    }
    if (truncated)
        parts.push_back("差异较多，仅列出前若干处");

    std::string text;
    for (const std::string& part : parts)
        text += part + "。";
    return text;
}

nlohmann::ordered_json toJson(const DifferenceHunk& hunk) {
    return encodeHunk<nlohmann::ordered_json>(hunk);
}
nlohmann::ordered_json toJson(const ComparisonReport& report) {
    return encodeReport<nlohmann::ordered_json>(report);
}
DifferenceHunk differenceHunkFromJson(const nlohmann::json& json) {
    return decodeHunk(json);
}
DifferenceHunk differenceHunkFromJson(const nlohmann::ordered_json& json) {
    return decodeHunk(json);
}
ComparisonReport comparisonReportFromJson(const nlohmann::json& json) {
    return decodeReport(json);
}
ComparisonReport comparisonReportFromJson(const nlohmann::ordered_json& json) {
    return decodeReport(json);
}

ComparisonReport decodeComparisonReport(std::string_view jsonText) {
    nlohmann::ordered_json json =
        nlohmann::ordered_json::parse(jsonText, nullptr, /*allow_exceptions=*/false);
    if (json.is_discarded())
        throw DecodingError("ComparisonReport: malformed JSON");
    return decodeReport(json);
}

void to_json(nlohmann::json& json, const DifferenceKind& kind) {
    json = std::string(description(kind));
}
void to_json(nlohmann::ordered_json& json, const DifferenceKind& kind) {
    json = std::string(description(kind));
}
void from_json(const nlohmann::json& json, DifferenceKind& kind) {
    kind = decodeKind(json);
}
void from_json(const nlohmann::ordered_json& json, DifferenceKind& kind) {
    kind = decodeKind(json);
}
void to_json(nlohmann::json& json, const DifferenceHunk& hunk) {
    json = encodeHunk<nlohmann::json>(hunk);
}
void to_json(nlohmann::ordered_json& json, const DifferenceHunk& hunk) {
    json = encodeHunk<nlohmann::ordered_json>(hunk);
}
void from_json(const nlohmann::json& json, DifferenceHunk& hunk) {
    hunk = decodeHunk(json);
}
void from_json(const nlohmann::ordered_json& json, DifferenceHunk& hunk) {
    hunk = decodeHunk(json);
}
void to_json(nlohmann::json& json, const ComparisonReport& report) {
    json = encodeReport<nlohmann::json>(report);
}
void to_json(nlohmann::ordered_json& json, const ComparisonReport& report) {
    json = encodeReport<nlohmann::ordered_json>(report);
}
void from_json(const nlohmann::json& json, ComparisonReport& report) {
    report = decodeReport(json);
}
void from_json(const nlohmann::ordered_json& json, ComparisonReport& report) {
    report = decodeReport(json);
}

} // namespace plumeo
