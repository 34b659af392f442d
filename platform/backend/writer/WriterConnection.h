#pragma once

// The UNO half of the Writer backend; only this folder's sources include it.

#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/uno/Reference.hxx>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace plumeo {

/// A live URP connection to one soffice: its component context and desktop. Calls are
/// serialised through `mutex`, so a script call and an Accessibility-side query never
/// interleave their round trips.
class WriterConnection {
public:
    WriterConnection(css::uno::Reference<css::uno::XComponentContext> context,
                     css::uno::Reference<css::frame::XDesktop2> desktop)
        : context(std::move(context)), desktop(std::move(desktop)) {}

    std::recursive_mutex mutex;
    const css::uno::Reference<css::uno::XComponentContext> context;
    const css::uno::Reference<css::frame::XDesktop2> desktop;
};

/// Connects to the office listening on UNO pipe `pipeName`, the local UNO runtime bootstrapped
/// (once per process) from the office's program directory. Empty when the office does not
/// answer (yet); `error` then says why.
std::shared_ptr<WriterConnection> connectToOffice(const std::string& programDirectory,
                                                  const std::string& pipeName, std::string& error);

/// A UNO string as UTF-16 and back.
std::u16string fromOUString(const rtl::OUString& text);
rtl::OUString toOUString(std::u16string_view text);
rtl::OUString toOUString(std::string_view utf8);

} // namespace plumeo
