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

TEST(DifferenceKind, RawValuesRoundTripAndOnlyThreeKindsAreNotAutocorrect) {
    int autocorrect = 0;
    for (DifferenceKind kind : allDifferenceKinds) {
        EXPECT_EQ(differenceKindFromRawValue(rawValue(kind)), kind);
        autocorrect += isWordAutocorrect(kind) ? 1 : 0;
    }
    EXPECT_EQ(autocorrect, 7);
    EXPECT_FALSE(isWordAutocorrect(DifferenceKind::replaced));
    EXPECT_EQ(differenceKindFromRawValue("missing"), std::nullopt);
}

TEST(ComparisonReportSummary, EqualAndSingleDifference) {
    EXPECT_EQ((ComparisonReport{0, 0, {}, false}).summary(), "完全一致。");
    const ComparisonReport report{
        120, 120, {{0, 1, 0, 1, DifferenceKind::capitalization, false}}, false};
    EXPECT_FALSE(report.isEqual());
    EXPECT_FALSE(report.outsideContentChanged());
    EXPECT_EQ(report.summary(), "发现 1 处差异（预期 120 / 实际 120 个 UTF-16 码元）。"
                                "大小写被改变（Word 自动更正：句首字母大写等）。");
}

TEST(ComparisonReportSummary, AllPartsInOrderWithKindsDeduplicated) {
    EXPECT_EQ(sampleReport().summary(), "发现 3 处差异（预期 120 / 实际 119 个 UTF-16 码元）。"
                                        "插入区域之外的既有内容也发生了变化。"
                                        "三个句点被替换为省略号（Word 自动更正）；"
                                        "大小写被改变（Word 自动更正：句首字母大写等）。"
                                        "差异较多，仅列出前若干处。");
}

TEST(ComparisonReportSummary, KindsFollowTheirDocumentedDisplayOrder) {
    using K = DifferenceKind;
    ComparisonReport report{100, 100, {}, false};
    for (auto it = allDifferenceKinds.rbegin(); it != allDifferenceKinds.rend(); ++it)
        report.hunks.push_back({0, 1, 0, 1, *it, false});
    std::string kinds;
    for (K kind : {K::ellipsis, K::replaced, K::fraction, K::extra, K::capitalization, K::symbol,
                   K::listAutoFormat, K::smartQuotes, K::missing, K::dash})
        kinds.append(kinds.empty() ? "" : "；").append(description(kind));
    EXPECT_EQ(report.summary(),
              "发现 10 处差异（预期 100 / 实际 100 个 UTF-16 码元）。" + kinds + "。");
}

TEST(ComparisonReportJson, EncodesKeysInDocumentedOrderAndRoundTrips) {
    const ComparisonReport small{5, 6, {{2, 0, 2, 1, DifferenceKind::extra, false}}, false};
    EXPECT_EQ(toJson(small).dump(),
              R"({"expectedLength":5,"actualLength":6,"hunks":[{"expectedStart":2,)"
              R"("expectedLength":0,"actualStart":2,"actualLength":1,"kind":"多出内容",)"
              R"("outsideInsertion":false}],"truncated":false})");

    const ComparisonReport report = sampleReport();
    EXPECT_EQ(decodeComparisonReport(toJson(report).dump()), report);
    const nlohmann::json plain = report;
    EXPECT_EQ(plain.get<ComparisonReport>(), report);
}

TEST(ComparisonReportJson, RejectsMalformedAndIncompleteDocuments) {
    for (std::string_view text : {"", "{", R"({"expectedLength":1,})", "[]", "null"})
        EXPECT_THROW(decodeComparisonReport(text), DecodingError) << text;

    const nlohmann::json full = sampleReport();
    for (const char* key : {"expectedLength", "actualLength", "hunks", "truncated"}) {
        nlohmann::json incomplete = full;
        incomplete.erase(key);
        EXPECT_THROW(comparisonReportFromJson(incomplete), DecodingError) << key;
    }
    for (const char* key : {"expectedStart", "expectedLength", "actualStart", "actualLength",
                            "kind", "outsideInsertion"}) {
        nlohmann::json incomplete = full;
        incomplete["hunks"][1].erase(key);
        EXPECT_THROW(comparisonReportFromJson(incomplete), DecodingError) << key;
    }
}

TEST(ComparisonReportJson, RejectsWrongTypesAndImpossibleValues) {
    const std::vector<std::pair<const char*, nlohmann::json>> corruptions = {
        {"/expectedLength", "120"},
        {"/expectedLength", 1.5},
        {"/expectedLength", -1},
        {"/actualLength", 4294967296LL},
        {"/hunks", nlohmann::json::object()},
        {"/truncated", 1},
        {"/hunks/0", nlohmann::json::array()},
        {"/hunks/0/actualLength", -3},
        {"/hunks/0/expectedStart", nullptr},
        {"/hunks/0/kind", "capitalization"},
        {"/hunks/0/outsideInsertion", "false"},
    };
    for (const auto& [pointer, value] : corruptions) {
        nlohmann::json corrupt = sampleReport();
        corrupt[nlohmann::json::json_pointer(pointer)] = value;
        EXPECT_THROW(comparisonReportFromJson(corrupt), DecodingError)
            << pointer << " = " << value.dump();
    }
}
