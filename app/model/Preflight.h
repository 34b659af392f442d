#pragma once

// The checks between the countdown and the first key: run on the model's background queue,
// they re-read the target in Word and build the session's ports.

#include "app/model/TargetInfo.h"
#include "platform/backend/PlatformBackend.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>

namespace plumeo {

class CGKeySink;
class InputSourceController;
class WordBridge;
class WordDocumentReader;
class WordTargetGuard;

/// How long the model waits for Word to come to the front, and how often it looks.
struct FrontWait {
    double timeoutSeconds = 3.0;
    double pollSeconds = 0.05;
};

/// Polls until Word's pid has the system's keyboard focus; false when the time ran out.
bool waitForWordInFront(PlatformBackend& backend, std::int32_t pid, const FrontWait& wait);

/// An input source switched for the session, to restore when it stops.
struct InputSourceSwitch {
    std::string restoreID;
    std::string note;
};

/// While an input method is current and switching is wanted: selects the first plain ASCII
/// layout. Nothing when no switch was needed or possible.
std::optional<InputSourceSwitch> switchToASCIILayout(const InputSourceController& sources);

struct PreflightInput {
    std::shared_ptr<PlatformBackend> backend;
    std::shared_ptr<WordBridge> bridge;
    std::shared_ptr<InputSourceController> inputSources;
    TargetInfo target;
    bool switchToASCII = false;
    bool backgroundTyping = true;
    FrontWait frontWait;
};

/// Everything engine creation needs.
struct PreflightPass {
    std::shared_ptr<WordBridge> sessionBridge; ///< Bound to the target document.
    std::shared_ptr<WordDocumentReader> reader;
    std::shared_ptr<WordTargetGuard> guardian;
    std::shared_ptr<CGKeySink> sink;
    std::u16string initialContent;
    std::optional<InputSourceSwitch> inputSwitch;
    std::uint64_t seed = 1;
};

/// A pass, or the text that abandons the start. Blocks on Word; never call it on the main
/// thread.
std::variant<PreflightPass, std::string> runPreflight(const PreflightInput& input);

/// A random value in 1 ... 2^64-1.
std::uint64_t randomNonZeroSeed();

} // namespace plumeo
