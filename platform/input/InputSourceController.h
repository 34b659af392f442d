#pragma once

#include "platform/backend/PlatformBackend.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace plumeo {

/// Lists, describes and selects keyboard input sources, so that an input method can be set
/// aside for plain layout typing and restored afterwards. Every system call runs on the main
/// thread; called elsewhere, the call hops there synchronously.
class InputSourceController {
public:
    struct SourceInfo {
        std::string id;
        std::string name; ///< The localised name, or the id when there is none.
        bool isASCIICapable = false;
        /// Anything that is not a plain keyboard layout (a missing type counts as one).
        bool isInputMethod = false;

        bool operator==(const SourceInfo&) const = default;
    };

    explicit InputSourceController(std::shared_ptr<PlatformBackend> backend);

    /// The current keyboard input source; all fields empty or false when there is none.
    SourceInfo current() const;
    /// Enabled, selectable sources in the system's order, without the character viewer and
    /// the accent press-and-hold source; empty when the system gives no list.
    std::vector<SourceInfo> enabledSources() const;
    /// Selects the source with this id; false when none has it or selection fails.
    bool select(const std::string& id) const;
    /// The first enabled plain keyboard layout that types ASCII: what to switch to while an
    /// input method is current.
    std::optional<SourceInfo> firstASCIIKeyboardLayout() const;

private:
    std::shared_ptr<PlatformBackend> backend_;
};

} // namespace plumeo
