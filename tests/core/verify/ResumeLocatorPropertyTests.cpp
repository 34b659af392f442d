// The locator shares one scan between candidates and falls back to one search per candidate on
// repetitive documents; both must answer exactly as the plain, one-needle-at-a-time procedure
// written out below does. (Aligning the region's tail has tests of its own.)

#include "core/text/TextPreparer.h"
#include "core/verify/ResumeLocator.h"
#include "tests/core/verify/LocatorTestSupport.h"

#include <gtest/gtest.h>
#include <random>

namespace plumeo {
namespace {

/// The whole-document and context steps; nothing when the anchored region has to decide.
std::optional<LocateResult> referenceLocate(const std::u16string& document,
                                            const DocumentAnchor& anchor, const PreparedText& text,
                                            const std::vector<ResumeCandidate>& candidates) {
    const std::u16string& before = anchor.before;
    const std::u16string& after = anchor.after;
    const int base = anchor.baseUnit;
    const auto valid = [&](const ResumeCandidate& c) {
        return c.units >= base && c.units <= text.count();
    };
    const auto typedOf = [&](const ResumeCandidate& c) {
        return text.wordString(base, c.units) + c.pendingTypo;
    };

    for (const ResumeCandidate& c : candidates) {
        if (valid(c) && before + typedOf(c) + after == document)
            return LocateResult::exact(c, utf16Count(before + typedOf(c)));
    }

    const std::u16string beforeTail =
        before.substr(before.size() - std::min<std::size_t>(before.size(), 48));
    const std::u16string afterHead = after.substr(0, 48);
    std::vector<std::pair<ResumeCandidate, int>> hits;
    for (const ResumeCandidate& c : candidates) {
        if (!valid(c))
            continue;
        const std::u16string needle = beforeTail + typedOf(c) + afterHead;
        if (needle.empty())
            continue;
        int found = 0;
        for (std::size_t q = 0; q + needle.size() <= document.size() && found < 17; ++q) {
            if (document.compare(q, needle.size(), needle) != 0)
                continue;
            ++found;
            if (beforeTail.size() == before.size() && q != 0)
                continue;
            if (afterHead.size() == after.size() && q + needle.size() != document.size())
                continue;
            hits.emplace_back(c, static_cast<int>(q + beforeTail.size() + typedOf(c).size()));
        }
    }
    if (hits.size() == 1) {
        const auto& [c, cursor] = hits.front();
        DocumentAnchor moved{document.substr(0, cursor - c.pendingTypo.size()),
                             document.substr(cursor), c.units, 0};
        moved.regionStart =
            std::max<int>(0, utf16Count(moved.before) - utf16Count(text.wordString(base, c.units)) -
                                 (utf16Count(before) - anchor.regionStart));
        return LocateResult::uniqueContext(c, cursor, moved);
    }
    if (hits.size() > 1)
        return LocateResult::ambiguous(static_cast<int>(hits.size()));
    return std::nullopt;
}

class RandomSession {
public:
    explicit RandomSession(unsigned seed) : rng_(seed) {}

    /// Text over a tiny alphabet, so that contexts repeat and partial matches abound.
    std::u16string text(int length) {
        static const std::u16string pieces[] = {u"a",  u"a",      u"a",         u"b",
                                                u"\r", u"\u4E2D", u"\U0001F600"};
        std::u16string result;
        while (utf16Count(result) < length)
            result += pieces[pick(0, 6)];
        return result;
    }

    int pick(int from, int to) { return std::uniform_int_distribution<int>(from, to)(rng_); }

    /// A few random edits, copies of the text around the insertion point (enough of them, at
    /// times, to make the search give up on sharing one scan), or nothing at all.
    void disturb(std::u16string& document, int insertionPoint) {
        for (int edits = pick(0, 3); edits > 0; --edits) {
            const int at = pick(0, utf16Count(document));
            switch (pick(0, 3)) {
            case 0:
                document.insert(static_cast<std::size_t>(at), text(pick(1, 3)));
                break;
            case 1:
                document.erase(static_cast<std::size_t>(at), static_cast<std::size_t>(pick(1, 3)));
                break;
            case 2: {
                const int from = std::max(0, insertionPoint - 48 - pick(0, 8));
                const std::u16string slice =
                    document.substr(static_cast<std::size_t>(from),
                                    static_cast<std::size_t>(pick(0, 1) == 0 ? 200 : pick(1, 200)));
                for (int copies = pick(0, 1) == 0 ? 1 : pick(2, 80); copies > 0; --copies)
                    document.insert(static_cast<std::size_t>(pick(0, utf16Count(document))), slice);
                break;
            }
            default:
                break;
            }
        }
    }

private:
    std::mt19937 rng_;
};

TEST(ResumeLocatorProperty, AgreesWithTheOneNeedleAtATimeProcedure) {
    int answered = 0;
    int ambiguous = 0;
    for (unsigned seed = 1; seed <= 3000; ++seed) {
        RandomSession random(seed);
        const PreparedText text = TextPreparer::prepare(random.text(random.pick(1, 40)));
        const int base = random.pick(0, text.count());
        const int sent = random.pick(base, text.count());
        const int confirmed = random.pick(base, sent);
        const int landed = random.pick(confirmed, sent);

        // Short and long pre-existing texts, on either side of the context length.
        const std::u16string before =
            random.text(random.pick(0, 2) == 0 ? random.pick(0, 47) : random.pick(49, 90));
        const std::u16string after =
            random.text(random.pick(0, 2) == 0 ? random.pick(0, 47) : random.pick(49, 90));
        const DocumentAnchor anchor{before, after, base, random.pick(0, utf16Count(before))};
        std::u16string document = before + text.wordString(base, landed);
        testing_support::SessionRecord session;
        session.anchor = anchor;
        session.sentUnits = sent;
        session.confirmedUnits = confirmed;
        if (random.pick(0, 3) == 0) {
            session.pendingTypo = ResumeCandidate{landed, random.text(1)};
            document += session.pendingTypo->pendingTypo;
        }
        document += after;
        random.disturb(document, utf16Count(before));

        const std::vector<ResumeCandidate> candidates = session.candidates();
        const std::optional<LocateResult> expected =
            referenceLocate(document, anchor, text, candidates);
        const LocateResult actual = ResumeLocator::locate(document, anchor, text, candidates);
        if (expected) {
            ASSERT_EQ(actual, *expected) << "seed " << seed;
            answered += 1;
            ambiguous += expected->kind == LocateResult::Kind::ambiguous;
        } else {
            ASSERT_TRUE(actual.kind == LocateResult::Kind::anchoredRegion ||
                        actual.kind == LocateResult::Kind::notFound)
                << "seed " << seed;
        }
    }
    // The generator must reach every step, or the agreement says little.
    EXPECT_GT(answered, 1000);
    EXPECT_GT(ambiguous, 100);
}

} // namespace
} // namespace plumeo
