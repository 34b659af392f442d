#pragma once

#include "sim/model/SimTypes.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace plumeo::sim {

class SimDesktop;
class SimWord;
struct DocEntry;

/// One node of the Accessibility tree below an application element.
struct SimElement {
    enum class Kind {
        docWindow,
        toolbar,
        toolbarButton,
        body,
        sheet,
        sheetButton,
        splitGroup,
        page, ///< one page of the body, when Word shows it page by page
        dialog,
        dialogText,
        dialogButton,
        clientWindow,
        clientField,
    };
    Kind kind = Kind::docWindow;
    int pid = 0;
    int owner = 0; ///< document serial, dialog id or client pid
    int index = 0; ///< a page's number, from 0
};

/// The elements that exist now; an id is never handed out twice.
class ElementTable {
public:
    ElementId add(SimElement element);
    void remove(ElementId id) { elements_.erase(id); }
    const SimElement* find(ElementId id) const;

private:
    std::map<ElementId, SimElement> elements_;
    ElementId nextElement_ = 1000;
};

/// Answers Accessibility queries from the desktop's and Word's present state.
class AccessibilityTree {
public:
    AccessibilityTree(const SimConfig& config, const ElementTable& elements, SimDesktop& desktop,
                      SimWord& word);

    static constexpr ElementId systemWideId = 1;
    ElementId applicationElement(int pid) const;
    std::optional<AXAnswer> attribute(ElementId element, std::string_view name);
    std::optional<AXAnswer> parameterizedAttribute(ElementId element, std::string_view name,
                                                   const AXRange& range);
    std::vector<std::string> attributeNames(ElementId element);
    std::vector<std::string> parameterizedAttributeNames(ElementId element);
    std::optional<int> elementPid(ElementId element) const;

    /// The attribute's value or the AXError a real system would give instead: not trusted,
    /// element gone, attribute unsupported, no value now, or a busy Word.
    AXReply reply(ElementId element, std::string_view name, double timeoutSeconds);
    /// Several attributes in one round trip: a busy Word fails the call as a whole.
    std::vector<AXReply> multipleReply(ElementId element, const std::vector<std::string>& names,
                                       double timeoutSeconds);
    AXReply parameterizedReply(ElementId element, std::string_view name, const AXRange& range,
                               double timeoutSeconds);

private:
    /// A page's range in the story, while the document has that page.
    std::optional<AXRange> pageRange(const DocEntry& doc, int index) const;
    std::optional<AXAnswer> pageAttribute(const DocEntry& doc, const SimElement& page,
                                          std::string_view name);
    /// Whether the element still exists.
    bool exists(ElementId element) const;
    /// Whether Word is too busy to answer this query (a share of queries on its elements).
    bool busyTurn(ElementId element);
    AXReply busyReply(double timeoutSeconds) const;

    std::optional<ElementId> wordFocusedWindow();
    std::optional<ElementId> wordFocusedElement();
    std::optional<ElementId> appFocusedElement(int pid);
    std::optional<ElementId> appFocusedWindow(int pid);

    const SimConfig& config_;
    const ElementTable& elements_;
    SimDesktop& desktop_;
    SimWord& word_;
    double busyCredit_ = 0;
};

} // namespace plumeo::sim
