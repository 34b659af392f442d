#include "platform/backend/writer/WriterUnoLink.h"

#include "platform/backend/writer/WriterBackend.h"


#include <X11/X.h>
#include <X11/keysym.h>

#include <stdexcept>
#include <unistd.h>

namespace plumeo {

WriterUnoLink::WriterUnoLink(const WriterEnvironmentOptions& options) {
    XDisplaySession::Options displayOptions;
    displayOptions.display = options.display;
    displayOptions.forceVirtual = options.virtualDisplay;
    display_ = std::make_unique<XDisplaySession>(displayOptions);

    WriterOfficeOptions officeOptions;
    officeOptions.display = display_->display();
    officeOptions.profile.autoCorrect =
        options.autoCorrectOff ? AutoCorrectPreset::allOff : AutoCorrectPreset::writerDefaults;
    officeOptions.profileDirectory = options.profileDirectory;
    if (officeOptions.profileDirectory.empty()) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "plumeo-writer-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("无法创建 LibreOffice 的配置目录");
        temporaryProfile_ = pattern;
        officeOptions.profileDirectory = temporaryProfile_;
    }
    office_ = std::make_shared<WriterOffice>(officeOptions);
    if (auto failure = office_->start())
        throw std::runtime_error(failure->message);
    documents_ = std::make_shared<WriterDocuments>(office_);
    scripting_ = std::make_unique<WriterScripting>(documents_);
    if (options.openDocument) {
        try {
            if (documents_->documents().empty())
                documents_->newDocument();
        } catch (const WriterCallError& error) {
            throw std::runtime_error(std::string("LibreOffice 无法新建文档：") + error.what());
        }
    }
}

WriterUnoLink::~WriterUnoLink() {
    scripting_.reset();
    documents_.reset();
    if (office_)
        office_->stop();
    office_.reset();
    display_.reset();
    if (!temporaryProfile_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(temporaryProfile_, ignored);
    }
}

std::optional<std::u16string> WriterUnoLink::bodyText() { return documents_->frontBodyText(); }

std::optional<std::int64_t> WriterUnoLink::bodyLength() {
    return documents_->frontCharacterCount();
}

std::optional<std::u16string> WriterUnoLink::bodyRange(AXTextRange range) {
    return documents_->frontTextRange(range.location, range.length);
}

std::optional<AXTextRange> WriterUnoLink::selection() {
    const auto range = documents_->frontSelectedRange();
    if (!range)
        return std::nullopt;
    return AXTextRange{range->first, range->second};
}

bool WriterUnoLink::cursorInBody() { return documents_->frontCursorInBody(); }

std::optional<std::u16string> WriterUnoLink::frontWindowTitle() {
    return documents_->frontWindowTitle();
}

std::optional<std::u16string> WriterUnoLink::textBeforeCursor(std::int16_t count) {
    return documents_->frontTextBeforeCursor(count);
}

ScriptCompilation WriterUnoLink::compileScript(const std::string& source) {
    return scripting_->compile(source);
}

bool WriterUnoLink::waitsForUser(const CompiledScript& script, std::string_view handlerName) {
    return WriterScripting::waitsForUser(script, handlerName);
}

ScriptResult WriterUnoLink::executeHandler(CompiledScript& script, std::string_view handlerName,
                                           const std::vector<ScriptParameter>& parameters) {
    return scripting_->execute(script, handlerName, parameters);
}

bool WriterUnoLink::startOffice() { return !office_->start().has_value(); }

std::optional<std::int32_t> WriterUnoLink::officePid() {
    const auto pid = office_->pid();
    return pid ? std::optional<std::int32_t>(*pid) : std::nullopt;
}

std::shared_ptr<PlatformBackend> makeWriterBackend(const WriterEnvironmentOptions& options) {
    auto link = std::make_shared<WriterUnoLink>(options);
    WriterBackend::Options backendOptions;
    // Writer's own Unicode notation toggle types every character exactly; see XKeyTyper.
    backendOptions.typing.notationToggle = std::make_pair(KeySym{XK_x}, unsigned{Mod1Mask});
    backendOptions.typing.pressSpacing = std::chrono::milliseconds(1);
    const std::string display = link->display();
    return std::make_shared<WriterBackend>(display, std::move(link), backendOptions);
}

std::string writerBackendDisplay(const PlatformBackend& backend) {
    const auto* writer = dynamic_cast<const WriterBackend*>(&backend);
    return writer ? writer->displayName() : std::string();
}

} // namespace plumeo
