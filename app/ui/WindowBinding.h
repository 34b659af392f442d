#pragma once

namespace plumeo {
class AppModel;
}

namespace plumeo::ui {

class FloatingPanel;
class MainWindow;

/// Connects the window and the floating panel to the model: every widget shows the model's
/// properties as they change, and every control calls one of its operations. The views keep no
/// state of their own beyond presentation (an expanded section, the introduction's page).
void bindWindow(MainWindow& window, FloatingPanel& panel, AppModel& model);

} // namespace plumeo::ui
