#include "platform/backend/writer/WriterConnection.h"

#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <osl/file.hxx>
#include <rtl/bootstrap.hxx>

namespace plumeo {

using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;
using css::uno::XComponentContext;

namespace {

/// The local UNO runtime: bootstrapped once per process, as UNO allows only one. The office's
/// own type library is added so the bridge can carry its types.
Reference<XComponentContext> localContext(const std::string& programDirectory, std::string& error) {
    static std::once_flag once;
    static Reference<XComponentContext> context;
    static std::string failure;
    std::call_once(once, [&] {
        try {
            rtl::OUString programUrl;
            if (osl::FileBase::getFileURLFromSystemPath(toOUString(programDirectory), programUrl) !=
                osl::FileBase::E_None) {
                failure = "bad program directory " + programDirectory;
                return;
            }
            rtl::Bootstrap::set("URE_MORE_TYPES", programUrl + "/types/offapi.rdb");
            context = cppu::defaultBootstrap_InitialComponentContext(programUrl + "/unorc");
        } catch (const css::uno::Exception& exception) {
            failure = rtl::OUStringToOString(exception.Message, RTL_TEXTENCODING_UTF8).getStr();
        }
    });
    if (!context.is()) {
        error = "UNO bootstrap failed: " + failure;
    }
    return context;
}

} // namespace

std::shared_ptr<WriterConnection> connectToOffice(const std::string& programDirectory,
                                                  const std::string& pipeName, std::string& error) {
    const auto local = localContext(programDirectory, error);
    if (!local.is()) {
        return nullptr;
    }
    try {
        auto resolver = css::bridge::UnoUrlResolver::create(local);
        auto remote = resolver->resolve(
            toOUString("uno:pipe,name=" + pipeName + ";urp;StarOffice.ComponentContext"));
        Reference<XComponentContext> context(remote, UNO_QUERY_THROW);
        auto desktop = css::frame::Desktop::create(context);
        return std::make_shared<WriterConnection>(context, desktop);
    } catch (const css::connection::NoConnectException&) {
        error = "no answer on pipe " + pipeName;
    } catch (const css::uno::Exception& exception) {
        error = rtl::OUStringToOString(exception.Message, RTL_TEXTENCODING_UTF8).getStr();
    }
    return nullptr;
}

std::u16string fromOUString(const rtl::OUString& text) {
    // sal_Unicode is a 16-bit integer type in the SDK's public headers, not char16_t.
    return std::u16string(reinterpret_cast<const char16_t*>(text.getStr()),
                          static_cast<std::size_t>(text.getLength()));
}

rtl::OUString toOUString(std::u16string_view text) {
    return rtl::OUString(reinterpret_cast<const sal_Unicode*>(text.data()),
                         static_cast<sal_Int32>(text.size()));
}

rtl::OUString toOUString(std::string_view utf8) {
    return rtl::OStringToOUString(rtl::OString(utf8.data(), static_cast<sal_Int32>(utf8.size())),
                                  RTL_TEXTENCODING_UTF8);
}

} // namespace plumeo
