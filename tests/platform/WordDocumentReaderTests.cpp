#include "core/engine/ReadError.h"
#include "core/verify/ContentComparator.h"
#include "platform/ax/WordDocumentReader.h"
#include "tests/platform/FakeWordScene.h"

#include <atomic>
#include <gtest/gtest.h>
#include <optional>
#include <thread>
#include <vector>

namespace plumeo {
namespace {

using testing::FakeWordScene;

// Word's script side: answers from the document as the script interface shows it (astral
// characters as placeholders), records every read and can fail on demand.
class FakeScriptReader : public DocumentReader {
public:
    std::u16string document; // exact text, paragraph marks as carriage returns
    int cursor = 5;          // where the scene's body has its cursor too
    bool inMainStory = true;
    std::optional<ReadError> failure;
    std::vector<std::pair<int, int>> reads;
    int readAlls = 0;

    DocState state() override {
        if (failure)
            throw *failure;
        DocState st;
        st.documentID = "/tmp/a.docx";
        st.selectionStart = st.selectionEnd = cursor;
        st.inMainStory = inMainStory;
        return st;
    }
    std::u16string read(int start, int end) override {
        reads.emplace_back(start, end);
        if (failure)
            throw *failure;
        return utf16Slice(ContentComparator::lossyAstral(document), start, end);
    }
    std::u16string readAll() override {
        ++readAlls;
        if (failure)
            throw *failure;
        return ContentComparator::lossyAstral(document);
    }
};

class WordDocumentReaderTest : public ::testing::Test {
protected:
    /// Word's document is `exact` (ending in its final paragraph mark); Accessibility shows
    /// it without that mark and with line feeds.
    void setDocument(const std::u16string& exact) {
        script->document = exact;
        std::u16string shown = exact.substr(0, exact.empty() ? 0 : exact.size() - 1);
        std::replace(shown.begin(), shown.end(), u'\r', u'\n');
        scene.setText(scene.body, shown);
    }
    std::unique_ptr<WordDocumentReader> makeReader() {
        return std::make_unique<WordDocumentReader>(script, scene.fake, FakeWordScene::wordPid);
    }

    FakeWordScene scene;
    std::shared_ptr<FakeScriptReader> script = std::make_shared<FakeScriptReader>();
};

const std::u16string grin = u"\U0001F600";

TEST_F(WordDocumentReaderTest, ReadsFromAccessibilityWithParagraphMarks) {
    setDocument(u"ab\rcd" + grin + u"ef\r");
    auto reader = makeReader();
    EXPECT_EQ(reader->read(1, 7), u"b\rcd" + grin);
    EXPECT_TRUE(reader->readsAreFaithful());
    EXPECT_EQ(reader->fallbackReason(), std::nullopt);
    EXPECT_TRUE(script->reads.empty()) << "the whole range was in the element";
    // The found element gets the longer body timeout.
    EXPECT_EQ(scene.fake->messagingTimeout(scene.body), 0.5);
}

TEST_F(WordDocumentReaderTest, TakesThePartBeyondTheElementFromTheScript) {
    setDocument(u"abcdef\r");
    scene.setText(scene.body, u"abcd"); // the element has not caught up with "ef"
    auto reader = makeReader();
    // Only all but the last position must be in the element.
    EXPECT_EQ(reader->read(2, 5), u"cde");
    EXPECT_TRUE(reader->readsAreFaithful());
    EXPECT_EQ(script->reads, (std::vector<std::pair<int, int>>{{4, 5}}));

    // Starting beyond the element: all from the script, still faithful.
    script->reads.clear();
    scene.setText(scene.body, u"abcdef");
    EXPECT_EQ(reader->read(6, 7), u"\r");
    EXPECT_TRUE(reader->readsAreFaithful());
    EXPECT_EQ(script->reads, (std::vector<std::pair<int, int>>{{6, 7}}));
}

TEST_F(WordDocumentReaderTest, EmptyRangeOfAnEmptyDocumentIsFaithful) {
    auto empty = scene.makeScrollArea(scene.window, 0);
    scene.focus(empty);
    scene.setText(empty, u"");
    // Built, then moved: GCC 12 at -O3 takes assigning a literal for an overlapping copy.
    script->document = std::u16string(u"\r");
    script->cursor = 0;
    auto reader = makeReader();
    EXPECT_EQ(reader->read(0, 0), u"");
    EXPECT_TRUE(reader->readsAreFaithful());
}

TEST_F(WordDocumentReaderTest, FallsBackWhenTheRangeTextIsNotExact) {
    setDocument(u"a" + grin + u"b\r");
    // A range read that splits a surrogate pair comes back one unit short.
    scene.fake->setParameterizedAttribute(
        scene.body, "AXStringForRange",
        [](const AXValue&) -> std::optional<AXValue> { return std::u16string(u"a"); });
    auto reader = makeReader();
    EXPECT_EQ(reader->read(0, 2), u"a1");
    EXPECT_FALSE(reader->readsAreFaithful());
    EXPECT_EQ(reader->fallbackReason(), WordDocumentReader::unavailableReason);

    // A value of another type is no text either.
    scene.fake->setParameterizedAttribute(
        scene.body, "AXStringForRange",
        [](const AXValue&) -> std::optional<AXValue> { return 2.0; });
    EXPECT_EQ(reader->read(0, 2), u"a1");
    EXPECT_FALSE(reader->readsAreFaithful());
}

TEST_F(WordDocumentReaderTest, FallsBackWithoutAWindowAndRecoversTheReason) {
    setDocument(u"hello\r");
    scene.fake->removeAttribute(scene.app, "AXFocusedWindow");
    auto windowless = makeReader();
    EXPECT_EQ(windowless->read(0, 3), u"hel");
    EXPECT_FALSE(windowless->readsAreFaithful());
    EXPECT_EQ(windowless->fallbackReason(), WordDocumentReader::unavailableReason);

    // With a window: a focused element that holds too little falls back, and the next good
    // read clears the reason.
    scene.focusWindow(scene.window);
    auto reader = makeReader();
    scene.setText(scene.body, u"he");
    EXPECT_EQ(reader->read(0, 5), u"hello");
    EXPECT_FALSE(reader->readsAreFaithful());
    scene.setText(scene.body, u"hello");
    EXPECT_EQ(reader->read(0, 5), u"hello");
    EXPECT_TRUE(reader->readsAreFaithful());
    EXPECT_EQ(reader->fallbackReason(), std::nullopt);
}

TEST_F(WordDocumentReaderTest, IgnoresATextAreaOfAnotherWindow) {
    setDocument(u"hello\r");
    auto other = scene.makeWindow("文档2", "AXStandardWindow");
    auto foreign = scene.makeTextArea(other, 5, 0);
    scene.setText(foreign, u"HELLO");
    scene.focus(foreign);
    auto reader = makeReader();
    // Neither the focused element nor the bound window's (empty) tree gives a body.
    EXPECT_EQ(reader->read(0, 5), u"hello");
    EXPECT_FALSE(reader->readsAreFaithful());
}

// A header or comment pane holds enough text too; only the bound body may answer a range.
TEST_F(WordDocumentReaderTest, ARangedReadTrustsOnlyTheBoundBody) {
    setDocument(u"body text\r");
    auto header = scene.makeTextArea(scene.window, 0, 2);
    scene.setText(header, u"HEADER TEXT");
    scene.setChildren(scene.window, {header, scene.body});
    auto reader = makeReader();
    script->cursor = 2;
    // Found first in the window, or focused while Word's selection is in its story: no body.
    for (auto focus : {scene.makeElement(u"AXButton", scene.window), header}) {
        scene.focus(focus);
        script->inMainStory = focus.id != header.id;
        EXPECT_EQ(reader->read(0, 4), u"body");
        EXPECT_FALSE(reader->readsAreFaithful());
    }
    // The body itself, focused with the script's cursor, is bound and then trusted unfocused.
    script->inMainStory = true;
    scene.focus(scene.body);
    scene.setSelection(scene.body, 2, 0);
    EXPECT_EQ(reader->read(0, 4), u"body");
    scene.focus(header);
    EXPECT_EQ(reader->read(5, 9), u"text");
    EXPECT_TRUE(reader->readsAreFaithful());
}

TEST_F(WordDocumentReaderTest, SearchesTheWindowDepthFirst) {
    setDocument(u"exact " + grin + u"\r");
    scene.focus(scene.makeElement(u"AXButton", scene.window));
    // window > group > [scroll area (need > 0, keep going) > text area (the body)]
    auto group = scene.makeElement(u"AXGroup", scene.window);
    auto scroll = scene.makeScrollArea(scene.window, 100);
    scene.setChildren(scene.window, {scene.makeElement(u"AXToolbar", scene.window), group});
    scene.setChildren(group, {scroll});
    scene.setChildren(scroll, {scene.body});
    auto reader = makeReader();
    EXPECT_EQ(reader->readAll(), u"exact " + grin + u"\r");
    EXPECT_TRUE(reader->readsAreFaithful());

    // The found element is bound: no second search even once the tree is gone.
    scene.setChildren(scene.window, {});
    const int childQueries = scene.fake->callCount("axAttribute");
    EXPECT_EQ(reader->read(0, 5), u"exact");
    EXPECT_TRUE(reader->readsAreFaithful());
    EXPECT_LT(scene.fake->callCount("axAttribute") - childQueries, 8);
}

TEST_F(WordDocumentReaderTest, TakesAScrollAreaOnlyWhenNothingIsNeeded) {
    scene.focus(scene.makeElement(u"AXButton", scene.window));
    auto scroll = scene.makeScrollArea(scene.window, 0);
    scene.setText(scroll, u"");
    scene.setChildren(scene.window, {scroll});
    script->document = std::u16string(u"\r");
    auto reader = makeReader();
    EXPECT_EQ(reader->readAll(), u"\r");
    EXPECT_TRUE(reader->readsAreFaithful());

    script->document = std::u16string(u"ab\r");
    EXPECT_EQ(reader->readAll(), u"ab\r");
    EXPECT_FALSE(reader->readsAreFaithful()) << "a scroll area with no text area inside";
}

TEST_F(WordDocumentReaderTest, SearchStopsAtDepthSixteen) {
    setDocument(u"deep\r");
    scene.focus(scene.makeElement(u"AXButton", scene.window));
    auto buildChain = [&](int depthOfBody) {
        AXElementRef parent = scene.window;
        for (int depth = 1; depth < depthOfBody; ++depth) {
            auto group = scene.makeElement(u"AXGroup", scene.window);
            scene.setChildren(parent, {group});
            parent = group;
        }
        scene.setChildren(parent, {scene.body});
    };
    buildChain(16);
    auto atSixteen = makeReader();
    atSixteen->readAll();
    EXPECT_TRUE(atSixteen->readsAreFaithful());

    buildChain(17);
    auto atSeventeen = makeReader();
    atSeventeen->readAll();
    EXPECT_FALSE(atSeventeen->readsAreFaithful());
}

TEST_F(WordDocumentReaderTest, SearchStopsAfterThreeThousandAndOneElements) {
    setDocument(u"wide\r");
    scene.focus(scene.makeElement(u"AXButton", scene.window));
    auto placeChild = [&](int fillers) {
        std::vector<AXElementRef> children;
        for (int i = 0; i < fillers; ++i)
            children.push_back(scene.fake->makeElement());
        children.push_back(scene.body);
        scene.setChildren(scene.window, children);
    };
    // The window is the first element visited, so the body is visit 3001 here ...
    placeChild(2999);
    auto reached = makeReader();
    reached->readAll();
    EXPECT_TRUE(reached->readsAreFaithful());
    // ... and visit 3002 here.
    placeChild(3000);
    auto missed = makeReader();
    missed->readAll();
    EXPECT_FALSE(missed->readsAreFaithful());
}

TEST_F(WordDocumentReaderTest, ReadAllReturnsTheScriptTextWhenTheyDisagree) {
    setDocument(u"abc" + grin + u"\r");
    scene.setText(scene.body, u"abX" + grin); // same length, one real difference
    auto reader = makeReader();
    EXPECT_EQ(reader->readAll(), u"abc12\r");
    EXPECT_FALSE(reader->readsAreFaithful());
    EXPECT_EQ(reader->fallbackReason(), WordDocumentReader::disagreementReason);

    // A count that is not exactly the script's length minus one: the first reason.
    scene.setText(scene.body, u"abc" + grin + u"!");
    EXPECT_EQ(reader->readAll(), u"abc12\r");
    EXPECT_EQ(reader->fallbackReason(), WordDocumentReader::unavailableReason);
}

TEST_F(WordDocumentReaderTest, ScriptErrorsPropagateAndStateLeavesFaithfulnessAlone) {
    setDocument(u"abcdef\r");
    scene.setText(scene.body, u"abc");
    auto reader = makeReader();
    reader->read(0, 2);
    ASSERT_TRUE(reader->readsAreFaithful());

    script->failure = ReadError::timeout();
    // The Accessibility part succeeded, the script tail did not.
    EXPECT_THROW(reader->read(1, 6), ReadError);
    EXPECT_THROW(reader->readAll(), ReadError);
    EXPECT_THROW(reader->state(), ReadError);

    script->failure.reset();
    scene.setText(scene.body, u"");
    reader->read(0, 5);
    ASSERT_FALSE(reader->readsAreFaithful());
    EXPECT_EQ(reader->state().selectionStart, script->cursor);
    EXPECT_FALSE(reader->readsAreFaithful());
}

// Run under ThreadSanitizer: the main thread asks for faithfulness while the engine's thread
// reads, alternating between faithful reads and fallbacks.
TEST_F(WordDocumentReaderTest, FaithfulnessCanBeAskedFromAnotherThread) {
    setDocument(u"abc" + grin + u"\r");
    auto reader = makeReader();
    std::atomic<bool> done{false};
    std::thread engine([&] {
        for (int i = 0; i < 300; ++i) {
            reader->read(0, i % 2 == 0 ? 5 : 6); // 6 needs more than the element holds
            reader->readAll();
        }
        done = true;
    });
    do {
        (void)reader->readsAreFaithful();
        // A reason, when there is one, is always one of the two texts.
        if (auto reason = reader->fallbackReason()) {
            EXPECT_EQ(*reason, WordDocumentReader::unavailableReason);
        }
    } while (!done.load());
    engine.join();
    EXPECT_TRUE(reader->readsAreFaithful()) << "the last read was a faithful readAll";
}

} // namespace
} // namespace plumeo
