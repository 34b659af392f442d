#pragma once

#include "sim/model/SimTypes.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace plumeo::sim {

class SimDesktop;
class SimWord;

/// One node of the Accessibility tree below an application element.
struct SimElement {
    enum class Kind {
        docWindow,
        toolbar,
        toolbarButton,
        body,
        sheet,
        sheetButton,
        dialog,
        dialogText,
        dialogButton,
        clientWindow,
        clientField,
    };
    Kind kind = Kind::docWindow;
    int pid = 0;
    int owner = 0; ///< document serial, dialog id or client pid
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

private:
    std::optional<ElementId> wordFocusedWindow();
    std::optional<ElementId> wordFocusedElement();
    std::optional<ElementId> appFocusedElement(int pid);
    std::optional<ElementId> appFocusedWindow(int pid);

    const SimConfig& config_;
    const ElementTable& elements_;
    SimDesktop& desktop_;
    SimWord& word_;
};

} // namespace plumeo::sim
