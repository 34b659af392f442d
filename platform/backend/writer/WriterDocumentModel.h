#pragma once

// Writer's document model read the way Word's answers need it; the UNO half of
// WriterDocuments, for this folder's sources only.

#include "platform/backend/writer/WriterConnection.h"
#include "platform/backend/writer/WriterDocuments.h"
#include "platform/backend/writer/WriterTextMapping.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <com/sun/star/text/XTextViewCursor.hpp>
#include <cstdint>
#include <string>
#include <vector>

namespace plumeo::writermodel {

using css::uno::Reference;

/// Word's error number for a document or object that does not exist.
constexpr std::int32_t noSuchObject = -1728;

std::string utf8(const rtl::OUString& text);

/// One open text document and the frame that shows it.
struct OpenDocument {
    Reference<css::frame::XFrame> frame;
    Reference<css::frame::XModel> model;
    Reference<css::text::XTextDocument> textDocument;
    WriterDocumentInfo info;
};

/// A paragraph of the body with the range it came from, so offsets can be turned into
/// cursor positions in the right text (the body's, or a table cell's).
struct BodyParagraph {
    Reference<css::text::XTextRange> range;
    WriterParagraph paragraph;
};

WriterDocumentInfo infoOf(const Reference<css::frame::XModel>& model);
/// The open text documents, the front one first, as Word lists them.
std::vector<OpenDocument> openDocuments(WriterConnection& connection);
/// The document `key` names (its path, else its name; empty: the front one). Throws
/// WriterCallError(-1728) when there is none.
OpenDocument documentFor(WriterConnection& connection, const std::u16string& key);
/// The body's paragraphs in reading order, table cells' paragraphs included.
std::vector<BodyParagraph> bodyParagraphs(const OpenDocument& document);
std::vector<WriterParagraph> textsOf(const std::vector<BodyParagraph>& paragraphs);
Reference<css::text::XTextViewCursor> viewCursorOf(const OpenDocument& document);
/// The story offset (UTF-16 units) of a position in the body.
std::int64_t storyOffsetOfPosition(const OpenDocument& document,
                                   const std::vector<BodyParagraph>& paragraphs,
                                   const Reference<css::text::XTextRange>& position);
WriterStory storyOf(const OpenDocument& document,
                    const Reference<css::text::XTextViewCursor>& viewCursor);
bool inProtectedSection(const Reference<css::text::XTextViewCursor>& viewCursor);
bool isReadOnly(const OpenDocument& document);
/// Read access to one node of the office's configuration.
Reference<css::container::XNameAccess> configuration(WriterConnection& connection,
                                                     const char* nodePath);
/// A Boolean below `node` by hierarchical name; false when absent.
bool flag(const Reference<css::container::XNameAccess>& node, const char* name);
/// Appends Word-style text (U+000D paragraph, U+000B line break) at the end of `text`.
void insertWordText(const Reference<css::text::XText>& text, const std::u16string& content);

} // namespace plumeo::writermodel
