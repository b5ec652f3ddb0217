#include "downloads/reveal_pacing.hpp"

#include <algorithm>

namespace velmora {

MainQueue::Clock::time_point revealTime(std::optional<MainQueue::Clock::time_point> lastReveal,
                                        MainQueue::Clock::time_point now) {
  if (!lastReveal)
    return now;
  return std::max(now, *lastReveal + revealInterval);
}

} // namespace velmora
