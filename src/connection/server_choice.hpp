// Which server a desk uses when the machine's administrator may have chosen
// one for every user of the computer. The administrator's address fills in
// for a desk that has none of its own; only a lock makes it win over the
// user's. Pure, so every combination can be checked row by row.
#pragma once

#include "connection/server_address_text.hpp"

#include <optional>
#include <string>

namespace velmora {

// What the machine-wide settings file holds, as read: texts, unchecked.
struct MachineServerSettings {
  std::optional<std::string> serverURL;
  std::optional<std::string> locked;
};

struct ServerChoice {
  // The address in effect, as the user's own setting would hold it; none
  // when neither the user's file nor a lock gives one.
  std::optional<std::string> server;
  // True when the administrator's address is in force and may not change.
  bool locked = false;
  // The administrator's address for a desk with none of its own to verify
  // and adopt; none when the user has one or it is locked in.
  std::optional<ServerAddress> machineServer;
};

// The machine's address counts only when it normalises as a typed one
// would; "locked" only with such an address, and only as "true", "yes" or
// "1" in any letter case (anything else, a typo included, leaves the desk
// free, as if no lock were written). The user's text is taken as stored,
// even empty, as everywhere else.
[[nodiscard]] ServerChoice chooseServer(const std::optional<std::string>& userServer,
                                        const MachineServerSettings& machine);

} // namespace velmora
