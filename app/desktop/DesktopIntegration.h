#pragma once

// What the application asks of the desktop beyond Qt: the floating panel on every space, no
// window restored from an earlier run, no Dock icon for headless work, and the system's
// reduce-motion setting. Each platform's build supplies the implementation.

#include <cstdint>
#include <optional>

namespace plumeo::desktop {

/// A window's native handle as Qt gives it (QWidget::winId()): the NSView on macOS.
using NativeView = std::uintptr_t;

/// Keeps a shown panel visible on every space, beside full-screen windows too, and while
/// another application is active; never restored at the next launch.
void keepOnEverySpace(NativeView panel);
/// Marks a shown window as never restored at the next launch.
void neverRestore(NativeView window);
/// Before any window exists: window state is not kept when the application quits.
void disableWindowRestoration();
/// Before the headless work starts: no Dock icon and no menu bar.
void runWithoutDockIcon();
/// The desktop's own "reduce motion" setting; nullopt when the desktop states none.
std::optional<bool> systemReducesMotion();

} // namespace plumeo::desktop
