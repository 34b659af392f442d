#include "core/text/DecodingError.h"
#include "core/verify/ComparisonReport.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace plumeo;

namespace {

DifferenceHunk hunk(int expectedStart, int expectedLength, int actualStart, int actualLength,
                    DifferenceKind kind, bool outside = false) {
    return {expectedStart, expectedLength, actualStart, actualLength, kind, outside};
}

ComparisonReport sampleReport() {
    ComparisonReport report;
    report.expectedLength = 120;
    report.actualLength = 119;
    report.hunks = {hunk(3, 1, 3, 1, DifferenceKind::capitalization),
                    hunk(40, 3, 40, 1, DifferenceKind::ellipsis, true)};
    report.truncated = true;
    return report;
}

} // namespace

TEST(DifferenceKind, RawValuesAreDistinctAndRoundTrip) {
    for (DifferenceKind kind : allDifferenceKinds) {
        EXPECT_EQ(differenceKindFromRawValue(rawValue(kind)), kind);
        EXPECT_EQ(std::count_if(allDifferenceKinds.begin(), allDifferenceKinds.end(),
                                [&](DifferenceKind other) {
                                    return description(other) == description(kind);
                                }),
                  1);
    }
    EXPECT_EQ(differenceKindFromRawValue("missing"), std::nullopt);
    EXPECT_EQ(differenceKindFromRawValue(""), std::nullopt);
}

TEST(DifferenceKind, OnlyMissingExtraAndReplacedAreNotAutocorrect) {
    int autocorrect = 0;
    for (DifferenceKind kind : allDifferenceKinds)
        autocorrect += isWordAutocorrect(kind) ? 1 : 0;
    EXPECT_EQ(autocorrect, 7);
    EXPECT_FALSE(isWordAutocorrect(DifferenceKind::missing));
    EXPECT_FALSE(isWordAutocorrect(DifferenceKind::extra));
    EXPECT_FALSE(isWordAutocorrect(DifferenceKind::replaced));
}

TEST(ComparisonReportDerived, EqualityNeedsSameLengthsAndNoHunks) {
    ComparisonReport report{10, 10, {}, false};
    EXPECT_TRUE(report.isEqual());
    report.actualLength = 11;
    EXPECT_FALSE(report.isEqual());
    report.actualLength = 10;
    report.hunks.push_back(hunk(2, 1, 2, 1, DifferenceKind::replaced));
    EXPECT_FALSE(report.isEqual());
    EXPECT_FALSE(report.likelyAutocorrect());
    EXPECT_FALSE(report.outsideContentChanged());
    report.hunks.push_back(hunk(5, 1, 5, 1, DifferenceKind::symbol, true));
    EXPECT_TRUE(report.likelyAutocorrect());
    EXPECT_TRUE(report.outsideContentChanged());
}

TEST(ComparisonReportSummary, EqualReportSaysSo) {
    EXPECT_EQ((ComparisonReport{0, 0, {}, false}).summary(), "完全一致。");
}

TEST(ComparisonReportSummary, OneCapitalLetter) {
    ComparisonReport report{120, 120, {hunk(0, 1, 0, 1, DifferenceKind::capitalization)}, false};
    EXPECT_EQ(report.summary(), "发现 1 处差异（预期 120 / 实际 120 个 UTF-16 码元）。"
                                "大小写被改变（Word 自动更正：句首字母大写等）。");
}

TEST(ComparisonReportSummary, AllPartsInOrderWithKindsSortedAndDeduplicated) {
    ComparisonReport report = sampleReport();
    report.hunks.push_back(hunk(50, 1, 48, 1, DifferenceKind::capitalization));
    EXPECT_EQ(report.summary(), "发现 3 处差异（预期 120 / 实际 119 个 UTF-16 码元）。"
                                "插入区域之外的既有内容也发生了变化。"
                                "三个句点被替换为省略号（Word 自动更正）；"
                                "大小写被改变（Word 自动更正：句首字母大写等）。"
                                "差异较多，仅列出前若干处。");
}

TEST(ComparisonReportSummary, KindsFollowTheirDocumentedDisplayOrder) {
    const std::vector<DifferenceKind> displayOrder = {
        DifferenceKind::ellipsis,       DifferenceKind::replaced,       DifferenceKind::fraction,
        DifferenceKind::extra,          DifferenceKind::capitalization, DifferenceKind::symbol,
        DifferenceKind::listAutoFormat, DifferenceKind::smartQuotes,    DifferenceKind::missing,
        DifferenceKind::dash,
    };
    ComparisonReport report{100, 100, {}, false};
    for (auto it = allDifferenceKinds.rbegin(); it != allDifferenceKinds.rend(); ++it)
        report.hunks.push_back(hunk(0, 1, 0, 1, *it));
    std::string expectedKinds;
    for (DifferenceKind kind : displayOrder)
        expectedKinds +=
            std::string(expectedKinds.empty() ? "" : "；") + std::string(description(kind));
    EXPECT_EQ(report.summary(),
              "发现 10 处差异（预期 100 / 实际 100 个 UTF-16 码元）。" + expectedKinds + "。");
}

TEST(ComparisonReportJson, EncodesKeysInDocumentedOrder) {
    ComparisonReport report{5, 6, {hunk(2, 0, 2, 1, DifferenceKind::extra)}, false};
    EXPECT_EQ(toJson(report).dump(),
              R"({"expectedLength":5,"actualLength":6,"hunks":[{"expectedStart":2,)"
              R"("expectedLength":0,"actualStart":2,"actualLength":1,"kind":"多出内容",)"
              R"("outsideInsertion":false}],"truncated":false})");
}

TEST(ComparisonReportJson, RoundTripsThroughTextAndBothJsonFlavours) {
    const ComparisonReport report = sampleReport();
    EXPECT_EQ(decodeComparisonReport(toJson(report).dump()), report);
    const nlohmann::json plain = report;
    EXPECT_EQ(plain.get<ComparisonReport>(), report);
    const nlohmann::ordered_json ordered = report;
    EXPECT_EQ(ordered.get<ComparisonReport>(), report);
    EXPECT_EQ(comparisonReportFromJson(plain), report);
    EXPECT_EQ(differenceHunkFromJson(toJson(report.hunks[1])), report.hunks[1]);
}

TEST(ComparisonReportJson, RejectsMalformedText) {
    for (std::string_view text : {"", "{", "not json", R"({"expectedLength":1,})", "[]", "null"})
        EXPECT_THROW(decodeComparisonReport(text), DecodingError) << text;
}

TEST(ComparisonReportJson, RejectsEveryMissingKey) {
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
    const nlohmann::json full = sampleReport();
    const std::vector<std::pair<nlohmann::json::json_pointer, nlohmann::json>> corruptions = {
        {"/expectedLength"_json_pointer, "120"},
        {"/expectedLength"_json_pointer, 1.5},
        {"/expectedLength"_json_pointer, -1},
        {"/actualLength"_json_pointer, 4294967296LL},
        {"/hunks"_json_pointer, nlohmann::json::object()},
        {"/truncated"_json_pointer, 1},
        {"/hunks/0"_json_pointer, nlohmann::json::array()},
        {"/hunks/0/actualLength"_json_pointer, -3},
        {"/hunks/0/expectedStart"_json_pointer, nullptr},
        {"/hunks/0/kind"_json_pointer, "capitalization"},
        {"/hunks/0/kind"_json_pointer, 5},
        {"/hunks/0/outsideInsertion"_json_pointer, "false"},
    };
    for (const auto& [pointer, value] : corruptions) {
        nlohmann::json corrupt = full;
        corrupt[pointer] = value;
        EXPECT_THROW(comparisonReportFromJson(corrupt), DecodingError)
            << pointer.to_string() << " = " << value.dump();
    }
}

TEST(ComparisonReportJson, IgnoresUnknownKeys) {
    nlohmann::json json = sampleReport();
    json["comment"] = "from a newer version";
    EXPECT_EQ(comparisonReportFromJson(json), sampleReport());
}
