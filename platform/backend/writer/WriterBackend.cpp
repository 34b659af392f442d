#include "platform/backend/writer/WriterBackend.h"

#include "core/text/Utf16.h"
#include "platform/backend/writer/WriterKeys.h"

#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fstream>
#include <sys/utsname.h>
#include <unistd.h>

namespace plumeo {

namespace {

constexpr std::string_view officeProcessName = "soffice.bin";
constexpr std::string_view officeDisplayName = "LibreOffice Writer";
/// paramErr: what selecting an input source this desktop does not have answers.
constexpr std::int32_t parameterError = -50;

class WriterKeyboardEvent : public KeyboardEvent {
public:
    explicit WriterKeyboardEvent(KeyEventSpec spec) : spec_(std::move(spec)) {}
    const KeyEventSpec& spec() const override { return spec_; }

private:
    KeyEventSpec spec_;
};

std::string processName(std::int32_t pid) {
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(comm, name);
    return name;
}

std::u32string codePoints(const std::u16string& text) {
    std::u32string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (unit >= 0xd800 && unit <= 0xdbff && i + 1 < text.size() && text[i + 1] >= 0xdc00 &&
            text[i + 1] <= 0xdfff) {
            result.push_back(0x10000 + ((unit - 0xd800) << 10) + (text[i + 1] - 0xdc00));
            ++i;
        } else {
            // A lone surrogate stays one, and typeText refuses it.
            result.push_back(unit);
        }
    }
    return result;
}

/// The XKB layout's name from the root window (_XKB_RULES_NAMES: rules, model, layout, ...).
std::string keyboardLayoutName(const std::string& displayName) {
    XConnection connection(displayName);
    std::lock_guard lock(connection.mutex());
    const auto names = connection.bytes(connection.root(), "_XKB_RULES_NAMES").value_or("");
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= names.size()) {
        const auto end = names.find('\0', start);
        parts.push_back(names.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return parts.size() > 2 && !parts[2].empty() ? parts[2] : "us";
}

/// Each character typed through Writer's notation toggle waits until the document shows its
/// spelled number whole, and then converted. A wait that runs out lets typing go on: the
/// engine's read-back then finds what went wrong.
XKeyTyper::Options typingFor(XKeyTyper::Options typing,
                             const std::shared_ptr<WriterOfficeLink>& office) {
    if (!typing.notationToggle || typing.waitForApplication || !office)
        return typing;
    typing.waitForApplication = [link = std::weak_ptr<WriterOfficeLink>(office)](
                                    const std::string& spelled, bool toggled) {
        const auto office = link.lock();
        if (!office)
            return;
        const std::u16string expected(spelled.begin(), spelled.end());
        // A busy office can take a while; toggling before it shows the whole number would
        // convert a part of it into another character.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            const auto before =
                office->textBeforeCursor(static_cast<std::int16_t>(expected.size()));
            if (before && (*before == expected) != toggled)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    };
    return typing;
}

} // namespace

WriterBackend::WriterBackend(const std::string& displayName,
                             std::shared_ptr<WriterOfficeLink> office, Options options)
    : displayName_(displayName), office_(std::move(office)), options_(options),
      desktop_(displayName), typer_(displayName, typingFor(options.typing, office_)),
      input_(displayName) {
    watcher_ = std::thread([this] { watch(); });
}

WriterBackend::~WriterBackend() {
    stopping_ = true;
    watcher_.join();
}

// -- Key events ---------------------------------------------------------------------------------

std::unique_ptr<KeyboardEvent> WriterBackend::createKeyboardEvent(const KeyEventSpec& spec) {
    if (spec.unicode.empty() && !keysymForVirtualKey(spec.virtualKey))
        return nullptr;
    return std::make_unique<WriterKeyboardEvent>(spec);
}

void WriterBackend::postKeyboardEvent(const KeyboardEvent& event,
                                      const KeyEventDestination& destination) {
    const KeyEventSpec& spec = event.spec();
    // XTest types into whatever has the focus. An event meant for one process must never land
    // in another's window, so it is dropped when that process does not hold the focus; the
    // engine's read-back then finds it missing.
    if (destination.kind == KeyEventDestination::Kind::process) {
        const auto focus = desktop_.focusedTopLevel();
        const auto info = focus ? desktop_.info(*focus) : std::nullopt;
        if (!info || info->pid != destination.pid) {
            ++dropped_;
            return;
        }
    }
    std::lock_guard delivery(deliveryMutex_);
    inputSent_ = true;
    // With Control, Option or Command held the key is a shortcut, as on a Mac, where those
    // match hot keys by key code: the grab must see the key and its modifiers, not the text.
    constexpr std::uint64_t shortcutFlags = 0x40000 | 0x80000 | 0x100000;
    if (!spec.unicode.empty() && !(spec.flags & shortcutFlags)) {
        // The characters arrive with the key-down, as a Unicode string does on a Mac.
        if (spec.keyDown)
            typer_.typeText(codePoints(spec.unicode));
        return;
    }
    // X repeats a key held past its delay, and the engine keeps a key down while it checks the
    // next one, which takes long when the office is busy: the key goes down and up with the
    // key-down, as text does, so a slow check never types a second Return.
    const auto keysym = keysymForVirtualKey(spec.virtualKey);
    if (!keysym || !spec.keyDown)
        return;
    const auto modifiers = modifiersForEventFlags(spec.flags);
    typer_.sendKey(*keysym, true, modifiers);
    typer_.sendKey(*keysym, false, modifiers);
}

double WriterBackend::secondsSinceLastEventType(EventSourceState state, std::uint32_t eventType) {
    // kCGAnyInputEventType: the newest of every kind this backend watches.
    if (eventType == 0xFFFFFFFFu) {
        double newest = systemUptime();
        for (const std::uint32_t kind : {10u, 1u, 3u, 25u})
            newest = std::min(newest, secondsSinceLastEventType(state, kind));
        return newest;
    }
    std::optional<XInputWatch::Input> input;
    switch (eventType) {
    case 10: input = XInputWatch::Input::key; break;
    case 1: input = XInputWatch::Input::leftButton; break;
    case 3: input = XInputWatch::Input::rightButton; break;
    case 25: input = XInputWatch::Input::otherButton; break;
    default: break;
    }
    // Nothing seen: as long ago as the system has run, which no window reaches.
    const double never = systemUptime();
    if (!input)
        return never;
    const auto user = input_.secondsSince(*input, false);
    const auto own = input_.secondsSince(*input, true);
    switch (state) {
    case EventSourceState::hidSystemState: return user.value_or(never);
    case EventSourceState::privateState: return own.value_or(never);
    case EventSourceState::combinedSessionState:
        return std::min(user.value_or(never), own.value_or(never));
    }
    return never;
}

// -- Scripts ------------------------------------------------------------------------------------

ScriptCompilation WriterBackend::compileScript(const std::string& source) {
    if (!office_)
        return {}; // not created: there is no office to answer it
    return office_->compileScript(source);
}

ScriptResult WriterBackend::executeHandler(CompiledScript& script, std::string_view handlerName,
                                           const std::vector<ScriptParameter>& parameters) {
    if (!office_)
        return ScriptResult::failure(-600, "LibreOffice is not running");
    // Word handles Apple events and key events in the order they came; the office reads
    // its X events on its own time, so it is given the time to catch up before it answers.
    std::unique_lock delivery(deliveryMutex_);
    absorbSentInput();
    // A dialog keeps its call open for seconds, and the guard that must notice it reads the
    // focus under this lock; such a handler reads nothing of the document.
    if (office_->waitsForUser(script, handlerName))
        delivery.unlock();
    auto result = office_->executeHandler(script, handlerName, parameters);
    if (delivery.owns_lock())
        delivery.unlock();
    followOfficeFocus();
    return result;
}

void WriterBackend::followOfficeFocus() {
    const auto title = office_->frontWindowTitle();
    if (!title)
        return;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    // When a handler brought another document to the front, Word's key window changes with
    // the call; here the window manager moves the focus a little later, and keys sent before
    // that would land in the previous document.
    while (std::chrono::steady_clock::now() < deadline) {
        const auto active = desktop_.activeWindow();
        const auto info = active ? desktop_.info(*active) : std::nullopt;
        if (!info || !isDocumentWindow(*info) || toUtf16(info->title) == *title)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void WriterBackend::absorbSentInput() {
    if (!office_ || !inputSent_.exchange(false))
        return;
    typer_.sync();
    // The office's own loop handles the keys; running its loop from here (a UNO call on
    // another thread) would handle later keys beside the main thread's earlier ones, out of
    // order. The text before the cursor standing still for a few reads says it is done.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    auto last = office_->textBeforeCursor(16);
    for (int steady = 0; steady < 3 && std::chrono::steady_clock::now() < deadline;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(15));
        auto now = office_->textBeforeCursor(16);
        steady = now == last ? steady + 1 : 0;
        last = std::move(now);
    }
}

// -- Applications -------------------------------------------------------------------------------

std::vector<std::int32_t> WriterBackend::officePids() const {
    std::vector<std::int32_t> pids;
    if (!office_)
        return pids;
    // Only the office this backend speaks to: another on the machine is not its Word.
    if (const auto pid = office_->officePid(); pid && processName(*pid) == officeProcessName)
        pids.push_back(*pid);
    return pids;
}

std::vector<RunningApp> WriterBackend::runningApplications(std::string_view bundleIdentifier) {
    std::vector<RunningApp> apps;
    if (bundleIdentifier != wordBundleID)
        return apps;
    for (std::int32_t pid : officePids())
        apps.push_back({pid, std::string(wordBundleID), std::string(officeDisplayName)});
    return apps;
}

std::optional<RunningApp> WriterBackend::runningApplication(std::int32_t pid) {
    if (pid <= 0 || !processExists(pid))
        return std::nullopt;
    const std::string name = processName(pid);
    const auto ours = officePids();
    if (std::find(ours.begin(), ours.end(), pid) != ours.end())
        return RunningApp{pid, std::string(wordBundleID), std::string(officeDisplayName)};
    // Other programs are named by their process; they have no bundle identifier here.
    return RunningApp{pid, "", name.empty() ? std::nullopt : std::optional<std::string>(name)};
}

std::optional<std::int32_t> WriterBackend::activePid() {
    const auto active = desktop_.activeWindow();
    const auto info = active ? desktop_.info(*active) : std::nullopt;
    return info ? info->pid : std::nullopt;
}

std::optional<RunningApp> WriterBackend::frontmostApplication() {
    const auto pid = activePid();
    return pid ? runningApplication(*pid) : std::nullopt;
}

bool WriterBackend::activateApplication(std::int32_t pid) {
    const auto window = focusedWindowOf(pid);
    return window && desktop_.requestActivation(*window);
}

bool WriterBackend::openApplication(std::string_view bundleIdentifier) {
    if (bundleIdentifier != wordBundleID || !office_)
        return false;
    return !officePids().empty() || office_->startOffice();
}

bool WriterBackend::openURL(std::string_view) { return false; }

bool WriterBackend::processExists(std::int32_t pid) { return pid > 0 && kill(pid, 0) == 0; }

ObserverToken
WriterBackend::observeApplicationTerminated(std::function<void(std::int32_t pid)> onTerminated) {
    std::lock_guard lock(callbackMutex_);
    observers_[nextToken_] = Observer{true, std::move(onTerminated)};
    return nextToken_++;
}

ObserverToken
WriterBackend::observeApplicationActivated(std::function<void(std::int32_t pid)> onActivated) {
    std::lock_guard lock(callbackMutex_);
    observers_[nextToken_] = Observer{false, std::move(onActivated)};
    return nextToken_++;
}

void WriterBackend::removeObserver(ObserverToken token) {
    std::lock_guard lock(callbackMutex_);
    observers_.erase(token);
}

void WriterBackend::watch() {
    std::set<std::int32_t> known;
    for (std::int32_t pid : officePids())
        known.insert(pid);
    std::optional<std::int32_t> front = activePid();
    const auto notify = [this](bool terminations, std::int32_t pid) {
        auto deliver = [this, terminations, pid] {
            std::lock_guard lock(callbackMutex_);
            // Copies, since a callback may remove itself (or others) while it runs.
            const auto observers = observers_;
            for (const auto& [token, observer] : observers) {
                if (observer.terminations == terminations && observers_.count(token))
                    observer.callback(pid);
            }
        };
        if (!mainLoop_.post(deliver))
            deliver();
    };
    while (!stopping_) {
        std::this_thread::sleep_for(std::chrono::duration<double>(options_.watchIntervalSeconds));
        std::set<std::int32_t> now;
        for (std::int32_t pid : officePids())
            now.insert(pid);
        for (std::int32_t pid : known) {
            if (!now.count(pid))
                notify(true, pid);
        }
        known = std::move(now);
        const auto active = activePid();
        if (active && active != front)
            notify(false, *active);
        front = active;
    }
}

// -- Hot keys -----------------------------------------------------------------------------------

std::optional<HotKeyHandlerRef> WriterBackend::installHotKeyHandler(HotKeyCallback callback) {
    std::lock_guard lock(callbackMutex_);
    hotKeyHandlers_[nextToken_] = std::move(callback);
    return nextToken_++;
}

void WriterBackend::removeHotKeyHandler(HotKeyHandlerRef handler) {
    std::lock_guard lock(callbackMutex_);
    hotKeyHandlers_.erase(handler);
}

std::optional<HotKeyRef> WriterBackend::registerHotKey(std::uint32_t keyCode,
                                                       std::uint32_t modifiers, HotKeyID id,
                                                       HotKeyOwnership) {
    const auto keysym = keysymForVirtualKey(static_cast<std::uint16_t>(keyCode));
    if (!keysym)
        return std::nullopt;
    auto pressed = [this, id] {
        auto deliver = [this, id] {
            std::lock_guard lock(callbackMutex_);
            const auto handlers = hotKeyHandlers_;
            for (const auto& [ref, handler] : handlers) {
                if (hotKeyHandlers_.count(ref))
                    handler(id);
            }
        };
        if (!mainLoop_.post(deliver))
            deliver();
    };
    std::uint64_t grab = 0;
    // X grabs are exclusive whatever was asked: a combination another client holds fails.
    if (!input_.grabKey(*keysym, modifiersForCarbon(modifiers), pressed, grab))
        return std::nullopt;
    std::lock_guard lock(callbackMutex_);
    hotKeyGrabs_[nextToken_] = grab;
    return nextToken_++;
}

void WriterBackend::unregisterHotKey(HotKeyRef ref) {
    std::uint64_t grab = 0;
    {
        std::lock_guard lock(callbackMutex_);
        const auto found = hotKeyGrabs_.find(ref);
        if (found == hotKeyGrabs_.end())
            return;
        grab = found->second;
        hotKeyGrabs_.erase(found);
    }
    input_.ungrabKey(grab);
}

// -- Input sources ------------------------------------------------------------------------------

std::optional<InputSourceInfo> WriterBackend::currentKeyboardInputSource() {
    // The one layout XTest types through; X has no input-source switching to offer here.
    const std::string layout = keyboardLayoutName(displayName_);
    InputSourceInfo info;
    info.id = "org.x.keyboard." + layout;
    info.localizedName = layout;
    info.isASCIICapable = true;
    info.type = std::string(InputSourceInfo::keyboardLayoutType);
    return info;
}

std::optional<std::vector<InputSourceInfo>>
WriterBackend::inputSourceList(const InputSourceFilter& filter) {
    auto current = currentKeyboardInputSource();
    std::vector<InputSourceInfo> list;
    if (current && (!filter.id || filter.id == current->id))
        list.push_back(*current);
    return list;
}

std::int32_t WriterBackend::selectInputSource(const InputSourceInfo& source) {
    const auto current = currentKeyboardInputSource();
    return current && source.id == current->id ? 0 : parameterError;
}

// -- Process ------------------------------------------------------------------------------------

double WriterBackend::systemUptime() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void WriterBackend::sleepMicroseconds(std::uint32_t microseconds) { usleep(microseconds); }

std::string WriterBackend::operatingSystemVersion() {
    utsname name{};
    uname(&name);
    return std::string(name.sysname) + " " + name.release + "，LibreOffice Writer（X11 显示 " +
           displayName_ + "）";
}

} // namespace plumeo
