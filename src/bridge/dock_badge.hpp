// The dock badge the page's unread count becomes, passed on to the dock
// sparingly. Each badge the dock is given is a signal on the session bus
// that every dock and shell of the desktop wakes up for; a page that changes
// its count in a loop must not turn into a flood of them.
#pragma once

#include "platform/dock_tile.hpp"
#include "platform/main_queue.hpp"

#include <chrono>
#include <optional>
#include <string>

namespace velmora {

// Gives the dock a badge only when its text differs from the one the dock
// shows, and at most once per `minimumInterval`. A text reported sooner
// waits, replaced by any later one, and goes out when the interval is over,
// so the last text reported always arrives.
class DockBadge {
public:
  static constexpr std::chrono::milliseconds minimumInterval{250};

  DockBadge(DockTile& dockTile, MainQueue& queue);
  ~DockBadge();
  DockBadge(const DockBadge&) = delete;
  DockBadge& operator=(const DockBadge&) = delete;

  // The badge text the page reported now; the empty text shows no badge.
  void show(const std::string& label);

private:
  void send(const std::string& label);
  void sendLatest();

  DockTile& dockTile_;
  MainQueue& queue_;
  // None until the first send: whatever the dock shows at launch (a badge
  // left by an earlier run, say) is not known, so the first report goes out.
  std::optional<std::string> shown_;
  std::optional<MainQueue::Clock::time_point> lastSend_;
  std::string latest_;
  std::optional<DelayedTaskId> pendingSend_;
};

} // namespace velmora
