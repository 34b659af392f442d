#pragma once

#include "app/selftest/SelfTestSession.h"
#include "core/engine/SessionPhase.h"

#include <chrono>
#include <string>

// Small pieces the interference cases share.
namespace plumeo::selftest::interference {

bool completedVerified(const SessionPhase& phase);
std::string count(int value);
void sleepSeconds(double seconds);
bool pastDeadline(std::chrono::steady_clock::time_point deadline);
/// Waits until the phase is no longer `from`, at most `seconds`.
SessionPhase awaitLeaving(const SelfTestSession& session, SessionPhase::Kind from, double seconds);
/// The phase's title with the reason of a stop or what a relocation asks for.
std::string stopTitle(const SessionPhase& phase);
/// What a stroke leaves in the document; empty for a backspace.
std::u16string strokeText(const KeyStroke& stroke);

} // namespace plumeo::selftest::interference
