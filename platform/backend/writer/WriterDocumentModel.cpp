#include "platform/backend/writer/WriterDocumentModel.h"

#include <algorithm>
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
namespace plumeo::writermodel {

using css::uno::Any;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using css::uno::XInterface;
namespace text = css::text;
namespace frame = css::frame;
namespace container = css::container;
namespace beans = css::beans;

namespace {

void appendParagraphs(const Reference<XInterface>& textObject, std::vector<BodyParagraph>& out) {
    Reference<container::XEnumerationAccess> access(textObject, UNO_QUERY_THROW);
    auto elements = access->createEnumeration();
    while (elements->hasMoreElements()) {
        const Any element = elements->nextElement();
        Reference<text::XTextTable> table(element, UNO_QUERY);
        if (table.is()) {
            // Cells in reading order, each cell's paragraphs as paragraphs of the story.
            for (const auto& name : table->getCellNames()) {
                appendParagraphs(Reference<XInterface>(table->getCellByName(name), UNO_QUERY), out);
            }
            continue;
        }
        Reference<text::XTextRange> range(element, UNO_QUERY);
        if (range.is()) {
            out.push_back({range, {fromOUString(range->getString())}});
        }
    }
}

bool isSet(const Reference<beans::XPropertySet>& properties, const char* name) {
    try {
        return properties->getPropertyValue(rtl::OUString::createFromAscii(name)).hasValue();
    } catch (const css::uno::Exception&) {
        return false;
    }
}

} // namespace

std::string utf8(const rtl::OUString& text) {
    return rtl::OUStringToOString(text, RTL_TEXTENCODING_UTF8).getStr();
}

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
            Reference<css::style::XStyleFamiliesSupplier> families(document.model, UNO_QUERY_THROW);
            Reference<container::XNameAccess> pageStyles(
                families->getStyleFamilies()->getByName("PageStyles"), UNO_QUERY_THROW);
            Reference<beans::XPropertySet> style(pageStyles->getByName(styleName), UNO_QUERY_THROW);
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
            (sectionProperties->getPropertyValue("IsProtected") >>= isProtected) && isProtected) {
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

} // namespace plumeo::writermodel
