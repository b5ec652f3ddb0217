// What a desk sends its support when something goes wrong: which versions
// run, on which display, against which server, and what Velmora logged
// lately. Plain text, so it pastes into any mail or ticket.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace velmora {

struct SupportFacts {
  std::string version;
  std::string engineVersion;
  std::string toolkitVersion;
  std::string displayServer; // "X11", "Wayland", or whatever else the toolkit runs on
  std::optional<std::string> server;
  bool serverLocked = false;
  std::vector<std::string> logLines; // oldest first
};

// The report, one fact a line, then the log lines under a heading that says
// how many there are; "(none)" where no server is set.
[[nodiscard]] std::string supportReport(const SupportFacts& facts);

} // namespace velmora
