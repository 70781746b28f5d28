#pragma once

#include <chrono>
#include <functional>

/// Asks condition every few milliseconds until it holds or timeout passed;
/// returns its last answer. For waiting on what another thread or process
/// does, where a fixed sleep would be too short on a loaded machine.
bool PollUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = std::chrono::seconds(10));
