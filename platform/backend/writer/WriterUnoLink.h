#pragma once

#include "platform/backend/writer/WriterBackendFactory.h"
#include "platform/backend/writer/WriterDocuments.h"
#include "platform/backend/writer/WriterOffice.h"
#include "platform/backend/writer/WriterOfficeLink.h"
#include "platform/backend/writer/WriterScripting.h"
#include "platform/backend/writer/XDisplaySession.h"

#include <memory>

namespace plumeo {

/// The real office link: the display and the LibreOffice it started, Writer's document model
/// for the Accessibility answers and the handler libraries through UNO. Destroyed after the
/// backend's X connections, it stops the office and then the display.
class WriterUnoLink : public WriterOfficeLink {
public:
    /// Throws std::runtime_error (message for the user) when the display or office cannot
    /// start.
    explicit WriterUnoLink(const WriterEnvironmentOptions& options);
    ~WriterUnoLink() override;

    const std::string& display() const { return display_->display(); }
    WriterOffice& office() { return *office_; }
    WriterDocuments& documents() { return *documents_; }

    std::optional<std::u16string> bodyText() override;
    std::optional<std::int64_t> bodyLength() override;
    std::optional<std::u16string> bodyRange(AXTextRange range) override;
    std::optional<AXTextRange> selection() override;
    bool cursorInBody() override;
    std::optional<std::u16string> frontWindowTitle() override;
    std::optional<std::u16string> textBeforeCursor(std::int16_t count) override;
    ScriptCompilation compileScript(const std::string& source) override;
    bool waitsForUser(const CompiledScript& script, std::string_view handlerName) override;
    ScriptResult executeHandler(CompiledScript& script, std::string_view handlerName,
                                const std::vector<ScriptParameter>& parameters) override;
    bool startOffice() override;
    std::optional<std::int32_t> officePid() override;

private:
    std::filesystem::path temporaryProfile_;
    std::unique_ptr<XDisplaySession> display_;
    std::shared_ptr<WriterOffice> office_;
    std::shared_ptr<WriterDocuments> documents_;
    std::unique_ptr<WriterScripting> scripting_;
};

} // namespace plumeo
