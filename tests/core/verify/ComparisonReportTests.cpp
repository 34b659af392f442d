#include "core/text/DecodingError.h"
#include "core/verify/ComparisonReport.h"

#include <gtest/gtest.h>

using namespace plumeo;

namespace {

ComparisonReport sampleReport() {
    return {120,
            119,
            {{3, 1, 3, 1, DifferenceKind::capitalization, false},
             {40, 3, 40, 1, DifferenceKind::ellipsis, true},
             {50, 1, 48, 1, DifferenceKind::capitalization, false}},
            true};
}

} // namespace

TEST(ComparisonReportSummary, AllPartsInOrderWithKindsDeduplicated) {
    EXPECT_EQ(sampleReport().summary(), "发现 3 处差异（预期 120 / 实际 119 个 UTF-16 码元）。"
                                        "插入区域之外的既有内容也发生了变化。"
                                        "三个句点被替换为省略号（Word 自动更正）；"
                                        "大小写被改变（Word 自动更正：句首字母大写等）。"
                                        "差异较多，仅列出前若干处。");
}

TEST(ComparisonReportJson, RoundTripsEveryKind) {
    ComparisonReport report = sampleReport();
    for (DifferenceKind kind : allDifferenceKinds) {
        const int at = 60 + 2 * static_cast<int>(report.hunks.size());
        report.hunks.push_back({at, 1, at, 1, kind, true});
    }
    EXPECT_EQ(decodeComparisonReport(toJson(report).dump()), report);
}

TEST(ComparisonReportJson, RejectsMalformedIncompleteAndMistypedDocuments) {
    for (std::string_view text : {"", "{", R"({"expectedLength":1,})", "[]", "null"})
        EXPECT_THROW(decodeComparisonReport(text), DecodingError) << text;

    const nlohmann::json full = sampleReport();
    std::vector<std::string> required = {"/expectedLength", "/actualLength", "/hunks",
                                         "/truncated"};
    for (const char* key : {"expectedStart", "expectedLength", "actualStart", "actualLength",
                            "kind", "outsideInsertion"})
        required.push_back(std::string("/hunks/1/") + key);
    for (const std::string& pointer : required) {
        nlohmann::json incomplete = full;
        const nlohmann::json::json_pointer path(pointer);
        incomplete[path.parent_pointer()].erase(path.back());
        EXPECT_THROW(comparisonReportFromJson(incomplete), DecodingError) << pointer;
    }

    const std::vector<std::pair<const char*, nlohmann::json>> corruptions = {
        {"/expectedLength", "120"},
        {"/expectedLength", 1.5},
        {"/expectedLength", -1},
        {"/actualLength", 4294967296LL},
        {"/hunks", nlohmann::json::object()},
        {"/truncated", 1},
        {"/hunks/0", nlohmann::json::array()},
        {"/hunks/0/expectedStart", nullptr},
        {"/hunks/0/kind", "capitalization"},
        {"/hunks/0/outsideInsertion", "false"},
    };
    for (const auto& [pointer, value] : corruptions) {
        nlohmann::json corrupt = full;
        corrupt[nlohmann::json::json_pointer(pointer)] = value;
        EXPECT_THROW(comparisonReportFromJson(corrupt), DecodingError)
            << pointer << " = " << value.dump();
    }
}
