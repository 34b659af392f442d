#pragma once

#include "core/engine/DocumentReader.h"

#include <atomic>
#include <memory>

namespace plumeo::selftest {

/// A document reader whose whole-document read can be made to fail on purpose, to see that a
/// failed final read-back is never shown as verified.
class FaultInjectingReader final : public DocumentReader {
public:
    static constexpr int injectedErrorCode = -9999;

    explicit FaultInjectingReader(std::shared_ptr<DocumentReader> inner);

    /// Without an inner reader these two are a programming error (std::logic_error).
    DocState state() override;
    std::u16string read(int start, int end) override;
    std::u16string readAll() override;
    bool readsAreFaithful() const override;

    void setFailReadAll(bool fail) { failReadAll_.store(fail); }

private:
    DocumentReader& inner() const;

    std::shared_ptr<DocumentReader> inner_;
    std::atomic<bool> failReadAll_{false};
};

} // namespace plumeo::selftest
