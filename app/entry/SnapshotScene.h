#pragma once

#include <functional>
#include <string>

namespace plumeo {
class AppModel;
}

namespace plumeo::entry {

/// Brings the model into the state a snapshot scene shows and calls `ready` once it is there:
/// "idle" and "intro" at once; "running" once a session into the simulated Word has sent a
/// part of the article; "paused" once that session has been paused by the user. A session
/// scene that does not get there calls `ready` anyway after its time limit, so the snapshot
/// shows where it got stuck.
void playSnapshotScene(const std::string& scene, AppModel& model, std::function<void()> ready);

} // namespace plumeo::entry
