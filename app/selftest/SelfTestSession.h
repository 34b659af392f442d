#pragma once

#include "app/selftest/TappingSink.h"
#include "core/engine/TypingEngine.h"
#include "core/text/PreparedText.h"
#include "platform/ax/WordDocumentReader.h"
#include "platform/ax/WordTargetGuard.h"

#include <memory>
#include <string>
#include <vector>

namespace plumeo::selftest {

/// One typing case while it runs: the engine, its instrumented sink and the document it types
/// into, with what that document held before.
struct SelfTestSession {
    std::shared_ptr<TypingEngine> engine;
    std::shared_ptr<TappingSink> sink;
    std::string docName;
    std::u16string startContent;
    int insertion = 0;
    PreparedText text;
    double startedAt = 0;
    std::vector<std::shared_ptr<WordTargetGuard>> guards;
    std::shared_ptr<DocumentReader> reader;

    /// The start content with the whole article inserted at the insertion point.
    std::u16string expectedDocument() const;
    /// The start content with the units the engine reports as landed.
    std::u16string expectedForLanded() const;
};

} // namespace plumeo::selftest
