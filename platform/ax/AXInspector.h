#pragma once

#include "core/engine/TargetExpectation.h"
#include "platform/backend/PlatformBackend.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plumeo {

/// Read-only Accessibility queries about one process (Word). The typed readers answer
/// "nothing" for a missing attribute, a value of the wrong type, a refused or timed-out
/// request; the `copyResult`/`copyResults` forms keep the AXError, so callers can tell a busy
/// Word from one whose window or element is gone. Every element the inspector hands out
/// carries its own messaging timeout (elements never inherit their parent's). No mutable state
/// after construction, so one inspector may be used from any thread.
class AXInspector {
public:
    /// A snapshot of Word's focus. Missing attributes read as empty strings or false.
    struct FocusInfo {
        std::string windowTitle;
        std::string windowRole;
        std::string windowSubrole;
        bool isModal = false;
        bool hasSheet = false; ///< One of the window's children is an "AXSheet".
        std::string elementRole;
        std::string elementSubrole;
        std::string elementDescription;

        bool operator==(const FocusInfo&) const = default;
    };

    /// A busy Word delays any query by at most this long.
    static constexpr double applicationTimeoutSeconds = 0.25;
    /// Pause between two attempts of a query that Word was too busy to answer.
    static constexpr std::uint32_t busyRetryPauseMicroseconds = 20000;

    /// `busyBudgetSeconds`: how long the typed readers keep asking a Word too busy to answer.
    AXInspector(std::shared_ptr<PlatformBackend> backend, std::int32_t pid,
                double busyBudgetSeconds = 0);

    std::int32_t pid() const { return pid_; }
    const AXElementRef& applicationElement() const { return app_; }
    PlatformBackend& backend() const { return *backend_; }

    std::optional<AXElementRef> focusedWindow() const;
    std::optional<AXElementRef> focusedElement() const;

    /// Word's focused window and focused element, in one round trip.
    struct Focus {
        AXResult window;
        AXResult element;
    };
    /// Asked again while Word is busy, until `busyBudgetSeconds` have passed.
    Focus focus(double busyBudgetSeconds) const;
    /// Nothing when Word has no focused window (or it cannot be read).
    std::optional<FocusInfo> focusInfo() const;

    /// One attribute with its error. Asked again while Word is busy, until `busyBudgetSeconds`
    /// have passed (0: once).
    AXResult copyResult(const AXElementRef& element, std::string_view attribute,
                        double busyBudgetSeconds = 0) const;
    /// Several attributes of one element in one round trip, one result per name; asked again
    /// while Word is busy, until `busyBudgetSeconds` have passed.
    std::vector<AXResult> copyResults(const AXElementRef& element,
                                      const std::vector<std::string>& names,
                                      double busyBudgetSeconds = 0) const;

    /// A parameterised attribute with its error, asked again while Word is busy.
    AXResult copyParameterizedResult(const AXElementRef& element, std::string_view attribute,
                                     const AXValue& parameter, double busyBudgetSeconds) const;

    // Typed attribute readers.
    std::optional<AXElementRef> copyElement(const AXElementRef& element,
                                            std::string_view attribute) const;
    std::optional<std::vector<AXElementRef>> copyElementList(const AXElementRef& element,
                                                             std::string_view attribute) const;
    /// A string attribute as UTF-8.
    std::optional<std::string> copyString(const AXElementRef& element,
                                          std::string_view attribute) const;
    std::optional<bool> copyBool(const AXElementRef& element, std::string_view attribute) const;
    std::optional<double> copyNumber(const AXElementRef& element, std::string_view attribute) const;

    /// AXRole, or the empty string.
    std::string role(const AXElementRef& element) const;
    /// The element's AXWindow.
    std::optional<AXElementRef> window(const AXElementRef& element) const;
    /// AXSelectedTextRange; a value of any other type counts as no information.
    std::optional<AXTextRange> selectedRange(const AXElementRef& element) const;
    /// AXNumberOfCharacters when it is a finite, non-negative number.
    std::optional<int> characterCount(const AXElementRef& element) const;
    /// For diagnostics; empty when the names cannot be read.
    std::vector<std::string> attributeNames(const AXElementRef& element) const;
    bool isSameElement(const AXElementRef& a, const AXElementRef& b) const;

    /// The pid of the application that has the system-wide keyboard focus.
    static std::optional<std::int32_t> systemFocusedAppPID(PlatformBackend& backend);
    /// Whether the system's focused application is `pid` within `waitSeconds`: how to confirm
    /// an activation, which macOS may refuse or carry out late.
    static bool waitUntilFocused(PlatformBackend& backend, std::int32_t pid, double waitSeconds);

    /// Word shows an empty body as a scroll area and a filled one as a text area, so the first
    /// character typed into an empty document moves the focus between them inside one window;
    /// that is not a change of target.
    bool isEmptyBodyTransition(const AXElementRef& from, const AXElementRef& to) const;

    /// Whether `candidate` is the text element of the bound `window`'s page as the engine
    /// expects it: a text area in that window whose length (plus Word's final paragraph mark)
    /// and collapsed selection lie within `expect`. A page element (one with an
    /// AXSharedCharacterRange) counts from its page's start and must hold the document's end. Word
    /// may re-create its text element while typing; this tells such a replacement from the user
    /// moving the focus.
    bool isSameDocumentPage(const AXElementRef& window, const AXElementRef& candidate,
                            const TargetExpectation& expect) const;

private:
    /// Gives every element in `result` the inspector's timeout.
    void bound(AXResult& result) const;
    bool retryAfterBusy(double startedUptime, double busyBudgetSeconds) const;

    std::shared_ptr<PlatformBackend> backend_;
    std::int32_t pid_;
    AXElementRef app_;
    double busyBudgetSeconds_;
};

/// Accessibility attribute names and roles, as the system spells them.
namespace AXNames {
inline constexpr std::string_view focusedWindow = "AXFocusedWindow";
inline constexpr std::string_view focusedUIElement = "AXFocusedUIElement";
inline constexpr std::string_view focusedApplication = "AXFocusedApplication";
inline constexpr std::string_view window = "AXWindow";
inline constexpr std::string_view children = "AXChildren";
inline constexpr std::string_view role = "AXRole";
inline constexpr std::string_view subrole = "AXSubrole";
inline constexpr std::string_view title = "AXTitle";
inline constexpr std::string_view modal = "AXModal";
inline constexpr std::string_view description = "AXDescription";
inline constexpr std::string_view selectedTextRange = "AXSelectedTextRange";
inline constexpr std::string_view numberOfCharacters = "AXNumberOfCharacters";
inline constexpr std::string_view stringForRange = "AXStringForRange";
inline constexpr std::string_view sharedCharacterRange = "AXSharedCharacterRange";

inline constexpr std::string_view sheetRole = "AXSheet";
inline constexpr std::string_view textAreaRole = "AXTextArea";
inline constexpr std::string_view scrollAreaRole = "AXScrollArea";
inline constexpr std::string_view splitGroupRole = "AXSplitGroup";
} // namespace AXNames

} // namespace plumeo
