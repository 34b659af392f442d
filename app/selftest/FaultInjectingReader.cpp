#include "app/selftest/FaultInjectingReader.h"

#include "core/engine/ReadError.h"

#include <stdexcept>

namespace plumeo::selftest {

FaultInjectingReader::FaultInjectingReader(std::shared_ptr<DocumentReader> inner)
    : inner_(std::move(inner)) {}

DocumentReader& FaultInjectingReader::inner() const {
    if (!inner_)
        throw std::logic_error("FaultInjectingReader used without an inner reader");
    return *inner_;
}

DocState FaultInjectingReader::state() {
    return inner().state();
}

std::u16string FaultInjectingReader::read(int start, int end) {
    return inner().read(start, end);
}

std::u16string FaultInjectingReader::readAll() {
    if (failReadAll_.load())
        throw ReadError::failed(injectedErrorCode, "自检注入的读回故障");
    return inner().readAll();
}

bool FaultInjectingReader::readsAreFaithful() const {
    return inner_ && inner_->readsAreFaithful();
}

} // namespace plumeo::selftest
