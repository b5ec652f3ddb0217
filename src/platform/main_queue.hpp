// Work deferred to the main thread's event loop.
#pragma once

#include <functional>

namespace velmora {

class MainQueue {
public:
  virtual ~MainQueue() = default;
  // Runs `task` later on the main thread, after the work under way, in
  // submission order.
  virtual void async(std::function<void()> task) = 0;
};

} // namespace velmora
