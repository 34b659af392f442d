#include "platform/backend/writer/WriterDocuments.h"

#include "platform/backend/writer/WriterDocumentModel.h"
#include "platform/backend/writer/WriterOffice.h"
#include "platform/backend/writer/WriterTextMapping.h"

#include <algorithm>
#include <chrono>
#include <com/sun/star/awt/PushButtonType.hpp>
#include <com/sun/star/awt/Toolkit.hpp>
#include <com/sun/star/awt/XControl.hpp>
#include <com/sun/star/awt/XControlContainer.hpp>
#include <com/sun/star/awt/XControlModel.hpp>
#include <com/sun/star/awt/XDialog.hpp>
#include <com/sun/star/awt/XTopWindow.hpp>
#include <com/sun/star/awt/XWindow.hpp>
#include <com/sun/star/awt/XWindowPeer.hpp>
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
#include <condition_variable>
#include <osl/file.hxx>
#include <thread>
namespace plumeo {

using css::uno::Any;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
namespace text = css::text;
namespace frame = css::frame;
namespace container = css::container;
namespace beans = css::beans;
using namespace writermodel;

namespace {

constexpr std::int32_t notRunning = -600;
constexpr std::int32_t connectionInvalid = -609;
constexpr std::int32_t handlerFailed = -10000;
/// The section setReadOnly wraps the body in.
constexpr char16_t protectionSectionName[] = u"PlumeoProtection";

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
        flags.smartQuotes = whileTyping && (flag(common, "ReplaceDoubleQuote") ||
                                            flag(common, "ReplaceSingleQuote"));
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
        body->insertTextContent(Reference<text::XTextRange>(whole, UNO_QUERY_THROW), section, true);
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
        Reference<css::document::XRedlinesSupplier> supplier(documentFor(connection, key).model,
                                                             UNO_QUERY_THROW);
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
        button->setPropertyValue("PushButtonType", Any(sal_Int16(css::awt::PushButtonType_OK)));
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
        control->createPeer(Reference<css::awt::XToolkit>(
                                css::awt::Toolkit::create(connection.context), UNO_QUERY_THROW),
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

std::optional<std::u16string> WriterDocuments::frontTextBeforeCursor(std::int16_t count) const {
    return impl_->query([count](WriterConnection& connection) -> std::optional<std::u16string> {
        const auto viewCursor = viewCursorOf(documentFor(connection, u""));
        auto cursor = viewCursor->getText()->createTextCursorByRange(viewCursor->getStart());
        cursor->goLeft(count, true);
        return fromOUString(cursor->getString());
    });
}

} // namespace plumeo
