#pragma once

#include "platform/backend/PlatformBackend.h"
#include "platform/script/ScriptError.h"
#include "platform/script/ThreadJobQueue.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace plumeo {

/// Whether a runner keeps its compiled library between calls.
enum class ScriptInstancePolicy {
    reuseCompiled, ///< compile on the first call, reuse the result for every later one
    freshPerCall,  ///< compile anew for every call, so no script state survives a call
};

/// Owns one handler library and calls its handlers by name on a thread of its own, so the
/// calls of one runner never overlap and the compiled script stays on the thread that uses it.
/// Any thread may call; each caller blocks until its call has run, in arrival order.
class ScriptRunner {
public:
    ScriptRunner(std::shared_ptr<PlatformBackend> backend, std::string source,
                 std::string threadName, ScriptInstancePolicy policy);
    ~ScriptRunner();

    ScriptRunner(const ScriptRunner&) = delete;
    ScriptRunner& operator=(const ScriptRunner&) = delete;

    /// Calls `handler` (any case) with integer parameters. Throws ScriptError; an integer
    /// outside the signed 32-bit range is refused before anything is sent.
    ScriptDescriptor call(std::string_view handler, const std::vector<std::int64_t>& ints);
    /// Calls `handler` with every string first, then every integer, in order.
    ScriptDescriptor call(std::string_view handler, const std::vector<std::u16string>& strings,
                          const std::vector<std::int64_t>& ints);

    const std::string& threadName() const { return queue_.name(); }
    ScriptInstancePolicy policy() const { return policy_; }

private:
    // Runs on the worker thread only.
    ScriptDescriptor execute(const std::string& handler,
                             const std::vector<ScriptParameter>& parameters);

    const std::shared_ptr<PlatformBackend> backend_;
    const std::string source_;
    const ScriptInstancePolicy policy_;
    std::unique_ptr<CompiledScript> script_; // touched only by the worker thread
    ThreadJobQueue queue_; // last: its worker must stop before the members above go away
};

} // namespace plumeo
