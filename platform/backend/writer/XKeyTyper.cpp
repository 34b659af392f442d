#include "platform/backend/writer/XKeyTyper.h"

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <stdexcept>

namespace plumeo {

XKeyTyper::XKeyTyper(const std::string& displayName, Options options)
    : connection_(displayName), options_(options) {
    Display* display = connection_.display();
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor))
        throw std::runtime_error("X 服务器没有 XTest 扩展，无法发送按键");
    int minKeycode = 0, maxKeycode = 0;
    XDisplayKeycodes(display, &minKeycode, &maxKeycode);
    int keysymsPerKeycode = 0;
    KeySym* map = XGetKeyboardMapping(display, static_cast<KeyCode>(minKeycode),
                                      maxKeycode - minKeycode + 1, &keysymsPerKeycode);
    for (int keycode = minKeycode; keycode <= maxKeycode; ++keycode) {
        const KeySym* syms = map + (keycode - minKeycode) * keysymsPerKeycode;
        // Group 1 only: levels 1 and 2, plain and shifted. The first key found wins.
        for (int level = 0; level < std::min(keysymsPerKeycode, 2); ++level) {
            if (syms[level] != NoSymbol)
                layout_.try_emplace(syms[level], LayoutKey{static_cast<KeyCode>(keycode), level == 1});
        }
    }
    XFree(map);
    const std::pair<Modifiers, KeySym> modifiers[] = {
        {ShiftMask, XK_Shift_L}, {ControlMask, XK_Control_L}, {Mod1Mask, XK_Alt_L},
        {Mod4Mask, XK_Super_L}};
    for (const auto& [mask, keysym] : modifiers) {
        if (const KeyCode keycode = XKeysymToKeycode(display, keysym))
            modifierKeys_[mask] = keycode;
    }
}

KeySym XKeyTyper::keysymFor(char32_t character) {
    // Latin-1 keysyms equal their code points; every other character has the Unicode keysym.
    if ((character >= 0x20 && character <= 0x7e) || (character >= 0xa0 && character <= 0xff))
        return character;
    return 0x1000000 + character;
}

bool XKeyTyper::typeText(const std::u32string& text) {
    std::lock_guard lock(connection_.mutex());
    for (char32_t character : text) {
        if (character < 0x20 || character > 0x10ffff || (character >= 0xd800 && character <= 0xdfff))
            return false;
        if (auto found = layout_.find(keysymFor(character)); found != layout_.end()) {
            tap(found->second.keycode, found->second.shifted ? ShiftMask : 0);
            continue;
        }
        if (!options_.notationToggle || !typeNotation(character))
            return false;
    }
    XFlush(connection_.display());
    return true;
}

bool XKeyTyper::sendKey(KeySym keysym, bool down, Modifiers modifiers) {
    std::lock_guard lock(connection_.mutex());
    const KeyCode keycode = XKeysymToKeycode(connection_.display(), keysym);
    if (!keycode)
        return false;
    if (down) {
        setModifiers(modifiers, true);
        press(keycode, true);
    } else {
        press(keycode, false);
        setModifiers(modifiers, false);
    }
    XFlush(connection_.display());
    return true;
}

void XKeyTyper::sync() {
    std::lock_guard lock(connection_.mutex());
    XSync(connection_.display(), False);
}

void XKeyTyper::tap(KeyCode keycode, Modifiers modifiers) {
    setModifiers(modifiers, true);
    press(keycode, true);
    press(keycode, false);
    setModifiers(modifiers, false);
}

bool XKeyTyper::typeNotation(char32_t character) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string spelled;
    for (int shift = character > 0xffff ? 16 : 12; shift >= 0; shift -= 4)
        spelled.push_back(digits[(character >> shift) & 0xf]);
    // The "U+" prefix bounds the number, so hex digits typed just before it stay text.
    spelled = "U+" + spelled;
    std::vector<const LayoutKey*> keys;
    for (char letter : spelled) {
        const auto found = layout_.find(static_cast<KeySym>(letter));
        if (found == layout_.end())
            return false;
        keys.push_back(&found->second);
    }
    const auto [toggleSym, toggleModifiers] = *options_.notationToggle;
    const KeyCode toggle = XKeysymToKeycode(connection_.display(), toggleSym);
    if (!toggle)
        return false;
    const auto wait = [this, &spelled](bool toggled) {
        if (options_.waitForApplication) {
            XSync(connection_.display(), False);
            options_.waitForApplication(spelled, toggled);
        }
    };
    for (const LayoutKey* key : keys)
        tap(key->keycode, key->shifted ? ShiftMask : 0);
    wait(false);
    tap(toggle, toggleModifiers);
    wait(true);
    return true;
}

void XKeyTyper::press(KeyCode keycode, bool down) {
    const unsigned long delay =
        down && releasedLast_ ? static_cast<unsigned long>(options_.pressSpacing.count())
                              : CurrentTime;
    XTestFakeKeyEvent(connection_.display(), keycode, down ? True : False, delay);
    releasedLast_ = !down;
    ++eventsSent_;
}

void XKeyTyper::setModifiers(Modifiers modifiers, bool down) {
    for (const auto& [mask, keycode] : modifierKeys_) {
        if (modifiers & mask)
            press(keycode, down);
    }
}

} // namespace plumeo
