#pragma once

#include "sim/model/AccessibilityTree.h"
#include "sim/model/AutoCorrect.h"
#include "sim/model/SimTypes.h"
#include "sim/model/WordDocument.h"

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace plumeo::sim {

class SimDesktop;

/// A document window with its elements.
struct DocEntry {
    int serial = 0;
    WordDocument doc;
    ElementId window = 0, toolbar = 0, button = 0, body = 0;
    ElementId splitGroup = 0;     ///< around the body, when Word shows one
    std::vector<ElementId> pages; ///< page elements made so far, by page number
    bool bodyIsText = false;
    int bodyEpoch = 0;
    ElementId sheet = 0, sheetButton = 0;
    int sheetKeys = 0;
    bool focusOnToolbar = false;

    explicit DocEntry(std::string name) : doc(std::move(name)) {}
};

/// A modal dialog of Word's.
struct Dialog {
    int id = 0;
    std::string title;
    ElementId window = 0, text = 0, button = 0;
    std::optional<double> giveUpAt;
    int keys = 0;
};

/// Word's windows: its documents, sheets and modal dialogs, and what Word does with a key.
class SimWord {
public:
    SimWord(const SimConfig& config, const SimClock& clock, ElementTable& elements,
            SimDesktop& desktop);

    AutoCorrectOptions& autoCorrect() { return autoCorrect_; }
    const AutoCorrectOptions& autoCorrect() const { return autoCorrect_; }

    // -- Documents -------------------------------------------------------------------------
    std::vector<std::string> documentNames() const;
    WordDocument* document(std::string_view name);
    WordDocument* activeDocument();
    std::optional<std::string> newDocument();
    bool closeDocument(std::string_view name);
    bool activateDocument(std::string_view name);
    void refreshBody(std::string_view name);
    void setFocusOnToolbar(bool onToolbar);
    DocEntry* entry(std::string_view name);
    /// The element of a page of the document's body, made on first use.
    ElementId pageElement(DocEntry& doc, int index);
    DocEntry* frontEntry();
    /// Front first.
    const std::vector<std::unique_ptr<DocEntry>>& documents() const { return documents_; }

    // -- Dialogs and sheets ----------------------------------------------------------------
    int openDialog(const std::string& title, std::optional<double> giveUpAfterSeconds);
    bool closeDialog(const std::string& button);
    void closeDialogAt(std::size_t index, const std::string& outcome);
    bool modalDialogOpen() const;
    std::optional<std::string> dialogOutcome(int dialogId) const;
    bool openSheet(const std::string& title);
    bool closeSheet();
    Dialog* frontDialog();
    const Dialog* frontDialog() const;
    /// Open ones, the last in front.
    const std::vector<std::unique_ptr<Dialog>>& dialogs() const { return dialogs_; }

    /// Word's process ended: every window goes with it.
    void closeEverything();
    /// Word looks at a key event that reached it.
    void takeKey(const KeyEvent& event);
    std::uint64_t keysToDocument() const { return keysToWordDocument_; }
    std::uint64_t keysToDialogs() const { return keysToDialogs_; }

private:
    void dropDocument(DocEntry& doc);

    const SimConfig& config_;
    const SimClock& clock_;
    ElementTable& elements_;
    SimDesktop& desktop_;
    AutoCorrectOptions autoCorrect_;
    int documentsCreated_ = 0;
    std::vector<std::unique_ptr<DocEntry>> documents_;
    std::vector<std::unique_ptr<Dialog>> dialogs_;
    std::map<int, std::string> dialogOutcomes_;
    int nextDialogId_ = 1;
    std::uint64_t keysToWordDocument_ = 0;
    std::uint64_t keysToDialogs_ = 0;
};

} // namespace plumeo::sim
