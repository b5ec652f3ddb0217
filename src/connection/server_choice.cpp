#include "connection/server_choice.hpp"

#include <algorithm>
#include <array>
#include <cctype>

namespace velmora {
namespace {

bool saysTrue(const std::optional<std::string>& text) {
  if (!text)
    return false;
  std::string word;
  for (char c : *text)
    if (!std::isspace(static_cast<unsigned char>(c)))
      word += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  constexpr std::array yes{"true", "yes", "1"};
  return std::ranges::find(yes, word) != yes.end();
}

} // namespace

ServerChoice chooseServer(const std::optional<std::string>& userServer,
                          const MachineServerSettings& machine) {
  std::optional<ServerAddress> machineAddress;
  if (machine.serverURL)
    machineAddress = normalizeServerAddress(*machine.serverURL);
  if (machineAddress && saysTrue(machine.locked))
    return ServerChoice{machineAddress->base.absoluteString(), true, std::nullopt};
  if (userServer)
    return ServerChoice{userServer, false, std::nullopt};
  return ServerChoice{std::nullopt, false, machineAddress};
}

} // namespace velmora
