// When a finished download is shown in the file manager. A page can start
// hundreds of downloads at once, and a file manager window for each would
// bury the desk: the first file after a quiet spell is shown at once, and
// the files that finish in the interval after a showing wait for its end,
// when only the newest of them is shown.
#pragma once

#include "platform/main_queue.hpp"

#include <chrono>
#include <optional>

namespace velmora {

// The file manager is asked to show a file at most once in this long.
inline constexpr std::chrono::seconds revealInterval{10};

// When a download that finishes at `now` may be shown, given when a file was
// last shown (none: never): `now` itself once `revealInterval` has passed
// since then, otherwise the moment it passes.
[[nodiscard]] MainQueue::Clock::time_point
revealTime(std::optional<MainQueue::Clock::time_point> lastReveal,
           MainQueue::Clock::time_point now);

} // namespace velmora
