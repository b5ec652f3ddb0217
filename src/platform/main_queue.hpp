// Work deferred to the main thread's event loop, now or after a delay, and
// the clock that delays are measured on.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

namespace velmora {

// Names a delayed task, so that it can be cancelled. Never reused.
using DelayedTaskId = std::uint64_t;

class MainQueue {
public:
  using Clock = std::chrono::steady_clock;
  virtual ~MainQueue() = default;
  // Runs `task` later on the main thread, after the work under way, in
  // submission order.
  virtual void async(std::function<void()> task) = 0;
  // Runs `task` once on the main thread when `delay` has passed.
  virtual DelayedTaskId after(std::chrono::milliseconds delay, std::function<void()> task) = 0;
  // Drops a delayed task that has not run yet; harmless for one that has.
  virtual void cancel(DelayedTaskId task) = 0;
  // The time on the clock the delays are measured on.
  [[nodiscard]] virtual Clock::time_point now() const = 0;
};

} // namespace velmora
