#pragma once

class QApplication;

namespace plumeo::entry {

enum class Appearance { system, light, dark };

/// Sets the application's fonts (a CJK face first in the fallback list, so Chinese never falls
/// back to boxes) and, for a forced appearance, a light or dark palette on the Fusion style,
/// which draws the same on every platform.
void applyAppearance(QApplication& application, Appearance appearance);

} // namespace plumeo::entry
