#pragma once

#include "platform/backend/PlatformBackend.h"

#include <exception>
#include <optional>
#include <thread>
#include <type_traits>
#include <utility>

namespace plumeo {

/// Runs `work` on a worker thread while the calling thread, which must be the main thread,
/// turns the backend's main run loop: how a headless mode works, since macOS serves hops to
/// the main thread, hot keys and workspace notifications only while that loop turns. Returns
/// what `work` returned, or rethrows what it threw.
template <typename Work> auto runBesideMainLoop(PlatformBackend& backend, Work work) {
    using Result = std::invoke_result_t<Work&>;
    std::optional<std::conditional_t<std::is_void_v<Result>, bool, Result>> result;
    std::exception_ptr failure;
    // Claimed before the worker starts: its first hop must wait for the loop, not run on it.
    backend.claimMainThread();
    std::thread worker([&] {
        try {
            if constexpr (std::is_void_v<Result>) {
                work();
                result = true;
            } else {
                result = work();
            }
        } catch (...) {
            failure = std::current_exception();
        }
        // A stop asked for before the loop starts still ends it.
        backend.stopMainLoop();
    });
    backend.runMainLoop();
    worker.join();
    if (failure)
        std::rethrow_exception(failure);
    if constexpr (!std::is_void_v<Result>)
        return std::move(*result);
}

} // namespace plumeo
