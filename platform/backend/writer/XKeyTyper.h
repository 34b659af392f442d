#pragma once

#include "platform/backend/writer/XConnection.h"

#include <X11/Xlib.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <map>
#include <string>
#include <vector>

namespace plumeo {

/// Key events through XTest, as the keyboard would send them to the focused window.
///
/// A character on the keyboard layout is typed by its key (with Shift where its level asks).
/// Every other character (CJK, emoji, symbols) is typed through a spare keycode: one the
/// layout leaves empty is remapped to the character's keysym and pressed. A client looks a
/// keycode up only when it handles the press, possibly well after the press was sent, so a
/// spare keycode is remapped again only after it has rested `settle`: until then the client
/// may still be reading the earlier press and would see the new character in its place. The
/// keycodes are reused least recently used first, and a character that still has one is
/// typed without a remap, so an article's repeated characters cost no remap at all. An
/// application with a Unicode notation toggle is spared the remaps (Options::notationToggle).
class XKeyTyper {
public:
    struct Options {
        std::chrono::milliseconds settle{300};
        /// When set, a character off the layout is not typed through a spare keycode but
        /// spelled "U+<hex>" on the layout and converted by this chord (the application's
        /// own Unicode notation toggle, Alt+X in LibreOffice). Clients look keycodes up
        /// through their own cached copy of the mapping, which LibreOffice does not always
        /// renew after a remap, so a remapped key can arrive as an earlier character or none.
        std::optional<std::pair<KeySym, unsigned int>> notationToggle;
        /// Called once the spelled number (`toggled` false), and again once the toggle chord
        /// (`toggled` true), has reached the server; returns when the application shows it
        /// handled them. Writer gathers typed characters in a buffer it inserts later and
        /// runs the toggle as a deferred command: keys sent on before either happened would
        /// land after the converted character or be converted with it.
        std::function<void(const std::string& spelled, bool toggled)> waitForApplication;
        /// How long the server holds back a press that follows a release. Within one of
        /// the server's milliseconds both carry the same time, which LibreOffice takes for
        /// the keyboard's auto-repeat and then inserts that character out of order.
        std::chrono::milliseconds pressSpacing{0};
        /// Spare keycodes to use at most; 0 for every empty one.
        std::size_t maxSpareKeycodes = 0;
    };

    /// Throws std::runtime_error when the display has no XTest or no empty keycode.
    XKeyTyper(const std::string& displayName, Options options);
    XKeyTyper(const std::string& displayName) : XKeyTyper(displayName, Options{}) {}
    ~XKeyTyper();

    /// X modifier masks to hold around a key (ShiftMask, ControlMask, Mod1Mask, Mod4Mask).
    using Modifiers = unsigned int;

    /// Presses and releases every code point of `text` in order. False when a character
    /// cannot be typed at all (no keysym and no keycode); nothing after it is typed.
    bool typeText(const std::u32string& text);
    /// Presses (`down`) or releases a key by its keysym, holding `modifiers` from the press to
    /// the release. False when the layout has no key for it.
    bool sendKey(KeySym keysym, bool down, Modifiers modifiers);

    /// Returns once the X server has handled every event sent so far (they then wait in the
    /// focused client's queue).
    void sync();

    /// Events this typer has sent since it was made (each press and each release counts).
    std::uint64_t eventsSent() const { return eventsSent_; }
    std::size_t spareKeycodeCount() const { return spare_.size(); }
    /// Remaps made so far: each is one change of the keyboard mapping all clients reload.
    std::uint64_t remapCount() const { return remaps_; }

private:
    struct LayoutKey {
        KeyCode keycode = 0;
        bool shifted = false;
    };
    struct SpareKey {
        KeyCode keycode = 0;
        char32_t character = 0; ///< 0 while unused
        std::chrono::steady_clock::time_point lastUsed{};
    };

    static KeySym keysymFor(char32_t character);
    void tap(KeyCode keycode, Modifiers modifiers);
    /// Types "U+<hex>" from the layout and the notation toggle; false when the layout lacks
    /// a key for it.
    bool typeNotation(char32_t character);
    void press(KeyCode keycode, bool down);
    void setModifiers(Modifiers modifiers, bool down);
    /// The spare keycode holding `character`, remapped when none does (waiting for the least
    /// recently used one to settle first).
    KeyCode spareFor(char32_t character);

    XConnection connection_;
    Options options_;
    bool releasedLast_ = false;
    int keysymsPerKeycode_ = 0;
    std::map<KeySym, LayoutKey> layout_;
    std::vector<SpareKey> spare_;
    std::map<char32_t, std::size_t> spareByCharacter_;
    std::map<Modifiers, KeyCode> modifierKeys_;
    std::atomic<std::uint64_t> eventsSent_{0};
    std::atomic<std::uint64_t> remaps_{0};
};

} // namespace plumeo
