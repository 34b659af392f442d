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
/// Every other character (CJK, emoji, symbols) is spelled "U+<hex>" on the layout and
/// converted by the application's own Unicode notation toggle (Options::notationToggle).
/// Remapping an empty keycode to the character is not used: clients look keycodes up in
/// their own cached copy of the mapping, which LibreOffice does not always renew after a
/// remap, so a remapped key can arrive as an earlier character or none.
class XKeyTyper {
public:
    struct Options {
        /// The chord that converts a spelled "U+<hex>" into its character (Alt+X in
        /// LibreOffice); without one, characters off the layout cannot be typed.
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
    };

    /// Throws std::runtime_error when the display has no XTest.
    XKeyTyper(const std::string& displayName, Options options);
    XKeyTyper(const std::string& displayName) : XKeyTyper(displayName, Options{}) {}

    /// X modifier masks to hold around a key (ShiftMask, ControlMask, Mod1Mask, Mod4Mask).
    using Modifiers = unsigned int;

    /// Presses and releases every code point of `text` in order. False when a character
    /// cannot be typed (off the layout with no notation toggle, or a control character);
    /// nothing after it is typed.
    bool typeText(const std::u32string& text);
    /// Presses (`down`) or releases a key by its keysym, holding `modifiers` from the press to
    /// the release. False when the layout has no key for it.
    bool sendKey(KeySym keysym, bool down, Modifiers modifiers);

    /// Returns once the X server has handled every event sent so far (they then wait in the
    /// focused client's queue).
    void sync();

    /// Events this typer has sent since it was made (each press and each release counts).
    std::uint64_t eventsSent() const { return eventsSent_; }

private:
    struct LayoutKey {
        KeyCode keycode = 0;
        bool shifted = false;
    };

    static KeySym keysymFor(char32_t character);
    void tap(KeyCode keycode, Modifiers modifiers);
    /// Types "U+<hex>" from the layout and the notation toggle; false when the layout lacks
    /// a key for it.
    bool typeNotation(char32_t character);
    void press(KeyCode keycode, bool down);
    void setModifiers(Modifiers modifiers, bool down);

    XConnection connection_;
    Options options_;
    bool releasedLast_ = false;
    std::map<KeySym, LayoutKey> layout_;
    std::map<Modifiers, KeyCode> modifierKeys_;
    std::atomic<std::uint64_t> eventsSent_{0};
};

} // namespace plumeo
