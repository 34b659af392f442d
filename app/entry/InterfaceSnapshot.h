#pragma once

#include <QString>
#include <QStringList>

namespace plumeo::entry {

/// Waits `delayMs` for the windows to settle, then writes every visible window into
/// `directory` (created with its parents) as "ui-window-N.png", N counting from 1 with the main
/// window first, and quits the application (status 1 when a file could not be written). The
/// paths written are appended to `written` when it is given.
void scheduleInterfaceSnapshot(const QString& directory, int delayMs, QStringList* written);

} // namespace plumeo::entry
