// Builds without X11: no backend shows on an X display.

#include "app/selftest/SelfTestDesktop.h"

namespace plumeo::selftest {

std::shared_ptr<SelfTestDesktop> makeXSelfTestDesktop(const BackendHandle&) {
    return nullptr;
}

} // namespace plumeo::selftest
