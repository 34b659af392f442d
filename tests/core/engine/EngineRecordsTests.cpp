#include "core/engine/EngineActivity.h"
#include "core/engine/ProgressLedger.h"
#include "core/engine/ReadError.h"
#include "core/engine/SessionPhase.h"
#include "core/engine/StopMetrics.h"
#include "core/engine/StopReason.h"
#include "core/engine/TargetExpectation.h"
#include "core/text/DecodingError.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace plumeo {
namespace {

TEST(StopReasonTest, MessagesAndResumability) {
    struct Case {
        StopReason reason;
        std::string message;
        bool resumable;
    };
    const std::vector<Case> cases = {
        {StopReason::targetNotFrontmost("x"), "Word 不在前台，已停止发送：x", true},
        {StopReason::documentChanged("x"), "目标文档已切换，已停止发送：x", true},
        {StopReason::focusLeftBody("x"), "焦点离开了目标正文，已停止发送：x", true},
        {StopReason::dialogOpened("x"), "Word 出现了对话框，已停止发送：x", true},
        {StopReason::selectionChanged("x"), "光标或选区发生了意外变化，已停止发送：x", true},
        {StopReason::userActivity("x"), "检测到你在操作键盘或鼠标，已自动暂停：x", true},
        {StopReason::permissionLost("x"), "系统权限失效，已停止发送：x", true},
        {StopReason::readbackMismatch("x"), "读回内容与预期不一致，已停止发送：x", true},
        {StopReason::readbackFailed("x"), "无法读回 Word 内容，已停止发送：x", true},
        {StopReason::wordNotKeepingUp("x"), "Word 没有及时处理输入，已停止发送：x", true},
        {StopReason::documentNotEditable("x"), "文档不可编辑：x", false},
        {StopReason::typoUnverifiable("x"), "错字纠正无法确认边界，已暂停且未退格：x", true},
        {StopReason::internalError("x"), "内部错误：x", false},
        {StopReason::userPause(), "已暂停。", true},
        {StopReason::userCancel(), "已取消。已写入的内容不会被自动删除。", false},
        {StopReason::emergencyStop(), "紧急停止。已写入的内容不会被自动删除。", false},
        {StopReason::wordTerminated(), "Word 已退出，已停止发送。", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.reason.message(), c.message);
        EXPECT_EQ(c.reason.isResumable(), c.resumable) << c.message;
        EXPECT_EQ(StopReason::hasDetail(c.reason.kind), !c.reason.detail.empty()) << c.message;
    }
    EXPECT_NE(StopReason::readbackFailed("a"), StopReason::readbackFailed("b"));
    EXPECT_NE(StopReason::readbackFailed("a"), StopReason::readbackMismatch("a"));
}

TEST(ReadErrorTest, DescriptionsAreTheUserFacingTexts) {
    EXPECT_EQ(ReadError::failed(-1728, "x").description(), "读回失败（-1728）：x");
    EXPECT_EQ(ReadError::timeout().description(), "Word 在限定时间内没有响应（可能有对话框打开）");
    EXPECT_EQ(ReadError::notAuthorized().description(), "没有控制 Word 的自动化权限");
    EXPECT_EQ(ReadError::wordNotRunning().description(), "Word 没有运行");
    EXPECT_EQ(ReadError::noDocument().description(), "Word 没有打开的文档");

    // Callers that only know std::exception still see the same text.
    try {
        throw ReadError::failed(7, "不可读");
    } catch (const std::exception& error) {
        EXPECT_STREQ(error.what(), "读回失败（7）：不可读");
    }
    EXPECT_EQ(ReadError::failed(7, "a"), ReadError::failed(7, "a"));
    EXPECT_NE(ReadError::failed(7, "a"), ReadError::failed(8, "a"));
    EXPECT_NE(ReadError::timeout(), ReadError::noDocument());
}

TEST(TargetExpectationTest, BoundsAreInclusive) {
    const IntClosedRange point{10, 10};
    EXPECT_TRUE(point.contains(10));
    EXPECT_FALSE(point.contains(9));
    EXPECT_FALSE(point.contains(11));
    const IntClosedRange span{3, 7};
    EXPECT_TRUE(span.contains(3));
    EXPECT_TRUE(span.contains(7));
    EXPECT_FALSE(span.contains(8));
}

TEST(SessionPhaseTest, TitlesAndProperties) {
    struct Case {
        SessionPhase phase;
        std::string title;
        bool sends, terminal, prefersSpeed;
    };
    const std::vector<Case> cases = {
        {SessionPhase::idle(), "空闲", false, false, false},
        {SessionPhase::preparing(), "准备中", false, false, false},
        {SessionPhase::countdown(5), "倒计时 5", false, false, true},
        {SessionPhase::typing(), "输入中", true, false, true},
        {SessionPhase::paused(StopReason::userPause()), "已暂停", false, false, false},
        {SessionPhase::resuming(), "核对续写位置", false, false, false},
        {SessionPhase::needsRelocation("x"), "需要重新定位", false, false, false},
        {SessionPhase::verifying(), "最终校验中", false, false, false},
        {SessionPhase::completed(VerificationOutcome::verified()), "完成（已验证一致）", false,
         true, false},
        {SessionPhase::completed(VerificationOutcome::verifiedWithAcceptedDifferences(3)),
         "完成（含 3 处已接受差异）", false, true, false},
        {SessionPhase::completed(VerificationOutcome::mismatch({})), "完成（校验不一致）", false,
         true, false},
        {SessionPhase::completed(VerificationOutcome::unverified("x")), "完成（未验证）", false,
         true, false},
        {SessionPhase::cancelled(StopReason::userCancel()), "已取消", false, true, false},
        {SessionPhase::failed(StopReason::wordTerminated()), "失败", false, true, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.phase.title(), c.title);
        EXPECT_EQ(c.phase.allowsSending(), c.sends) << c.title;
        EXPECT_EQ(c.phase.isTerminal(), c.terminal) << c.title;
        EXPECT_EQ(c.phase.prefersSpeedOverStatus(), c.prefersSpeed) << c.title;

        // Whichever text the phase prefers, an empty one gives way to the other.
        EXPECT_EQ(c.phase.hudDetailText("", "x"), "x") << c.title;
        EXPECT_EQ(c.phase.hudDetailText("12 字/分", ""), "12 字/分") << c.title;
        EXPECT_EQ(c.phase.hudDetailText("12 字/分", "x"), c.prefersSpeed ? "12 字/分" : "x")
            << c.title;
    }
}

TEST(SessionPhaseTest, EqualityComparesThePayloadOfTheCase) {
    EXPECT_NE(SessionPhase::countdown(2), SessionPhase::countdown(3));
    EXPECT_NE(SessionPhase::paused(StopReason::userPause()),
              SessionPhase::failed(StopReason::userPause()));
    EXPECT_NE(SessionPhase::needsRelocation("a"), SessionPhase::needsRelocation("b"));

    ComparisonReport report;
    report.expectedLength = 3;
    report.actualLength = 3;
    report.hunks.push_back({0, 1, 0, 1, DifferenceKind::replaced, false});
    ComparisonReport otherHunk = report;
    otherHunk.hunks[0].kind = DifferenceKind::capitalization;
    ComparisonReport truncated = report;
    truncated.truncated = true;
    ComparisonReport longer = report;
    longer.actualLength = 4;
    const auto mismatch = [](ComparisonReport r) {
        return SessionPhase::completed(VerificationOutcome::mismatch(std::move(r)));
    };
    EXPECT_EQ(mismatch(report), mismatch(report));
    EXPECT_NE(mismatch(report), mismatch(otherHunk));
    EXPECT_NE(mismatch(report), mismatch(truncated));
    EXPECT_NE(mismatch(report), mismatch(longer));
    EXPECT_NE(VerificationOutcome::verifiedWithAcceptedDifferences(1),
              VerificationOutcome::verifiedWithAcceptedDifferences(2));
    EXPECT_NE(VerificationOutcome::unverified("a"), VerificationOutcome::unverified("b"));
}

TEST(ProgressLedgerTest, Fractions) {
    const ProgressLedger empty(0);
    EXPECT_EQ(empty.sentFraction(), 0.0);
    EXPECT_EQ(empty.confirmedFraction(), 0.0);

    ProgressLedger ledger(8);
    ledger.sentUnits = 6;
    ledger.confirmedUnits = 2;
    EXPECT_DOUBLE_EQ(ledger.sentFraction(), 0.75);
    EXPECT_DOUBLE_EQ(ledger.confirmedFraction(), 0.25);
}

TEST(EngineActivityTest, RawValuesLabelsAndCorrecting) {
    struct Case {
        EngineActivity activity;
        std::string raw, label;
        bool correcting;
    };
    const std::vector<Case> cases = {
        {EngineActivity::idle, "idle", "准备中", false},
        {EngineActivity::typing, "typing", "输入中", false},
        {EngineActivity::typoTyped, "typoTyped", "打错了", true},
        {EngineActivity::typoFixing, "typoFixing", "改正中", true},
        {EngineActivity::checking, "checking", "核对中", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(rawValue(c.activity), c.raw);
        EXPECT_EQ(engineActivityFromRawValue(c.raw), c.activity) << c.raw;
        EXPECT_EQ(label(c.activity), c.label) << c.raw;
        EXPECT_EQ(isCorrecting(c.activity), c.correcting) << c.raw;
    }
    EXPECT_EQ(engineActivityFromRawValue("Typing"), std::nullopt);
    EXPECT_EQ(engineActivityFromRawValue(""), std::nullopt);
}

TEST(StopMetricsTest, AckLatency) {
    StopMetrics metrics;
    metrics.requestedAt = 10.0;
    EXPECT_EQ(metrics.ackLatencyMs(), std::nullopt);
    metrics.acknowledgedAt = 10.0125;
    ASSERT_TRUE(metrics.ackLatencyMs().has_value());
    EXPECT_NEAR(*metrics.ackLatencyMs(), 12.5, 1e-9);
}

TEST(StopMetricsTest, JsonOmitsAbsentFieldsAndRoundTrips) {
    StopMetrics minimal;
    minimal.requestedAt = 2.5;
    minimal.sentUnitsAtStop = 40;
    const nlohmann::ordered_json minimalJson = toJson(minimal);
    EXPECT_EQ(minimalJson.dump(), R"({"requestedAt":2.5,"postsAfterStop":0,"sentUnitsAtStop":40})");
    EXPECT_EQ(decodeStopMetrics(minimalJson.dump()), minimal);

    StopMetrics full = minimal;
    full.acknowledgedAt = 2.75;
    full.lastPostBeforeStop = 2.25;
    full.landedUnitsAfterSettle = 39;
    const nlohmann::ordered_json fullJson = toJson(full);
    std::vector<std::string> keys;
    for (const auto& item : fullJson.items())
        keys.push_back(item.key());
    EXPECT_EQ(keys, (std::vector<std::string>{"requestedAt", "acknowledgedAt", "lastPostBeforeStop",
                                              "postsAfterStop", "sentUnitsAtStop",
                                              "landedUnitsAfterSettle"}));
    EXPECT_EQ(decodeStopMetrics(fullJson.dump()), full);
    EXPECT_EQ(nlohmann::json(full).get<StopMetrics>(), full);
    EXPECT_FALSE(fullJson.contains("ackLatencyMs"));
}

TEST(StopMetricsTest, DecodingAcceptsNullOptionalsAndIgnoresUnknownKeys) {
    const StopMetrics metrics = decodeStopMetrics(
        R"({"requestedAt":1,"acknowledgedAt":null,"postsAfterStop":0,"sentUnitsAtStop":3,"x":1})");
    EXPECT_EQ(metrics.requestedAt, 1.0);
    EXPECT_EQ(metrics.acknowledgedAt, std::nullopt);
    EXPECT_EQ(metrics.sentUnitsAtStop, 3);
}

TEST(StopMetricsTest, DecodingRejectsIncompleteOrMistypedObjects) {
    const std::vector<std::string> invalid = {
        R"({"postsAfterStop":0,"sentUnitsAtStop":3})",
        R"({"requestedAt":1,"sentUnitsAtStop":3})",
        R"({"requestedAt":1,"postsAfterStop":0})",
        R"({"requestedAt":"1","postsAfterStop":0,"sentUnitsAtStop":3})",
        R"({"requestedAt":1,"postsAfterStop":0.5,"sentUnitsAtStop":3})",
        R"({"requestedAt":1,"postsAfterStop":0,"sentUnitsAtStop":-3})",
        R"({"requestedAt":1,"postsAfterStop":0,"sentUnitsAtStop":3000000000})",
        R"({"requestedAt":1,"postsAfterStop":0,"sentUnitsAtStop":3,"acknowledgedAt":true})",
        R"({"requestedAt":1,"postsAfterStop":0,"sentUnitsAtStop":3,"landedUnitsAfterSettle":"2"})",
        R"([1, 0, 3])",
        R"({"requestedAt":1,)",
        R"({"requestedAt":1e999,"postsAfterStop":0,"sentUnitsAtStop":3})",
    };
    for (const std::string& text : invalid)
        EXPECT_THROW(decodeStopMetrics(text), DecodingError) << text;
}

} // namespace
} // namespace plumeo
