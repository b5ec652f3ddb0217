// The application's icon in the dock: its badge and progress bar. Both
// belong to the application as a whole, not to a window.
#pragma once

#include <optional>
#include <string>

namespace velmora {

class DockTile {
public:
  virtual ~DockTile() = default;
  // Shows the text as the badge; the empty text shows no badge.
  virtual void setBadgeLabel(const std::string& label) = 0;
  // Shows a progress bar from 0 to 1 on the icon; none hides it.
  virtual void setProgress(std::optional<double> fraction) = 0;
};

} // namespace velmora
