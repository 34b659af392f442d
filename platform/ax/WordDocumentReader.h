#pragma once

#include "core/engine/DocState.h"
#include "core/engine/DocumentReader.h"
#include "platform/ax/AXInspector.h"
#include "platform/backend/PlatformBackend.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace plumeo {

/// The session's document reader. Word's script interface always answers while Word runs but
/// turns characters outside the Basic Multilingual Plane into placeholders; the Accessibility
/// text of the document body carries every character but exists only while Word's window is
/// available (typically while Word is in front). Reads come from Accessibility where they can
/// and count as faithful; otherwise they fall back to the script and say why. Only the bound
/// body gives faithful ranged reads: an element whose whole text agreed with the script's, or
/// Word's focused element with its cursor where the script has the main story's.
class WordDocumentReader final : public DocumentReader {
public:
    /// Set as the fallback reason when no usable body element exists or its range read failed.
    static constexpr const char* unavailableReason =
        "Word 不在前台或辅助功能正文不可用，emoji 等字符只能在 Word 前台时逐字核实";
    /// Set when the Accessibility and script texts of the whole document disagree.
    static constexpr const char* disagreementReason =
        "辅助功能文字与 Word 脚本内容不一致，已退回脚本读回（emoji 无法逐字核实）";

    /// A found body element gets this longer timeout: its text can be long.
    static constexpr double bodyTimeoutSeconds = 0.5;
    /// How long a read keeps asking a Word too busy to answer before it falls back.
    static constexpr double busyBudgetSeconds = 0.5;
    /// The body search gives up below this depth and after this many elements.
    static constexpr int maxSearchDepth = 16;
    static constexpr int maxSearchVisits = 3001;

    /// `scriptReader` is Word's script bridge (its bound document name selects the document);
    /// `pid` is Word's. Word's focused window at this moment is taken as the target's window,
    /// so build the reader while the target document is in front.
    WordDocumentReader(std::shared_ptr<DocumentReader> scriptReader,
                       std::shared_ptr<PlatformBackend> backend, std::int32_t pid);

    /// Exactly the script's answer; leaves faithfulness alone.
    DocState state() override;
    /// Throws the script's ReadError; Accessibility failures only cause a fallback.
    std::u16string read(int start, int end) override;
    std::u16string readAll() override;
    bool readsAreFaithful() const override;
    /// Why the most recent read was not faithful; nothing after a faithful one.
    std::optional<std::string> fallbackReason() const;

private:
    struct BodyElement {
        AXElementRef element;
        int characterCount = 0;
    };

    /// The body a ranged read may trust: the bound element, or Word's focused element once it
    /// proves to be the main story's text (it is then bound).
    std::optional<BodyElement> boundBody(int need);
    std::optional<BodyElement> usableBoundBody(int need);
    /// A candidate for readAll, which binds it only when its text agrees with the script's.
    std::optional<BodyElement> findBody(int need);
    std::optional<BodyElement> searchWindow(const AXElementRef& window, int need);
    bool isBodyCandidate(const AXElementRef& element) const;
    bool isInWindow(const AXElementRef& element) const;
    /// The element's text in [location, location + length) with Word's paragraph marks, or
    /// nothing unless exactly that many units came back.
    std::optional<std::u16string> rangeText(const AXElementRef& element, int location,
                                            int length) const;
    void bind(const AXElementRef& element);
    /// Forgets the bound element if it is this one.
    void unbind(const AXElementRef& element);
    void recordFaithful();
    void recordFallback(const char* reason);

    std::shared_ptr<DocumentReader> scriptReader_;
    AXInspector ax_;
    const std::optional<AXElementRef> window_;

    mutable std::mutex mutex_; // guards the three fields below, never held across a call out
    /// The bound body: the only element whose ranged text counts as faithful.
    std::optional<AXElementRef> element_;
    bool lastReadFaithful_ = true;
    std::optional<std::string> reason_;
};

} // namespace plumeo
