#include "bridge/dock_badge.hpp"

namespace velmora {

DockBadge::DockBadge(DockTile& dockTile, MainQueue& queue) : dockTile_(dockTile), queue_(queue) {}

DockBadge::~DockBadge() {
  if (pendingSend_)
    queue_.cancel(*pendingSend_);
}

void DockBadge::show(const std::string& label) {
  latest_ = label;
  // A send is already waiting for the interval to end; it takes the latest.
  if (pendingSend_)
    return;
  if (label == shown_)
    return;
  const auto now = queue_.now();
  if (!lastSend_ || now - *lastSend_ >= minimumInterval) {
    send(label);
    return;
  }
  const auto wait =
      std::chrono::ceil<std::chrono::milliseconds>(*lastSend_ + minimumInterval - now);
  pendingSend_ = queue_.after(wait, [this] {
    pendingSend_.reset();
    sendLatest();
  });
}

void DockBadge::sendLatest() {
  // The count may have gone back to what the dock shows meanwhile.
  if (latest_ != shown_)
    send(latest_);
}

void DockBadge::send(const std::string& label) {
  shown_ = label;
  lastSend_ = queue_.now();
  dockTile_.setBadgeLabel(label);
}

} // namespace velmora
