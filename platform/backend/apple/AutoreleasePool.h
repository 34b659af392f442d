#pragma once

#include <functional>
#include <optional>
#include <type_traits>
#include <utility>

namespace plumeo::apple {

/// Runs `body` inside an autorelease pool of its own (AutoreleasePool.mm), so that the
/// threads calling the backend, which drain none, never collect Objective-C objects that
/// Apple's frameworks autorelease inside a C call.
void runInAutoreleasePool(const std::function<void()>& body);

template <typename Body> auto inAutoreleasePool(Body&& body) {
    using Result = decltype(body());
    if constexpr (std::is_void_v<Result>) {
        runInAutoreleasePool(body);
    } else {
        std::optional<Result> result;
        runInAutoreleasePool([&] { result.emplace(body()); });
        return std::move(*result);
    }
}

} // namespace plumeo::apple
