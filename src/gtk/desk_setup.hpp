// What a company's administrator and support need of a desk: whether
// Velmora opens at login (the user's autostart entry, over a system-wide
// one) and the support report's facts about this process and its display.
#pragma once

#include "app/support_report.hpp"
#include "platform/settings.hpp"

#include <filesystem>
#include <string>

namespace velmora::gtk {

// Whether the autostart entries start Velmora at the user's next login.
[[nodiscard]] bool opensAtLogin();
// Writes or removes the user's autostart entry so that Velmora does (or
// does not) start at login; false, with a debug line, when the entry could
// not be changed.
bool setOpensAtLogin(bool open);

// The report's facts: versions, the display, the server in effect and the
// recent log.
[[nodiscard]] SupportFacts supportFacts(Settings& settings);

} // namespace velmora::gtk
