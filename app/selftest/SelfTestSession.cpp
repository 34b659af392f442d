#include "app/selftest/SelfTestSession.h"

namespace plumeo::selftest {

std::u16string SelfTestSession::expectedDocument() const {
    std::u16string expected = startContent;
    expected.insert(static_cast<std::size_t>(insertion),
                    text.wordString(0, static_cast<int>(text.units.size())));
    return expected;
}

std::u16string SelfTestSession::expectedForLanded() const {
    return engine->expectedDocumentForSent();
}

} // namespace plumeo::selftest
