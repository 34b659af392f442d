#include "mac/backend/writer/WriterDocuments.h"

#include "mac/backend/writer/WriterConnection.h"
#include "mac/backend/writer/WriterOffice.h"
#include "mac/backend/writer/WriterTextMapping.h"

#include <com/sun/star/awt/PushButtonType.hpp>
#include <com/sun/star/awt/Toolkit.hpp>
#include <com/sun/star/awt/XControl.hpp>
#include <com/sun/star/awt/XControlContainer.hpp>
#include <com/sun/star/awt/XControlModel.hpp>
#include <com/sun/star/awt/XDialog.hpp>
#include <com/sun/star/awt/XTopWindow.hpp>
#include <com/sun/star/awt/XWindowPeer.hpp>
#include <com/sun/star/awt/XWindow.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/configuration/theDefaultProvider.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XHierarchicalNameAccess.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/container/XNameContainer.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/document/XRedlinesSupplier.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XFrames.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/frame/XTitle.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>
#include <com/sun/star/text/ControlCharacter.hpp>
#include <com/sun/star/text/XParagraphCursor.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextContent.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/text/XTextRangeCompare.hpp>
#include <com/sun/star/text/XTextSection.hpp>
#include <com/sun/star/text/XTextSectionsSupplier.hpp>
#include <com/sun/star/text/XTextTable.hpp>
#include <com/sun/star/text/XTextViewCursor.hpp>
#include <com/sun/star/text/XTextViewCursorSupplier.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XModifiable.hpp>
#include <osl/file.hxx>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <thread>

namespace plumeo {

using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using css::uno::XInterface;
namespace text = css::text;
namespace frame = css::frame;
namespace container = css::container;
namespace beans = css::beans;

namespace {

constexpr std::int32_t notRunning = -600;
constexpr std::int32_t connectionInvalid = -609;
constexpr std::int32_t noSuchObject = -1728;
constexpr std::int32_t handlerFailed = -10000;
/// The section protectDocument wraps the body in.
constexpr char16_t protectionSectionName[] = u"PlumeoProtection";

std::string utf8(const rtl::OUString& text) {
    return rtl::OUStringToOString(text, RTL_TEXTENCODING_UTF8).getStr();
}

/// One open text document and the frame that shows it.
struct OpenDocument {
    Reference<frame::XFrame> frame;
    Reference<frame::XModel> model;
    Reference<text::XTextDocument> textDocument;
    WriterDocumentInfo info;
};

/// A paragraph of the body with the range it came from, so offsets can be turned into
/// cursor positions in the right text (the body's, or a table cell's).
struct BodyParagraph {
    Reference<text::XTextRange> range;
    WriterParagraph paragraph;
};

WriterDocumentInfo infoOf(const Reference<frame::XModel>& model) {
    WriterDocumentInfo info;
    Reference<frame::XTitle> title(model, UNO_QUERY);
    if (title.is()) {
        info.name = fromOUString(title->getTitle());
    }
    const rtl::OUString url = model->getURL();
    rtl::OUString path;
    if (!url.isEmpty() &&
        osl::FileBase::getSystemPathFromFileURL(url, path) == osl::FileBase::E_None) {
        info.path = fromOUString(path);
    }
    return info;
}

std::vector<OpenDocument> openDocuments(WriterConnection& connection) {
    std::vector<OpenDocument> documents;
    Reference<container::XIndexAccess> frames(connection.desktop->getFrames(), UNO_QUERY_THROW);
    for (sal_Int32 index = 0; index < frames->getCount(); ++index) {
        Reference<frame::XFrame> frame(frames->getByIndex(index), UNO_QUERY);
        if (!frame.is() || !frame->getController().is()) {
            continue;
        }
        Reference<frame::XModel> model = frame->getController()->getModel();
        Reference<text::XTextDocument> textDocument(model, UNO_QUERY);
        if (textDocument.is()) {
            documents.push_back({frame, model, textDocument, infoOf(model)});
        }
    }
    // Word lists the front document first.
    Reference<XInterface> current(connection.desktop->getCurrentComponent(), UNO_QUERY);
    std::stable_partition(documents.begin(), documents.end(), [&](const OpenDocument& document) {
        return Reference<XInterface>(document.model, UNO_QUERY) == current;
    });
    return documents;
}

OpenDocument documentFor(WriterConnection& connection, const std::u16string& key) {
    auto documents = openDocuments(connection);
    if (key.empty() && !documents.empty()) {
        return documents.front();
    }
    for (auto& document : documents) {
        // Word compares names case-sensitively: two documents may differ only in case.
        if (!key.empty() && (document.info.path == key || document.info.name == key)) {
            return document;
        }
    }
    throw WriterCallError(noSuchObject, "LibreOffice got an error: Can’t get document \"" +
                                            utf8(toOUString(key)) + "\".");
}

void appendParagraphs(const Reference<XInterface>& textObject, std::vector<BodyParagraph>& out) {
    Reference<container::XEnumerationAccess> access(textObject, UNO_QUERY_THROW);
    auto elements = access->createEnumeration();
    while (elements->hasMoreElements()) {
        const Any element = elements->nextElement();
        Reference<text::XTextTable> table(element, UNO_QUERY);
        if (table.is()) {
            // Cells in reading order, each cell's paragraphs as paragraphs of the story.
            for (const auto& name : table->getCellNames()) {
                appendParagraphs(Reference<XInterface>(table->getCellByName(name), UNO_QUERY),
                                 out);
            }
            continue;
        }
        Reference<text::XTextRange> range(element, UNO_QUERY);
        if (range.is()) {
            out.push_back({range, {fromOUString(range->getString())}});
        }
    }
}

std::vector<BodyParagraph> bodyParagraphs(const OpenDocument& document) {
    std::vector<BodyParagraph> paragraphs;
    appendParagraphs(Reference<XInterface>(document.textDocument->getText(), UNO_QUERY),
                     paragraphs);
    return paragraphs;
}

std::vector<WriterParagraph> textsOf(const std::vector<BodyParagraph>& paragraphs) {
    std::vector<WriterParagraph> texts;
    texts.reserve(paragraphs.size());
    for (const auto& paragraph : paragraphs) {
        texts.push_back(paragraph.paragraph);
    }
    return texts;
}

Reference<text::XTextViewCursor> viewCursorOf(const OpenDocument& document) {
    Reference<text::XTextViewCursorSupplier> supplier(document.model->getCurrentController(),
                                                      UNO_QUERY_THROW);
    return supplier->getViewCursor();
}

bool isSet(const Reference<beans::XPropertySet>& properties, const char* name) {
    try {
        return properties->getPropertyValue(rtl::OUString::createFromAscii(name)).hasValue();
    } catch (const css::uno::Exception&) {
        return false;
    }
}

/// The story offset of `position` in the body, found among the body's own paragraphs by
/// comparing starts (a binary search: the paragraphs are in document order).
std::int64_t storyOffsetOfPosition(const OpenDocument& document,
                                   const std::vector<BodyParagraph>& paragraphs,
                                   const Reference<text::XTextRange>& position) {
    const auto body = document.textDocument->getText();
    Reference<text::XTextRangeCompare> compare(body, UNO_QUERY_THROW);
    std::size_t low = 0;
    std::size_t high = paragraphs.size();
    while (high - low > 1) {
        const std::size_t middle = (low + high) / 2;
        const Reference<text::XTextRange>& range = paragraphs[middle].range;
        bool startsAtOrBefore = false;
        try {
            startsAtOrBefore = compare->compareRegionStarts(range, position) >= 0;
        } catch (const css::lang::IllegalArgumentException&) {
            startsAtOrBefore = false; // a table cell's paragraph: not comparable with the body
        }
        (startsAtOrBefore ? low : high) = middle;
    }
    Reference<text::XParagraphCursor> cursor(body->createTextCursorByRange(position),
                                             UNO_QUERY_THROW);
    cursor->gotoStartOfParagraph(true);
    const auto unitsIn = static_cast<std::size_t>(cursor->getString().getLength());
    return static_cast<std::int64_t>(storyOffsetOf(textsOf(paragraphs), {low, unitsIn}));
}

WriterStory storyOf(const OpenDocument& document,
                    const Reference<text::XTextViewCursor>& viewCursor) {
    const Reference<XInterface> body(document.textDocument->getText(), UNO_QUERY);
    const Reference<XInterface> cursorText(viewCursor->getText(), UNO_QUERY);
    Reference<beans::XPropertySet> properties(viewCursor, UNO_QUERY);
    if (cursorText == body) {
        return WriterStory::body;
    }
    // A note's or a frame's text is the note or frame object itself; an endnote is also a
    // footnote to UNO, so it is asked first.
    Reference<css::lang::XServiceInfo> service(cursorText, UNO_QUERY);
    if (service.is() && service->supportsService("com.sun.star.text.Endnote")) {
        return WriterStory::endnote;
    }
    if (service.is() && service->supportsService("com.sun.star.text.Footnote")) {
        return WriterStory::footnote;
    }
    if ((service.is() && service->supportsService("com.sun.star.text.TextFrame")) ||
        (properties.is() && isSet(properties, "TextFrame"))) {
        return WriterStory::frame;
    }
    if (service.is() && service->getImplementationName() == "SwXHeadFootText") {
        // Header or footer: the page style says which of its texts this is.
        try {
            rtl::OUString styleName;
            properties->getPropertyValue("PageStyleName") >>= styleName;
            Reference<css::style::XStyleFamiliesSupplier> families(document.model,
                                                                  UNO_QUERY_THROW);
            Reference<container::XNameAccess> pageStyles(
                families->getStyleFamilies()->getByName("PageStyles"), UNO_QUERY_THROW);
            Reference<beans::XPropertySet> style(pageStyles->getByName(styleName),
                                                 UNO_QUERY_THROW);
            for (const char* footer : {"FooterText", "FooterTextLeft", "FooterTextFirst"}) {
                Reference<XInterface> footerText(
                    style->getPropertyValue(rtl::OUString::createFromAscii(footer)), UNO_QUERY);
                if (footerText.is() && footerText == cursorText) {
                    return WriterStory::footer;
                }
            }
        } catch (const css::uno::Exception&) {
        }
        return WriterStory::header;
    }
    return WriterStory::other;
}

bool inProtectedSection(const Reference<text::XTextViewCursor>& viewCursor) {
    Reference<beans::XPropertySet> properties(viewCursor, UNO_QUERY);
    if (!properties.is()) {
        return false;
    }
    Reference<text::XTextSection> section;
    try {
        properties->getPropertyValue("TextSection") >>= section;
    } catch (const css::uno::Exception&) {
        return false;
    }
    // A protected section protects its child sections too.
    for (; section.is(); section = section->getParentSection()) {
        Reference<beans::XPropertySet> sectionProperties(section, UNO_QUERY);
        bool isProtected = false;
        if (sectionProperties.is() &&
            (sectionProperties->getPropertyValue("IsProtected") >>= isProtected) &&
            isProtected) {
            return true;
        }
    }
    return false;
}

bool isReadOnly(const OpenDocument& document) {
    Reference<frame::XStorable> storable(document.model, UNO_QUERY);
    return storable.is() && storable->isReadonly();
}

Reference<container::XNameAccess> configuration(WriterConnection& connection,
                                                const char* nodePath) {
    auto provider = css::configuration::theDefaultProvider::get(connection.context);
    beans::PropertyValue path;
    path.Name = "nodepath";
    path.Value <<= rtl::OUString::createFromAscii(nodePath);
    const Any argument(path);
    return Reference<container::XNameAccess>(
        provider->createInstanceWithArguments("com.sun.star.configuration.ConfigurationAccess",
                                              Sequence<Any>(&argument, 1)),
        UNO_QUERY_THROW);
}

bool flag(const Reference<container::XNameAccess>& node, const char* name) {
    bool value = false;
    Reference<container::XHierarchicalNameAccess> hierarchy(node, UNO_QUERY);
    const auto key = rtl::OUString::createFromAscii(name);
    if (hierarchy.is() && hierarchy->hasByHierarchicalName(key)) {
        hierarchy->getByHierarchicalName(key) >>= value;
    }
    return value;
}

void insertWordText(const Reference<text::XText>& text, const std::u16string& content) {
    auto cursor = text->createTextCursor();
    cursor->gotoEnd(false);
    const Reference<text::XTextRange> at(cursor, UNO_QUERY_THROW);
    std::u16string run;
    auto flush = [&] {
        if (!run.empty()) {
            text->insertString(at, toOUString(run), false);
            run.clear();
        }
    };
    for (const char16_t unit : content) {
        if (unit == u'\r' || unit == u'\v') {
            flush();
            text->insertControlCharacter(at,
                                         unit == u'\r' ? text::ControlCharacter::PARAGRAPH_BREAK
                                                       : text::ControlCharacter::LINE_BREAK,
                                         false);
        } else {
            run.push_back(unit);
        }
    }
    flush();
}

} // namespace

struct WriterDocuments::Impl {
    std::shared_ptr<const WriterOffice> office;

    /// Runs `work` with the connection held and its UNO failures translated.
    template <typename Work> auto call(Work&& work) const {
        const auto connection = office ? office->connection() : nullptr;
        if (!connection) {
            throw WriterCallError(notRunning, "LibreOffice isn’t running.");
        }
        std::lock_guard lock(connection->mutex);
        try {
            return work(*connection);
        } catch (const css::lang::DisposedException& exception) {
            throw WriterCallError(office->isRunning() ? connectionInvalid : notRunning,
                                  "Connection is invalid: " + utf8(exception.Message));
        } catch (const css::uno::RuntimeException& exception) {
            if (!office->isRunning()) {
                throw WriterCallError(notRunning, "LibreOffice isn’t running.");
            }
            throw WriterCallError(handlerFailed, utf8(exception.Message));
        } catch (const css::uno::Exception& exception) {
            throw WriterCallError(handlerFailed, utf8(exception.Message));
        }
    }

    /// The same, for the Accessibility side: any failure is an empty answer.
    template <typename Work> auto query(Work&& work) const -> decltype(call(work)) {
        try {
            return call(std::forward<Work>(work));
        } catch (const WriterCallError&) {
            return {};
        }
    }
};

WriterDocuments::WriterDocuments(std::shared_ptr<const WriterOffice> office)
    : impl_(std::make_unique<Impl>()) {
    impl_->office = std::move(office);
}

WriterDocuments::~WriterDocuments() = default;

bool WriterDocuments::officeRunning() const {
    return impl_->office && impl_->office->connection() != nullptr;
}

std::vector<WriterDocumentInfo> WriterDocuments::documents() const {
    return impl_->call([](WriterConnection& connection) {
        std::vector<WriterDocumentInfo> infos;
        for (const auto& document : openDocuments(connection)) {
            infos.push_back(document.info);
        }
        return infos;
    });
}

std::optional<WriterDocumentState> WriterDocuments::frontState() const {
    return impl_->call([](WriterConnection& connection) -> std::optional<WriterDocumentState> {
        const auto documents = openDocuments(connection);
        if (documents.empty()) {
            return std::nullopt;
        }
        const OpenDocument& front = documents.front();
        WriterDocumentState state;
        state.documentCount = static_cast<int>(documents.size());
        state.document = front.info;
        const auto viewCursor = viewCursorOf(front);
        state.story = storyOf(front, viewCursor);
        if (state.story == WriterStory::body) {
            const auto paragraphs = bodyParagraphs(front);
            state.selectionStart = storyOffsetOfPosition(front, paragraphs, viewCursor->getStart());
            state.selectionEnd = storyOffsetOfPosition(front, paragraphs, viewCursor->getEnd());
            if (state.selectionEnd < state.selectionStart) {
                std::swap(state.selectionStart, state.selectionEnd);
            }
        }
        Reference<beans::XPropertySet> properties(front.model, UNO_QUERY_THROW);
        properties->getPropertyValue("RecordChanges") >>= state.trackChanges;
        state.readOnly = isReadOnly(front);
        state.inProtectedSection = inProtectedSection(viewCursor);
        return state;
    });
}

std::u16string WriterDocuments::storyText(const std::u16string& key) const {
    return impl_->call([&](WriterConnection& connection) {
        return wordStoryText(textsOf(bodyParagraphs(documentFor(connection, key))));
    });
}

std::u16string WriterDocuments::storyRange(const std::u16string& key, std::int64_t start,
                                           std::int64_t end) const {
    const std::u16string story = storyText(key);
    const auto length = static_cast<std::int64_t>(story.size());
    const auto from = std::clamp<std::int64_t>(start, 0, length);
    const auto to = std::clamp<std::int64_t>(end, from, length);
    return story.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from));
}

WriterAutoCorrectFlags WriterDocuments::autoCorrect() const {
    return impl_->call([](WriterConnection& connection) {
        const auto common = configuration(connection, "/org.openoffice.Office.Common/AutoCorrect");
        const auto byInput =
            configuration(connection, "/org.openoffice.Office.Writer/AutoFunction/Format/ByInput");
        // Writer applies none of them while typing when its "while typing" switch is off.
        const bool whileTyping = flag(byInput, "Enable");
        WriterAutoCorrectFlags flags;
        flags.sentenceCaps = whileTyping && flag(common, "CapitalAtStartSentence");
        flags.initialCaps = whileTyping && flag(common, "TwoCapitalsAtStart");
        flags.replacementTable = whileTyping && flag(common, "UseReplacementTable");
        flags.smartQuotes =
            whileTyping && (flag(common, "ReplaceDoubleQuote") || flag(common, "ReplaceSingleQuote"));
        flags.dashes = whileTyping && flag(common, "ChangeDash");
        flags.ordinals = whileTyping && flag(common, "ChangeOrdinalNumber");
        // Writer has no fraction rule of its own; its replacement table holds 1/2 → ½ and the
        // like, so fractions are replaced exactly when the table is used.
        flags.fractions = flags.replacementTable;
        flags.numberedLists = whileTyping && flag(byInput, "ApplyNumbering/Enable");
        flags.bulletedLists = flags.numberedLists; // one switch for both in Writer
        flags.hyperlinks = whileTyping && flag(common, "SetInetAttribute");
        flags.emphasis = whileTyping && flag(common, "ChangeUnderlineWeight");
        return flags;
    });
}

std::u16string WriterDocuments::version() const {
    return impl_->call([](WriterConnection& connection) {
        const auto product = configuration(connection, "/org.openoffice.Setup/Product");
        rtl::OUString version;
        if (!(product->getByName("ooSetupVersionAboutBox") >>= version) || version.isEmpty()) {
            product->getByName("ooSetupVersion") >>= version;
        }
        return fromOUString(version);
    });
}

std::u16string WriterDocuments::newDocument() {
    return impl_->call([](WriterConnection& connection) {
        Reference<frame::XComponentLoader> loader(connection.desktop, UNO_QUERY_THROW);
        Reference<frame::XModel> model(
            loader->loadComponentFromURL("private:factory/swriter", "_blank", 0, {}),
            UNO_QUERY_THROW);
        if (auto controller = model->getCurrentController(); controller.is()) {
            controller->getFrame()->activate();
        }
        return infoOf(model).name;
    });
}

void WriterDocuments::closeDocument(const std::u16string& key) {
    impl_->call([&](WriterConnection& connection) {
        const auto document = documentFor(connection, key);
        if (Reference<css::util::XModifiable> modifiable(document.model, UNO_QUERY);
            modifiable.is()) {
            modifiable->setModified(false);
        }
        Reference<css::util::XCloseable>(document.model, UNO_QUERY_THROW)->close(true);
    });
}

void WriterDocuments::activateDocument(const std::u16string& key) {
    impl_->call([&](WriterConnection& connection) {
        const auto document = documentFor(connection, key);
        document.frame->activate();
        const auto window = document.frame->getContainerWindow();
        if (Reference<css::awt::XTopWindow> top(window, UNO_QUERY); top.is()) {
            top->toFront();
        }
        if (window.is()) {
            window->setFocus();
        }
    });
}

std::int64_t WriterDocuments::placeCursor(std::int64_t offset) {
    return impl_->call([&](WriterConnection& connection) {
        const auto document = documentFor(connection, u"");
        const auto paragraphs = bodyParagraphs(document);
        const auto texts = textsOf(paragraphs);
        const auto at =
            locateStoryOffset(texts, static_cast<std::size_t>(std::max<std::int64_t>(offset, 0)));
        const auto& range = paragraphs.at(at.paragraph).range;
        auto cursor = range->getText()->createTextCursorByRange(range->getStart());
        // Writer's cursors move by code points, Word's offsets count UTF-16 units.
        cursor->goRight(
            static_cast<sal_Int16>(codePointsBefore(texts[at.paragraph].text, at.unitsIn)), false);
        const auto viewCursor = viewCursorOf(document);
        viewCursor->gotoRange(Reference<text::XTextRange>(cursor, UNO_QUERY_THROW), false);
        return storyOffsetOfPosition(document, paragraphs, viewCursor->getStart());
    });
}

void WriterDocuments::setStoryText(const std::u16string& key, const std::u16string& text) {
    impl_->call([&](WriterConnection& connection) {
        const auto document = documentFor(connection, key);
        const auto body = document.textDocument->getText();
        body->setString("");
        // A final paragraph mark is the story's own, not a paragraph to add.
        std::u16string content = text;
        if (!content.empty() && content.back() == u'\r') {
            content.pop_back();
        }
        insertWordText(body, content);
        viewCursorOf(document)->gotoEnd(false);
    });
}

void WriterDocuments::setReadOnly(const std::u16string& key, bool readOnly) {
    impl_->call([&](WriterConnection& connection) {
        const auto document = documentFor(connection, key);
        Reference<text::XTextSectionsSupplier> supplier(document.model, UNO_QUERY_THROW);
        auto sections = supplier->getTextSections();
        const rtl::OUString ownName = toOUString(std::u16string_view(protectionSectionName));
        if (!readOnly) {
            for (const auto& name : sections->getElementNames()) {
                Reference<beans::XPropertySet> section(sections->getByName(name), UNO_QUERY);
                if (section.is()) {
                    section->setPropertyValue("IsProtected", Any(false));
                }
            }
            if (sections->hasByName(ownName)) {
                // Disposing a section keeps its text and drops the section around it.
                Reference<css::lang::XComponent>(sections->getByName(ownName), UNO_QUERY_THROW)
                    ->dispose();
            }
            return;
        }
        if (sections->hasByName(ownName)) {
            Reference<beans::XPropertySet>(sections->getByName(ownName), UNO_QUERY_THROW)
                ->setPropertyValue("IsProtected", Any(true));
            return;
        }
        // Writer has no document-wide protection that UNO can switch on an unsaved document;
        // a protected section around the whole body refuses typing the same way.
        Reference<css::lang::XMultiServiceFactory> factory(document.model, UNO_QUERY_THROW);
        Reference<text::XTextContent> section(
            factory->createInstance("com.sun.star.text.TextSection"), UNO_QUERY_THROW);
        Reference<container::XNamed>(section, UNO_QUERY_THROW)->setName(ownName);
        Reference<beans::XPropertySet>(section, UNO_QUERY_THROW)
            ->setPropertyValue("IsProtected", Any(true));
        const auto body = document.textDocument->getText();
        auto whole = body->createTextCursor();
        whole->gotoStart(false);
        whole->gotoEnd(true);
        body->insertTextContent(Reference<text::XTextRange>(whole, UNO_QUERY_THROW), section,
                                true);
    });
}

void WriterDocuments::setTrackChanges(const std::u16string& key, bool on) {
    impl_->call([&](WriterConnection& connection) {
        Reference<beans::XPropertySet>(documentFor(connection, key).model, UNO_QUERY_THROW)
            ->setPropertyValue("RecordChanges", Any(on));
    });
}

int WriterDocuments::changeCount(const std::u16string& key) const {
    return impl_->call([&](WriterConnection& connection) {
        Reference<css::document::XRedlinesSupplier> supplier(
            documentFor(connection, key).model, UNO_QUERY_THROW);
        auto redlines = supplier->getRedlines()->createEnumeration();
        int count = 0;
        for (; redlines->hasMoreElements(); redlines->nextElement()) {
            ++count;
        }
        return count;
    });
}

std::u16string WriterDocuments::showDialog(const std::u16string& message, int giveUpSeconds) {
    // Built under the connection's lock, executed outside it: the dialog's modal loop keeps
    // the call open, and other callers must still be answered meanwhile, as Word's
    // Accessibility side is.
    const auto dialog = impl_->call([&](WriterConnection& connection) {
        const auto document = documentFor(connection, u"");
        auto serviceManager = connection.context->getServiceManager();
        auto create = [&](const char* service) {
            return serviceManager->createInstanceWithContext(
                rtl::OUString::createFromAscii(service), connection.context);
        };
        Reference<css::lang::XMultiServiceFactory> model(
            create("com.sun.star.awt.UnoControlDialogModel"), UNO_QUERY_THROW);
        Reference<beans::XPropertySet> modelProperties(model, UNO_QUERY_THROW);
        modelProperties->setPropertyValue("Title", Any(toOUString(std::u16string_view(message))));
        modelProperties->setPropertyValue("Width", Any(sal_Int32(180)));
        modelProperties->setPropertyValue("Height", Any(sal_Int32(50)));
        Reference<beans::XPropertySet> button(
            model->createInstance("com.sun.star.awt.UnoControlButtonModel"), UNO_QUERY_THROW);
        button->setPropertyValue("Label", Any(rtl::OUString("OK")));
        button->setPropertyValue("PushButtonType",
                                 Any(sal_Int16(css::awt::PushButtonType_OK)));
        button->setPropertyValue("DefaultButton", Any(true));
        button->setPropertyValue("PositionX", Any(sal_Int32(120)));
        button->setPropertyValue("PositionY", Any(sal_Int32(25)));
        button->setPropertyValue("Width", Any(sal_Int32(50)));
        button->setPropertyValue("Height", Any(sal_Int32(14)));
        Reference<container::XNameContainer>(model, UNO_QUERY_THROW)
            ->insertByName("ok", Any(button));
        Reference<css::awt::XControl> control(create("com.sun.star.awt.UnoControlDialog"),
                                              UNO_QUERY_THROW);
        control->setModel(Reference<css::awt::XControlModel>(model, UNO_QUERY_THROW));
        Reference<css::awt::XWindowPeer> parent(document.frame->getContainerWindow(), UNO_QUERY);
        control->createPeer(
            Reference<css::awt::XToolkit>(css::awt::Toolkit::create(connection.context),
                                          UNO_QUERY_THROW),
            parent);
        return Reference<css::awt::XDialog>(control, UNO_QUERY_THROW);
    });
    std::mutex mutex;
    std::condition_variable answered;
    bool done = false;
    bool gaveUp = false;
    std::thread timer([&] {
        std::unique_lock lock(mutex);
        if (!answered.wait_for(lock, std::chrono::seconds(std::max(giveUpSeconds, 0)),
                               [&] { return done; })) {
            gaveUp = true;
            lock.unlock();
            try {
                dialog->endExecute();
            } catch (const css::uno::Exception&) {
            }
        }
    });
    sal_Int16 result = 0;
    try {
        result = dialog->execute();
    } catch (const css::uno::Exception&) {
    }
    {
        std::lock_guard lock(mutex);
        done = true;
    }
    answered.notify_all();
    timer.join();
    try {
        Reference<css::lang::XComponent>(dialog, UNO_QUERY_THROW)->dispose();
    } catch (const css::uno::Exception&) {
    }
    if (gaveUp || result == 0) {
        return u"gave up";
    }
    return u"按钮：OK";
}

void WriterDocuments::quitOffice() {
    impl_->call([](WriterConnection& connection) {
        for (const auto& document : openDocuments(connection)) {
            if (Reference<css::util::XModifiable> modifiable(document.model, UNO_QUERY);
                modifiable.is()) {
                modifiable->setModified(false);
            }
            Reference<css::util::XCloseable>(document.model, UNO_QUERY_THROW)->close(true);
        }
        try {
            connection.desktop->terminate();
        } catch (const css::lang::DisposedException&) {
            // The bridge goes with the office: the expected end of this call.
        }
    });
}

std::optional<std::u16string> WriterDocuments::frontBodyText() const {
    return impl_->query([](WriterConnection& connection) -> std::optional<std::u16string> {
        auto story = wordStoryText(textsOf(bodyParagraphs(documentFor(connection, u""))));
        // Word's body element shows no final mark, and its paragraph marks as line feeds.
        story.pop_back();
        std::replace(story.begin(), story.end(), u'\r', u'\n');
        return story;
    });
}

std::optional<std::pair<std::int64_t, std::int64_t>> WriterDocuments::frontSelectedRange() const {
    return impl_->query(
        [](WriterConnection& connection) -> std::optional<std::pair<std::int64_t, std::int64_t>> {
            const auto document = documentFor(connection, u"");
            const auto viewCursor = viewCursorOf(document);
            if (storyOf(document, viewCursor) != WriterStory::body) {
                return std::nullopt;
            }
            const auto paragraphs = bodyParagraphs(document);
            auto start = storyOffsetOfPosition(document, paragraphs, viewCursor->getStart());
            auto end = storyOffsetOfPosition(document, paragraphs, viewCursor->getEnd());
            if (end < start) {
                std::swap(start, end);
            }
            return std::pair{start, end - start};
        });
}

std::optional<std::u16string> WriterDocuments::frontTextRange(std::int64_t location,
                                                              std::int64_t length) const {
    const auto text = frontBodyText();
    if (!text || location < 0 || length < 0 ||
        location + length > static_cast<std::int64_t>(text->size())) {
        return std::nullopt;
    }
    return text->substr(static_cast<std::size_t>(location), static_cast<std::size_t>(length));
}

std::optional<std::int64_t> WriterDocuments::frontCharacterCount() const {
    const auto text = frontBodyText();
    if (!text) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(text->size());
}

std::optional<std::u16string> WriterDocuments::frontWindowTitle() const {
    return impl_->query([](WriterConnection& connection) -> std::optional<std::u16string> {
        Reference<frame::XTitle> title(documentFor(connection, u"").frame, UNO_QUERY);
        if (!title.is()) {
            return std::nullopt;
        }
        return fromOUString(title->getTitle());
    });
}

bool WriterDocuments::frontCursorInBody() const {
    return impl_
        ->query([](WriterConnection& connection) -> std::optional<bool> {
            const auto document = documentFor(connection, u"");
            return storyOf(document, viewCursorOf(document)) == WriterStory::body;
        })
        .value_or(false);
}

} // namespace plumeo
